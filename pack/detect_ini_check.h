// The checks of Detect.ini: the camera must have an entry, and no entry may be one
// that the detector's substring tests also find in other devices' identifiers.
#pragma once

#include <cstdint>
#include <optional>

#include "findings.h"

// The camera's identifiers as FirmWare.ini names them.
struct CameraId {
    std::uint16_t vid;
    std::uint16_t pid;
};

// Checks Detect.ini in the current directory; camera is empty when FirmWare.ini
// names no camera that could be looked up.
void CheckDetectIni(const std::optional<CameraId>& camera, Findings& findings);
