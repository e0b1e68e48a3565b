#include "detect_ini_check.h"

#include <windows.h>

#include <string>
#include <vector>

#include "device_table.h"
#include "id_text.h"
#include "package_folder.h"
#include "usb_device_id.h"

namespace {

constexpr std::uint32_t kIdentifierValues = 0x10000;
constexpr DWORD kSectionProbeSize = 16;  // enough to tell an empty section from one with keys

// One detection path of the detector: the form of the ID it tests, and its test.
struct DetectionPath {
    const char* system;
    const char* idSuffix;  // what follows USB\VID_vvvv&PID_pppp in the tested ID
    bool (*takes)(const char* id, const DeviceEntry& entry);
};

bool NtTakes(const char* parentId, const DeviceEntry& entry) {
    UsbIdTexts texts;
    return ParseUsbIdTexts(parentId, texts) && UsbIdTextsMatch(texts, entry.VID, entry.PID);
}

bool Win9xTakes(const char* hardwareId, const DeviceEntry& entry) {
    return HardwareIdCarries(hardwareId, entry.VID, entry.PID);
}

// The NT path tests a USB disk's parent ID, which ends in the serial number; the
// 95/98/ME path the whole first hardware ID, which ends in the revision.
const DetectionPath kPaths[] = {
    {"Windows NT", "\\0001", NtTakes},
    {"Windows 95/98/ME", "&REV_0100", Win9xTakes},
};

enum class Varied { vid, pid };

// The IDs of other devices that a path takes for the entry's device, among those
// that differ from it in the varied identifier only: how many, and the first.
struct Matches {
    int count = 0;
    std::string example;
};

Matches OtherDevicesTaken(const DeviceEntry& entry, Varied varied, const DetectionPath& path) {
    const std::uint16_t own = varied == Varied::vid ? entry.VID : entry.PID;
    Matches matches;
    for (std::uint32_t other = 0; other < kIdentifierValues; ++other) {
        const auto value = static_cast<std::uint16_t>(other);
        if (value == own) continue;
        const std::string id = (varied == Varied::vid ? UsbDeviceId(value, entry.PID) : UsbDeviceId(entry.VID, value)) +
                               path.idSuffix;
        if (!path.takes(id.c_str(), entry)) continue;
        if (matches.count++ == 0) matches.example = id;
    }
    return matches;
}

// Warns when the detector's substring tests find the entry's identifier text in the
// IDs of other devices too: a text of fewer than 4 digits, 0, or one that occurs in
// the fixed parts of IDs.
void CheckSubstringTrap(const std::string& section, const DeviceEntry& entry, Varied varied, Findings& findings) {
    const char* name = varied == Varied::vid ? kVidKey : kPidKey;
    std::string found;
    for (const DetectionPath& path : kPaths) {
        const Matches matches = OtherDevicesTaken(entry, varied, path);
        if (matches.count == 0) continue;
        found += std::string(found.empty() ? "" : "; ") + "on " + path.system + " " + std::to_string(matches.count) +
                 " other " + name + "s, such as " + matches.example;
    }
    if (found.empty()) return;
    const std::uint16_t value = varied == Varied::vid ? entry.VID : entry.PID;
    findings.Warning(kDetectIniName, "[" + section + "] " + name + " " + FourHexDigits(value) +
                                         " is tested as the text \"" + UpperHex(value) +
                                         "\", which the detector also finds in the IDs of other devices: " + found +
                                         "; it can take such a device's drive for the camera");
}

bool SectionExists(const std::string& section, const std::string& path) {
    char probe[kSectionProbeSize] = {};
    return GetPrivateProfileSectionA(section.c_str(), probe, sizeof probe, path.c_str()) > 0;
}

void CheckCameraEntry(const std::vector<DeviceEntry>& entries, const CameraId& camera, Findings& findings) {
    bool found = false;
    for (std::uint32_t n = 0; n < entries.size(); ++n) {
        if (entries[n].VID != camera.vid || entries[n].PID != camera.pid) continue;
        found = true;
        if (entries[n].SubKey98[0] == '\0')
            findings.Warning(kDetectIniName, "[" + DeviceSectionName(n + 1) + "], the camera's entry, has no " +
                                                 kSubKey98Key + ": Windows 95/98/ME never find the camera");
    }
    if (!found)
        findings.Error(kDetectIniName, std::string("no entry has ") + kVidKey + " " + FourHexDigits(camera.vid) +
                                           " and " + kPidKey + " " + FourHexDigits(camera.pid) +
                                           ", the camera's identifiers in FirmWare.ini: the program never finds the camera");
}

}  // namespace

void CheckDetectIni(const std::optional<CameraId>& camera, Findings& findings) {
    const std::string path = PackagePath(kDetectIniName);
    if (!Exists(path)) {
        findings.Error(kDetectIniName, "missing from the package folder: the detector knows no device, so the "
                                       "program never finds the camera");
        return;
    }
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    for (std::uint32_t n = 0; n < entries.size(); ++n) {
        const std::string section = DeviceSectionName(n + 1);
        if (!SectionExists(section, path))
            findings.Warning(kDetectIniName, std::string(kCountKey) + " is " + std::to_string(entries.size()) +
                                                 " but section [" + section + "] is missing or empty");
        CheckSubstringTrap(section, entries[n], Varied::vid, findings);
        CheckSubstringTrap(section, entries[n], Varied::pid, findings);
    }
    if (camera) CheckCameraEntry(entries, *camera, findings);
}
