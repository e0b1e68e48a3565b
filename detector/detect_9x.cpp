#include "detect_9x.h"

#include <vector>

#include "id_text.h"
#include "result_table.h"
#include "system_api.h"

namespace {

const GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
constexpr DWORD kHardwareIdCapacity = 255;
constexpr DWORD kInstanceNameCapacity = 255;  // 254 characters and the terminator
// Room for every letter A-Z and the terminator: the first letter is the drive's.
constexpr DWORD kDriveLetterValueSize = 27;
constexpr char kScsiEnumKey[] = "Enum\\SCSI";
constexpr char kDriveLetterValue[] = "CurrentDriveLetterAssignment";

// The first hardware ID of the device, upper-cased; false when it cannot be read.
bool ReadFirstHardwareId(const SetupApi9x& setup, HDEVINFO set, SP_DEVINFO_DATA& device,
                         char (&id)[kHardwareIdCapacity + 1]) {
    // One byte beyond the capacity stays zero, so a full buffer is still terminated.
    if (!setup.SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                 reinterpret_cast<BYTE*>(id), kHardwareIdCapacity,
                                                 nullptr)) {
        return false;
    }
    ToUpperAscii(id);
    return true;
}

bool AnyDeviceCarries(const SetupApi9x& setup, HDEVINFO set, const DeviceEntry& entry) {
    const std::string pidText = UpperHex(entry.PID);
    const std::string vidText = UpperHex(entry.VID);
    char id[kHardwareIdCapacity + 1] = {};
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; setup.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        if (ReadFirstHardwareId(setup, set, device, id) && Contains(id, pidText) &&
            Contains(id, vidText)) {
            return true;
        }
    }
    return false;
}

// The first byte of the instance's drive letter value, or false when the instance
// has none (no value, an empty one, or a key that cannot be opened): such an
// instance names no drive and yields no record.
bool ReadDriveLetter(HKEY deviceKey, const char* instanceName, char& letter) {
    HKEY instanceKey = nullptr;
    if (Api().RegOpenKeyExA(deviceKey, instanceName, 0, KEY_READ, &instanceKey) != ERROR_SUCCESS) {
        return false;
    }
    char value[kDriveLetterValueSize] = {};
    DWORD type = REG_SZ;
    DWORD size = kDriveLetterValueSize;
    LONG status = Api().RegQueryValueExA(instanceKey, kDriveLetterValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    Api().RegCloseKey(instanceKey);
    letter = value[0];
    return status == ERROR_SUCCESS && letter != '\0';
}

// Letters are taken as stored, without case folding: a lower-case f gives 37.
std::int16_t DriveIndexOfLetter(char letter) {
    return static_cast<std::int16_t>(static_cast<signed char>(letter) - 'A');
}

void AppendInstanceDrives(HKEY deviceKey, const DeviceEntry& entry,
                          std::vector<FoundDevice>& records) {
    for (DWORD index = 0;; ++index) {
        char name[kInstanceNameCapacity] = {};
        DWORD length = kInstanceNameCapacity;
        FILETIME written{};
        if (Api().RegEnumKeyExA(deviceKey, index, name, &length, nullptr, nullptr, nullptr,
                                &written) != ERROR_SUCCESS) {
            return;
        }
        char letter = '\0';
        if (ReadDriveLetter(deviceKey, name, letter)) {
            records.push_back(MakeFoundDevice(DriveIndexOfLetter(letter), entry));
        }
    }
}

// False when an attached entry's device key cannot be opened: the query is abandoned.
bool CollectAttachedDrives(HKEY scsiKey, std::uint32_t entryCount, const DeviceEntry* entries,
                           std::vector<FoundDevice>& records) {
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        if (!IsUsbDevicePresent(entries[i])) continue;
        HKEY deviceKey = nullptr;
        if (Api().RegOpenKeyExA(scsiKey, entries[i].SubKey98, 0, KEY_READ, &deviceKey) != ERROR_SUCCESS) {
            return false;
        }
        AppendInstanceDrives(deviceKey, entries[i], records);
        Api().RegCloseKey(deviceKey);
    }
    return true;
}

}  // namespace

bool IsUsbDevicePresent(const DeviceEntry& entry) {
    // Without SetupAPI no device can be shown to be attached.
    const SetupApi9x* setup = Api().BindSetupApi9x();
    if (!setup) return false;
    HDEVINFO set = setup->SetupDiGetClassDevsA(&kUsbDeviceInterfaceClass, nullptr, nullptr,
                                               kPresentInterfaces);
    if (set == INVALID_HANDLE_VALUE) return false;
    const bool present = AnyDeviceCarries(*setup, set, entry);
    setup->SetupDiDestroyDeviceInfoList(set);
    return present;
}

FoundDevice* DetectDrives9x(std::int32_t* count, std::uint32_t entryCount,
                            const DeviceEntry* entries) {
    *count = 0;
    ReleaseCurrentTable();
    std::vector<FoundDevice> records;
    HKEY scsiKey = nullptr;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScsiEnumKey, 0, KEY_READ, &scsiKey) == ERROR_SUCCESS) {
        const bool complete = CollectAttachedDrives(scsiKey, entryCount, entries, records);
        Api().RegCloseKey(scsiKey);
        if (!complete) return nullptr;
    }
    FoundDevice* table = InstallCurrentTable(records);
    if (table) *count = static_cast<std::int32_t>(records.size());
    return table;
}
