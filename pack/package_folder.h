// The package folder: the current directory, where the program finds its files.
#pragma once

#include <string>

#include "staged_name.h"

// The path of a file of the package.
std::string PackagePath(const std::string& name);

bool Exists(const std::string& path);

// A file (not a folder) that can be opened for reading.
bool IsReadableFile(const std::string& path);

// The finding for a firmware file name that clashes on the camera with a staged copy
// (~STAGE00.TMP ...) or with another file of the package, which makes the program
// refuse the package.
std::string NameClashFinding(NameClash clash);
