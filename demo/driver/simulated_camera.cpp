#include "simulated_camera.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "device_table.h"

namespace {

const char kInstance[] = "DEMO0001";
const char kUsbDeviceClass[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const char kDiskDriveClass[] = "{36fc9e60-c465-11cf-8056-444553540000}";
const char kDeviceClasses[] = "System\\CurrentControlSet\\Control\\DeviceClasses\\";
const char kUsbEnum[] = "System\\CurrentControlSet\\Enum\\USB\\";
const char kScsiEnum[] = "Enum\\SCSI\\";
constexpr DWORD kTextSize = 260;

// The camera is the first device of Detect.ini, read under the names the detector reads.
constexpr char kCameraSection[] = "Device1";

std::string DetectIniValue(const char* key) {
    char value[kTextSize] = {};
    char path[MAX_PATH] = {};
    GetFullPathNameA(kDetectIniName, MAX_PATH, path, nullptr);
    GetPrivateProfileStringA(kCameraSection, key, "", value, kTextSize, path);
    return value;
}

bool SetValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool set = RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return set;
}

bool SetText(const std::string& key, const char* name, const std::string& text) {
    return SetValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// A missing key counts as deleted.
bool DeleteKey(const std::string& key) {
    const DWORD result = SHDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

SimulatedCamera::SimulatedCamera(char driveLetter)
    : vid_(DetectIniValue(kVidKey)), pid_(DetectIniValue(kPidKey)), scsiModel_(DetectIniValue(kSubKey98Key)),
      driveLetter_(driveLetter) {}

std::string SimulatedCamera::UsbId() const { return "VID_" + vid_ + "&PID_" + pid_; }

std::string SimulatedCamera::InterfaceKey() const {
    return std::string(kDeviceClasses) + kUsbDeviceClass + "\\##?#USB#" + UsbId() + "#" + kInstance + "#" +
           kUsbDeviceClass;
}

std::string SimulatedCamera::ScsiModelKey() const { return kScsiEnum + scsiModel_; }

std::string SimulatedCamera::UsbDeviceName() const { return "USB\\" + UsbId(); }

std::string SimulatedCamera::ScsiInstanceName() const {
    return "HKLM\\" + ScsiModelKey() + "\\" + kInstance;
}

// The entries Wine's SetupAPI reads for a present device of the USB device interface
// class, and the 95/98/ME enumeration key with the drive letter.
bool SimulatedCamera::Attach() const {
    if (vid_.empty() || pid_.empty() || scsiModel_.empty()) return false;
    const std::string id = UsbId();
    const std::string interfaceKey = InterfaceKey();
    const std::string deviceKey = kUsbEnum + id + "\\" + kInstance;
    const DWORD linked = 1;
    std::vector<char> hardwareIds;
    for (const std::string& hardwareId : {"USB\\" + id + "&REV_0100", "USB\\" + id}) {
        hardwareIds.insert(hardwareIds.end(), hardwareId.begin(), hardwareId.end());
        hardwareIds.push_back('\0');
    }
    hardwareIds.push_back('\0');
    const std::string letter(1, driveLetter_);
    return SetText(interfaceKey, "DeviceInstance", "USB\\" + id + "\\" + kInstance) &&
           SetText(interfaceKey + "\\#", "SymbolicLink",
                   "\\\\?\\USB#" + id + "#" + kInstance + "#" + kUsbDeviceClass) &&
           SetValue(interfaceKey + "\\#\\Control", "Linked", REG_DWORD, &linked, sizeof linked) &&
           SetText(deviceKey, "ClassGUID", kDiskDriveClass) &&
           SetValue(deviceKey, "HardwareID", REG_MULTI_SZ, hardwareIds.data(),
                    static_cast<DWORD>(hardwareIds.size())) &&
           SetText(ScsiModelKey() + "\\" + kInstance, "CurrentDriveLetterAssignment", letter);
}

bool SimulatedCamera::Detach() const {
    return DeleteKey(InterfaceKey()) && DeleteKey(kUsbEnum + UsbId()) && DeleteKey(ScsiModelKey());
}
