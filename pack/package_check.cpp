#include "package_check.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ascii_text.h"
#include "file_checksum.h"
#include "console_view.h"
#include "detect_ini_check.h"
#include "device_table.h"
#include "file_exception.h"
#include "package_files.h"
#include "package_folder.h"
#include "staged_name.h"
#include "update_config_loader.h"
#include "usb_device_id.h"

namespace {

// Large enough for any value an author writes, so that a cut one can be told.
constexpr std::size_t kWholeValueBufferSize = 4096;
constexpr std::size_t kReadBlockSize = 4096;
// The parts of an 8.3 file name.
constexpr std::size_t kShortNameStem = 8;
constexpr std::size_t kShortNameExtension = 3;
constexpr std::size_t kByteTextSize = sizeof "0xFF";

// How far the loader got through the package: no FirmWare.ini to read; stopped in
// FirmWare.ini after its identifiers and texts; no checksum.ini; all of it.
enum class Loaded { nothing, identifiers, withoutChecksums, whole };

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// "1 file", "2 files".
std::string Counted(int count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// The whole file as bytes, up to its first zero byte as the loader reads it; empty
// when it cannot be read.
std::string ReadText(const std::string& path) {
    std::string text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    char block[kReadBlockSize];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, got);
    std::fclose(file);
    return text.substr(0, text.find('\0'));
}

// The loader's own messages reach the findings through the console view; this says
// what made it stop.
void ExplainLoadFailure(const UpdateConfig& config, Findings& findings) {
    if (!IsUsableFileCount(config.fileCount)) {
        findings.Error(kFirmwareIniName, std::string(kFileCountKey) + " is " + std::to_string(config.fileCount) +
                                             "; the program installs 1 to " + std::to_string(kFileNameSlots) +
                                             " files");
        return;
    }
    for (int i = 0; i < config.fileCount; ++i) {
        if (!config.fileNames[i].empty()) continue;
        const std::string key = "file name key " + Quoted(FileNameKey(i)) + " of [" + kSettingSection + "]";
        const std::string name = ReadProfileText(PackagePath(kFirmwareIniName), kSettingSection,
                                                 FileNameKey(i).c_str(), kWholeValueBufferSize);
        // Named, never opened: opening CON would wait on the console.
        if (IsDeviceName(name))
            findings.Error(kFirmwareIniName, key + " is " + Quoted(name) + ", which names a device on Windows, not a file");
        else
            findings.Error(kFirmwareIniName, key + " is missing or empty, or names a folder or drive");
        return;
    }
}

// An 8.3 name: at most 8 characters, then at most a dot and 3 more, no spaces.
bool IsShortFileName(const std::string& name) {
    const std::string::size_type dot = name.find('.');
    const std::size_t stem = std::min(dot, name.size());
    const std::size_t extension = dot == std::string::npos ? 0 : name.size() - dot - 1;
    return stem >= 1 && stem <= kShortNameStem && extension <= kShortNameExtension &&
           (dot == std::string::npos || (extension >= 1 && name.find('.', dot + 1) == std::string::npos)) &&
           name.find(' ') == std::string::npos;
}

// A camera whose loader reads only short names (FatFs without long-name support)
// would see a longer name only under the alias the system made for it.
void CheckShortNames(const UpdateConfig& config, Findings& findings) {
    for (int i = 0; i < config.fileCount; ++i) {
        if (!IsShortFileName(config.fileNames[i]))
            findings.Warning(config.fileNames[i], "is not an 8.3 name (at most 8 characters, a dot and at most 3, no "
                                                  "spaces); a camera that reads only short names sees it under an "
                                                  "alias such as FIRMWA~1.BIN");
    }
}

// The program refuses such a package before it changes anything on the camera.
void CheckNameClashes(const UpdateConfig& config, Findings& findings) {
    const std::vector<std::string> names = PackageFileNames(config);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const NameClash clash = FindNameClash(names, i);
        if (clash != NameClash::none) findings.Error(names[i], NameClashFinding(clash));
    }
}

