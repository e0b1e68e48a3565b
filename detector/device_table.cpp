#include "device_table.h"

#include <cstring>

#include "system_api.h"

namespace {

constexpr std::size_t kPathBufferSize = 256;
constexpr DWORD kCurrentDirectoryLimit = 255;  // characters the directory query may fill

// The root of a drive already ends in a backslash; the file name is appended with its
// own all the same, which Windows reads as one separator.
bool BuildIniPath(char (&path)[kPathBufferSize]) {
    std::memset(path, 0, sizeof path);
    DWORD length = Api().GetCurrentDirectoryA(kCurrentDirectoryLimit, path);
    if (length == 0 || length >= kCurrentDirectoryLimit) return false;
    if (length + 1 + sizeof kDetectIniName > kPathBufferSize) return false;
    path[length] = '\\';
    std::memcpy(path + length + 1, kDetectIniName, sizeof kDetectIniName);
    return true;
}

std::uint32_t ReadEntryCount(const char* path) {
    UINT number = Api().GetPrivateProfileIntA(kCountSection, kCountKey, 0, path);
    if (static_cast<int>(number) < 0) return 0;
    return number < kMaxDeviceEntries ? number : kMaxDeviceEntries;
}

void ReadText(const char* section, const char* key, char (&text)[kEntryTextSize],
              const char* path) {
    Api().GetPrivateProfileStringA(section, key, "", text, kEntryTextSize, path);
}

bool StrToIntHex(const char* text, int& value) {
    return Api().StrToIntExA(text, STIF_SUPPORT_HEX, &value) != FALSE;
}

std::uint16_t ReadIdentifier(const char* section, const char* key, const char* path) {
    char digits[kIdentifierTextSize] = {};
    DWORD length = Api().GetPrivateProfileStringA(section, key, "", digits, kIdentifierTextSize, path);
    return IdentifierFromDigits(std::string(digits, length), StrToIntHex);
}

void ReadEntry(std::uint32_t number, DeviceEntry& entry, const char* path) {
    const std::string name = DeviceSectionName(number);
    const char* section = name.c_str();
    ReadText(section, kDeviceNameKey, entry.DeviceName, path);
    ReadText(section, "SubKey", entry.SubKey, path);
    ReadText(section, kSubKey98Key, entry.SubKey98, path);
    ReadText(section, "SubKeyME", entry.SubKeyME, path);
    entry.PID = ReadIdentifier(section, kPidKey, path);
    entry.VID = ReadIdentifier(section, kVidKey, path);
}

}  // namespace

std::vector<DeviceEntry> LoadDeviceTable() {
    char path[kPathBufferSize];
    if (!BuildIniPath(path)) return {};
    std::vector<DeviceEntry> entries(ReadEntryCount(path), DeviceEntry{});
    for (std::uint32_t n = 0; n < entries.size(); ++n) ReadEntry(n + 1, entries[n], path);
    return entries;
}
