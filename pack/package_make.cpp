#include "package_make.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ascii_text.h"
#include "file_checksum.h"
#include "device_table.h"
#include "package_files.h"
#include "package_folder.h"
#include "staged_name.h"
#include "update_config.h"
#include "usb_device_id.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
// A 32-bit sum is at most 8 hexadecimal digits: the checksums written for the files
// the program verifies always fit in the part of checksum.ini it reads.
constexpr std::size_t kMaxChecksumLineLength = 8 + sizeof kLineEnd - 1;
static_assert(kChecksumSlots * kMaxChecksumLineLength <= kChecksumFileBytes, "written checksums are read whole");

const char* const kDescriptionFiles[] = {kFirmwareIniName, kChecksumIniName, kDetectIniName};

bool IsDescriptionFile(const std::string& name) {
    return std::any_of(std::begin(kDescriptionFiles), std::end(kDescriptionFiles),
                       [&](const char* file) { return _stricmp(name.c_str(), file) == 0; });
}

// Each reason the program could not install the package, or the files could not be written, is one error.
bool CheckRequest(const PackageRequest& request, Findings& findings) {
    const int before = findings.errors();
    if (request.fileNames.size() > static_cast<std::size_t>(kFileNameSlots))
        findings.Error(kFirmwareIniName, std::to_string(request.fileNames.size()) +
                                             " files; the program installs at most " + std::to_string(kFileNameSlots));
    for (std::size_t i = 0; i < request.fileNames.size(); ++i) {
        const std::string& name = request.fileNames[i];
        const NameClash clash = FindNameClash(request.fileNames, i);
        if (name.size() > kFileNameLength)
            findings.Error(name, "the name has " + std::to_string(name.size()) + " characters; the program reads at most " +
                                     std::to_string(kFileNameLength));
        else if (IsDeviceName(name))
            findings.Error(name, "names a device on Windows, not a file");
        else if (!IsPlainFileName(name))
            findings.Error(name, "give the name of a file in the package folder, without a folder");
        else if (clash != NameClash::none)
            findings.Error(name, NameClashFinding(clash));
        else if (IsDescriptionFile(name))
            findings.Error(name, "is a description file of the package, not a firmware file");
        else if (FindNonAscii(name) != std::string::npos)
            findings.Error(name, std::string("has characters outside ASCII and would be named so in FirmWare.ini; ") +
                                     kNonAsciiReason);
        else if (!IsReadableFile(PackagePath(name)))
            findings.Error(name, "no such file in the package folder");
    }
    for (const char* file : {kFirmwareIniName, kChecksumIniName}) {
        if (!request.force && Exists(PackagePath(file)))
            findings.Error(file, "exists; give --force to overwrite it");
    }
    return findings.errors() == before;
}

// The checksums of the files the program verifies: the first kChecksumSlots.
bool ComputeChecksums(const PackageRequest& request, std::vector<std::string>& checksums, Findings& findings) {
    const std::size_t verified = std::min(request.fileNames.size(), static_cast<std::size_t>(kChecksumSlots));
    for (std::size_t i = 0; i < verified; ++i) {
        std::string checksum;
        if (ReadFileChecksum(PackagePath(request.fileNames[i]), checksum) != ERROR_SUCCESS) {
            findings.Error(request.fileNames[i], "cannot be read");
            return false;
        }
        checksums.push_back(checksum);
    }
    return true;
}

std::string Line(const std::string& key, const std::string& value) { return key + "=" + value + kLineEnd; }

std::string Section(const std::string& name) { return "[" + name + "]" + kLineEnd; }

std::string FirmwareIniText(const PackageRequest& request) {
    std::string text = Section(kIdSection) + Line(kIdKey, UsbDeviceId(request.vid, request.pid)) + kLineEnd +
                       Section(kSettingSection) + Line(kProductNameKey, request.productName) +
                       Line(kVersionKey, request.firmwareVersion) +
                       Line(kFileCountKey, std::to_string(request.fileNames.size()));
    for (std::size_t i = 0; i < request.fileNames.size(); ++i)
        text += Line(FileNameKey(static_cast<int>(i)), request.fileNames[i]);
    return text;
}

std::string ChecksumIniText(const std::vector<std::string>& checksums) {
    std::string text;
    for (const std::string& checksum : checksums) text += checksum + kLineEnd;
    return text;
}

// One entry, for the camera. Its SubKey98 depends on how Windows 95/98/ME name the
// camera's disk, which only the camera tells; the check warns that it is missing.
std::string DetectIniText(const PackageRequest& request) {
    return Section(kCountSection) + Line(kCountKey, "1") + kLineEnd + Section(DeviceSectionName(1)) +
           Line(kDeviceNameKey, request.productName) + Line(kVidKey, FourHexDigits(request.vid)) +
           Line(kPidKey, FourHexDigits(request.pid));
}

bool WriteFile(const char* name, const std::string& text, Findings& findings) {
    std::FILE* file = std::fopen(PackagePath(name).c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) findings.Error(name, "cannot be written");
    return written;
}

}  // namespace

bool MakePackage(const PackageRequest& request, Findings& findings) {
    std::vector<std::string> checksums;
    if (!CheckRequest(request, findings) || !ComputeChecksums(request, checksums, findings)) {
        std::printf("nothing written\n");
        return false;
    }
    const bool addDetectIni = !Exists(PackagePath(kDetectIniName));
    if (!WriteFile(kFirmwareIniName, FirmwareIniText(request), findings) ||
        !WriteFile(kChecksumIniName, ChecksumIniText(checksums), findings) ||
        (addDetectIni && !WriteFile(kDetectIniName, DetectIniText(request), findings)))
        return false;
    std::printf("wrote %s, %s%s\n", kFirmwareIniName, kChecksumIniName,
                addDetectIni ? (std::string(" and ") + kDetectIniName).c_str() : "");
    return true;
}
