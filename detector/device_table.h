// The known devices: Detect.ini in the current directory, read afresh on every query
// into DeviceEntry records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr char kDetectIniName[] = "Detect.ini";
constexpr char kCountSection[] = "HWNum";
constexpr char kCountKey[] = "Number";
constexpr char kDeviceNameKey[] = "DeviceName";
constexpr char kSubKey98Key[] = "SubKey98";
constexpr char kVidKey[] = "VID";
constexpr char kPidKey[] = "PID";

constexpr std::size_t kEntryTextSize = 260;  // each text field, terminator included

// One "Device<n>" section of Detect.ini.
struct DeviceEntry {
    char DeviceName[kEntryTextSize];
    char SubKey[kEntryTextSize];
    char SubKeyME[kEntryTextSize];
    char SubKey98[kEntryTextSize];  // device key under HKLM\Enum\SCSI on 9x/ME
    std::uint16_t VID;
    std::uint16_t PID;
};

// Upper bound on "Number": a Detect.ini lists a handful of devices, and a wild value
// must not make one query allocate or read without end.
constexpr std::uint32_t kMaxDeviceEntries = 128;

// The section of device n (counted from 1): "Device" followed by n in decimal.
std::string DeviceSectionName(std::uint32_t number);

// Reads Detect.ini of the current directory: one zero-filled entry per section
// Device1 .. Device<Number>, missing sections and keys giving empty texts and 0.
// A "Number" that reads as negative (so also one of 2^31 or more) counts as 0, and
// a larger one than kMaxDeviceEntries is cut to it. A current directory too long for the path buffer gives no entries rather
// than a cut path that could name some other file.
std::vector<DeviceEntry> LoadDeviceTable();
