// The checksum of a file named by its path, with the system's error code of a failure.
#pragma once

#include <string>

#include "checksum.h"

// Reads the file at path whole and gives its checksum text. Returns 0, or the
// system error code when the file cannot be opened or read.
unsigned long ReadFileChecksum(const std::string& path, std::string& checksum);
