// The making of a firmware package: FirmWare.ini and checksum.ini for the given files
// of the current directory, and Detect.ini with the camera's entry when there is none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "findings.h"

struct PackageRequest {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string productName;
    std::string firmwareVersion;
    bool force = false;  // overwrite an existing FirmWare.ini or checksum.ini
    std::vector<std::string> fileNames;
};

// Writes the package files. Refuses what the program cannot install, or what would
// overwrite an existing description without force, with an error per reason and
// without writing anything. Never writes the firmware files. Returns true when the
// files were written.
bool MakePackage(const PackageRequest& request, Findings& findings);