Loaded LoadPackage(UpdateConfig& config, Findings& findings) {
    const std::string iniPath = PackagePath(kFirmwareIniName);
    if (!IsReadableFile(iniPath)) {
        findings.Error(kFirmwareIniName, Exists(iniPath) ? "cannot be read" : "missing from the package folder");
        return Loaded::nothing;
    }
    ConsoleView view(findings);
    try {
        if (!LoadUpdateConfig(config, iniPath, view)) {
            ExplainLoadFailure(config, findings);
            return Loaded::identifiers;
        }
    } catch (const CFileException& failure) {
        findings.Error(kChecksumIniName, failure.message());
        return Loaded::withoutChecksums;
    }
    return Loaded::whole;
}

// The identifier text must be the form the loader expects: when the loader's values,
// written back in that form, give the text again, nothing was guessed.
bool CheckDeviceId(const UpdateConfig& config, Findings& findings) {
    const std::string text =
        ReadProfileText(PackagePath(kFirmwareIniName), kIdSection, kIdKey, kWholeValueBufferSize).substr(0, kIdTextLength);
    const std::string expected = UsbDeviceId(config.vid, config.pid);
    if (_stricmp(text.c_str(), expected.c_str()) == 0) return true;
    findings.Error(kFirmwareIniName, std::string(kIdKey) + " " + Quoted(text) +
                                         " is not of the form USB\\VID_vvvv&PID_pppp (4 hexadecimal digits each); "
                                         "the program reads it as " + expected);
    return false;
}

// The dialog shows at most kShortTextLength characters of the product name and the version.
void CheckShownText(const char* key, const std::string& shown, const char* where, Findings& findings) {
    const std::string written =
        ReadProfileText(PackagePath(kFirmwareIniName), kSettingSection, key, kWholeValueBufferSize);
    if (written.size() <= kShortTextLength) return;
    findings.Warning(kFirmwareIniName, std::string(key) + " has " + std::to_string(written.size()) +
                                           " characters; " + where + " only " + Quoted(shown));
}

void CheckFilesPresent(const UpdateConfig& config, Findings& findings) {
    for (int i = 0; i < config.fileCount; ++i) {
        if (!IsReadableFile(PackagePath(config.fileNames[i])))
            findings.Error(config.fileNames[i], "listed in FirmWare.ini but missing from the package folder");
    }
}

// The program reads only the first bytes of checksum.ini: compare what it keeps with
// what the whole file says.
void CheckChecksumFileLength(const UpdateConfig& config, const std::string& text, Findings& findings) {
    if (text.size() <= kChecksumFileBytes) return;
    UpdateConfig whole;
    StoreChecksums(whole, text);
    const std::string length = std::to_string(text.size()) + " bytes long; the program reads only the first " +
                               std::to_string(kChecksumFileBytes);
    const int kept = std::min({config.checksumCount, whole.checksumCount, kChecksumSlots});
    for (int i = 0; i < kept; ++i) {
        if (config.checksums[i] != whole.checksums[i]) {
            findings.Error(kChecksumIniName, length + ", which cuts checksum " + std::to_string(i + 1) + " " +
                                                 Quoted(whole.checksums[i]) + " to " + Quoted(config.checksums[i]));
            return;
        }
    }
    const int lost = whole.checksumCount - config.checksumCount;
    if (lost > 0)
        findings.Error(kChecksumIniName, length + ", so it never reads the last " + Counted(lost, "checksum"));
}

void CheckLineEnds(const std::string& text, Findings& findings) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        if (at == 0 || text[at - 1] != '\r') {
            findings.Warning(kChecksumIniName, "has LF-only line ends; they are read correctly here, but write CR LF");
            break;
        }
    }
    if (!text.empty() && text.back() != '\n')
        findings.Warning(kChecksumIniName, "its last line has no line end; it is read correctly here, but end it with CR LF");
}

