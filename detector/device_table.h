// The known devices: Detect.ini in the current directory, read afresh on every query
// into DeviceEntry records.
#pragma once

#include <vector>

#include "device_entry.h"

constexpr char kDetectIniName[] = "Detect.ini";
constexpr char kCountSection[] = "HWNum";
constexpr char kCountKey[] = "Number";
constexpr char kDeviceNameKey[] = "DeviceName";
constexpr char kSubKey98Key[] = "SubKey98";
constexpr char kVidKey[] = "VID";
constexpr char kPidKey[] = "PID";

// Reads Detect.ini of the current directory: one zero-filled entry per section
// Device1 .. Device<Number>, missing sections and keys giving empty texts and 0.
// A "Number" that reads as negative (so also one of 2^31 or more) counts as 0, and
// a larger one than kMaxDeviceEntries is cut to it. A current directory too long for the path buffer gives no entries rather
// than a cut path that could name some other file.
std::vector<DeviceEntry> LoadDeviceTable();
