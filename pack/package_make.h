// The making of a firmware package: FirmWare.ini and checksum.ini for the given files
// of the current directory, and Detect.ini with the camera's entry when there is none.
#pragma once

#include "findings.h"
#include "make_arguments.h"

// Writes the package files. Refuses what the program cannot install, or what would
// overwrite an existing description without force, with an error per reason and
// without writing anything. Never writes the firmware files. Returns true when the
// files were written.
bool MakePackage(const PackageRequest& request, Findings& findings);
