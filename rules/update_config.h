// UpdateConfig: the firmware package as FirmWare.ini and checksum.ini describe it,
// plus the current target folder; and the rules by which the loader fills it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

constexpr int kFileNameSlots = 30;      // firmware file names the record can hold
constexpr int kChecksumSlots = 10;      // checksums the record can hold
constexpr std::size_t kPathBufferSize = 260;  // every path fits here, terminator included
constexpr int kDefaultFileCount = 11;

struct UpdateConfig {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string productName;       // at most 19 characters
    std::string firmwareVersion;   // at most 19 characters
    std::int32_t fileCount = kDefaultFileCount;
    std::string fileNames[kFileNameSlots];
    std::string checksums[kChecksumSlots];  // lower case
    std::int32_t checksumCount = 0;
    std::string computedChecksum = "0000";
    std::string targetFolder;      // at most kPathBufferSize - 1 characters

    // The one way to set the target folder: keeps it within the path buffer size.
    void setTargetFolder(const std::string& folder);
};

// The name of file i, or an empty name past the table's slots. An empty name gives
// a path that names no file, so such an entry fails where it is used.
const std::string& FileNameAt(const UpdateConfig& config, int i);

// Whether a file count names a package the record holds in full: 1 to kFileNameSlots.
bool IsUsableFileCount(std::int32_t count);

// Whether a firmware file name names a file in the program's folder and in the target
// folder. A name with a folder or drive part, or "." or "..", would make the run delete
// and write files outside the target folder: the loader refuses it like an empty name.
// Device names (NUL, CON, ...) are refused too.
bool IsPlainFileName(const std::string& name);

// Whether a name names a device on Windows instead of a file in the folder: NUL, CON,
// PRN, AUX, COM1 to COM9 or LPT1 to LPT9, in any case, also with an extension.
bool IsDeviceName(const std::string& name);

// The progress bar's end for a package of fileCount files: fileCount + 1. A count
// that failed the loader's range check is used as it is; the sum wraps instead of
// overflowing.
int ProgressEnd(std::int32_t fileCount);

// Sets vid and pid from the PID_VID value of FirmWare.ini: the hexadecimal digits
// in the 4 characters after "VID_" and after "PID_", within its first 21 characters.
void ParseDeviceIds(UpdateConfig& config, const std::string& value);

// The text of checksum.ini, read from the open file: its first bytes, up to the first
// zero byte among them.
std::string ReadChecksumFileText(std::FILE* file);

// Stores the checksums of a checksum.ini text in config, as the loader does with
// the bytes it reads: one per line, and checksumCount counting every line, also
// those beyond the slots.
void StoreChecksums(UpdateConfig& config, const std::string& text);
