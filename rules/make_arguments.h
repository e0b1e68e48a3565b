// The arguments of the package tool's make command: the camera's identifiers, the texts
// the dialog shows, and the firmware files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PackageRequest {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string productName;
    std::string firmwareVersion;
    bool force = false;  // overwrite an existing FirmWare.ini or checksum.ini
    std::vector<std::string> fileNames;
};

// Reads the make command's options and files; false with a message on a usage error.
// --vid and --pid take 1 to 4 hexadecimal digits without a prefix.
bool ParseMake(const std::vector<std::string>& args, PackageRequest& request, std::string& folder,
               std::string& error);
