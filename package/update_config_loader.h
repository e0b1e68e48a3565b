// The loader of UpdateConfig: FirmWare.ini through the Windows profile functions, then
// checksum.ini from the current directory, by the rules of update_config.h.
#pragma once

#include <cstddef>
#include <string>

#include "update_config.h"

class ConfigView;

// A FirmWare.ini value read as the loader reads it, into a buffer of bufferSize bytes
// (terminator included): a longer value comes back cut, a missing one empty.
std::string ReadProfileText(const std::string& iniPath, const char* section, const char* key,
                            std::size_t bufferSize);

// Loads FirmWare.ini (at iniPath) and then checksum.ini (in the current directory)
// into config. Shows its messages and refreshes the dialog's fields through view.
// Returns true on success. A checksum.ini that cannot be opened throws CFileException.
bool LoadUpdateConfig(UpdateConfig& config, const std::string& iniPath, ConfigView& view);