// The program compares a file without a checksum only with the package's own copy
// of it, which proves the copy but not the package.
void CheckChecksumCount(const UpdateConfig& config, Findings& findings) {
    const std::string counts = Counted(config.checksumCount, "checksum") + " for " + Counted(config.fileCount, "file");
    if (config.checksumCount > config.fileCount) {
        findings.Error(kChecksumIniName, counts + "; every update fails at checksum " +
                                             std::to_string(config.fileCount + 1) + ", which belongs to no file");
        return;
    }
    const int held = std::min(config.checksumCount, kChecksumSlots);
    if (held == config.fileCount) return;
    std::string unchecked;
    for (int i = held; i < config.fileCount; ++i) unchecked += (unchecked.empty() ? "" : ", ") + config.fileNames[i];
    const std::string slots = config.checksumCount > kChecksumSlots
                                  ? "; the program holds " + std::to_string(kChecksumSlots)
                                  : std::string();
    findings.Warning(kChecksumIniName, counts + slots + "; compared only with the package's own files, "
                                                        "without a checksum: " + unchecked);
}

// Compares each listed checksum with the checksum of its file in the package.
void CheckChecksumsMatch(const UpdateConfig& config, Findings& findings) {
    const int verified = std::min({config.checksumCount, config.fileCount, kChecksumSlots});
    for (int i = 0; i < verified; ++i) {
        std::string computed;
        if (ReadFileChecksum(PackagePath(config.fileNames[i]), computed) != ERROR_SUCCESS) continue;
        if (!ChecksumsMatch(computed, config.checksums[i]))
            findings.Error(config.fileNames[i], "checksum.ini line " + std::to_string(i + 1) + " expects " +
                                                    Quoted(config.checksums[i]) + ", the file's checksum is " +
                                                    Quoted(computed));
    }
}

void CheckChecksums(const UpdateConfig& config, Findings& findings) {
    const std::string text = ReadText(PackagePath(kChecksumIniName));
    CheckChecksumFileLength(config, text, findings);
    CheckLineEnds(text, findings);
    CheckChecksumCount(config, findings);
    CheckChecksumsMatch(config, findings);
}

// A byte outside ASCII in a file the programs read: the first is named by its line.
void CheckAscii(const char* file, Findings& findings) {
    const std::string text = ReadText(PackagePath(file));
    const std::size_t at = FindNonAscii(text);
    if (at == std::string::npos) return;
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    char byte[kByteTextSize];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[at]));
    findings.Warning(file, "line " + std::to_string(line) + " has the byte " + byte + ", which is outside ASCII; " +
                               kNonAsciiReason);
}

int VerifiedFileCount(const UpdateConfig& config, Loaded loaded) {
    if (loaded != Loaded::whole) return 0;
    return std::min({config.checksumCount, config.fileCount, kChecksumSlots});
}

void PrintSummary(const UpdateConfig& config, Loaded loaded, const std::optional<CameraId>& camera,
                  const Findings& findings) {
    const bool listed = loaded == Loaded::withoutChecksums || loaded == Loaded::whole;
    const std::string summary =
        Counted(listed ? config.fileCount : 0, "file") + ", " + std::to_string(VerifiedFileCount(config, loaded)) +
        " verified by a checksum; camera " + (camera ? UsbDeviceId(camera->vid, camera->pid) : "unknown") + "; " +
        Counted(findings.errors(), "error") + ", " + Counted(findings.warnings(), "warning");
    std::printf("summary: %s\n", summary.c_str());
}

}  // namespace

void CheckPackage(Findings& findings) {
    UpdateConfig config;
    const Loaded loaded = LoadPackage(config, findings);
    std::optional<CameraId> camera;
    if (loaded != Loaded::nothing) {
        if (CheckDeviceId(config, findings)) camera = CameraId{config.vid, config.pid};
        CheckShownText(kProductNameKey, config.productName, "the title and the dialog show", findings);
        CheckShownText(kVersionKey, config.firmwareVersion, "the dialog shows", findings);
    }
    if (loaded == Loaded::withoutChecksums || loaded == Loaded::whole) {
        CheckShortNames(config, findings);
        CheckNameClashes(config, findings);
        CheckFilesPresent(config, findings);
    }
    if (loaded == Loaded::whole) CheckChecksums(config, findings);
    CheckDetectIni(camera, findings);
    for (const char* file : {kFirmwareIniName, kChecksumIniName, kDetectIniName}) CheckAscii(file, findings);
    PrintSummary(config, loaded, camera, findings);
}
