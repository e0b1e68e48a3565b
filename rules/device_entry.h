// DeviceEntry: one known device of Detect.ini in the detector's memory, and the rule
// by which its PID and VID texts become numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// A PID or VID value is read into a buffer of this size, and "0x" and the value into
// another of the same size (terminators included).
constexpr std::size_t kIdentifierTextSize = 20;

// The section of device n (counted from 1): "Device" followed by n in decimal.
std::string DeviceSectionName(std::uint32_t number);

// The system's conversion of a prefixed hexadecimal text such as "0x1D2E" into value;
// false when the text is not a number.
using HexTextToInt = bool (*)(const char* text, int& value);

// A PID or VID value, hexadecimal digits without a prefix, as its low 16 bits after
// convert has read it with "0x" in front. Empty, non-hexadecimal and overlong texts
// (more digits than the buffers hold) give 0, which names no real device.
std::uint16_t IdentifierFromDigits(const std::string& digits, HexTextToInt convert);
