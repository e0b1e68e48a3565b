#include "update_config_loader.h"

#include <windows.h>

#include <cstdio>

#include "config_view.h"
#include "file_exception.h"
#include "file_paths.h"
#include "package_files.h"

namespace {

// Buffer sizes of the FirmWare.ini lookups, terminator included.
constexpr std::size_t kIdBufferSize = kPathBufferSize;
constexpr std::size_t kShortTextBufferSize = kShortTextLength + 1;   // product name, firmware version
constexpr std::size_t kFileNameBufferSize = kFileNameLength + 1;

void ReadDeviceIds(UpdateConfig& config, const std::string& iniPath) {
    ParseDeviceIds(config, ReadProfileText(iniPath, kIdSection, kIdKey, kIdBufferSize));
}

bool ReadFileCount(UpdateConfig& config, const std::string& iniPath) {
    config.fileCount = static_cast<std::int32_t>(
        GetPrivateProfileIntA(kSettingSection, kFileCountKey, config.fileCount, iniPath.c_str()));
    return IsUsableFileCount(config.fileCount);
}

bool ReadFileNames(UpdateConfig& config, const std::string& iniPath) {
    for (int i = 0; i < config.fileCount && i < kFileNameSlots; ++i) {
        const std::string key = FileNameKey(i);
        const std::string name = ReadProfileText(iniPath, kSettingSection, key.c_str(), kFileNameBufferSize);
        if (!IsPlainFileName(name)) return false;
        config.fileNames[i] = name;
    }
    return true;
}

// Reads checksum.ini from the current directory.
void LoadChecksums(UpdateConfig& config) {
    const std::string path = JoinPath(CurrentFolder(), kChecksumIniName);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw CFileException::FromOsError(GetLastError(), path);
    const std::string text = ReadChecksumFileText(file);
    std::fclose(file);
    StoreChecksums(config, text);
}

}  // namespace

std::string ReadProfileText(const std::string& iniPath, const char* section, const char* key,
                            std::size_t bufferSize) {
    std::string buffer(bufferSize, '\0');
    const DWORD length = GetPrivateProfileStringA(section, key, "", &buffer[0],
                                                  static_cast<DWORD>(bufferSize), iniPath.c_str());
    buffer.resize(length);
    return buffer;
}

bool LoadUpdateConfig(UpdateConfig& config, const std::string& iniPath, ConfigView& view) {
    ReadDeviceIds(config, iniPath);
    config.productName = ReadProfileText(iniPath, kSettingSection, kProductNameKey, kShortTextBufferSize);
    config.firmwareVersion = ReadProfileText(iniPath, kSettingSection, kVersionKey, kShortTextBufferSize);
    view.ShowConfigFields();

    if (!ReadFileCount(config, iniPath)) {
        view.ShowMessage("Read file number failed!!");
        return false;
    }
    if (!ReadFileNames(config, iniPath)) {
        view.ShowMessage("Read file name failed!!");
        return false;
    }
    LoadChecksums(config);
    view.ShowConfigFields();
    return true;
}
