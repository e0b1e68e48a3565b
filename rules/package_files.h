// The files of a firmware package as the program reads them: their names, the
// sections and keys of FirmWare.ini, and the limits of what the program takes from
// them. The loader reads them; the package tool writes and checks them.
#pragma once

#include <cstddef>
#include <string>

constexpr char kFirmwareIniName[] = "FirmWare.ini";
constexpr char kChecksumIniName[] = "checksum.ini";

constexpr char kIdSection[] = "PID_VID";
constexpr char kIdKey[] = "PID_VID";
constexpr char kSettingSection[] = "setting";
constexpr char kProductNameKey[] = "productname";
constexpr char kVersionKey[] = "fwver";
constexpr char kFileCountKey[] = "filenum";

// The key of file name i in the setting section: "0", "1", ...
inline std::string FileNameKey(int i) { return std::to_string(i); }

// Only the start of the device identifier, USB\VID_vvvv&PID_pppp, is examined.
constexpr std::size_t kIdTextLength = 21;
// The product name and the firmware version are shown with at most this many characters.
constexpr std::size_t kShortTextLength = 19;
// A file name is read with at most this many characters.
constexpr std::size_t kFileNameLength = 254;
// Only the first bytes of checksum.ini count.
constexpr std::size_t kChecksumFileBytes = 100;
