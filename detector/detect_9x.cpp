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
// A longer value does not fit; the query then fails and the instance yields no record.
constexpr DWORD kDriveLetterValueSize = 27;
constexpr char kScsiEnumKey[] = "Enum\\SCSI";
constexpr char kDriveLetterValue[] = "CurrentDriveLetterAssignment";

// An open registry key, closed when it goes out of scope, so that no key stays
// open when the walk ends early (an abandoned query, a failed allocation).
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) Api().RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool Open(HKEY parent, const char* name) {
        return Api().RegOpenKeyExA(parent, name, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

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
    char id[kHardwareIdCapacity + 1] = {};
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; setup.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        if (ReadFirstHardwareId(setup, set, device, id) && HardwareIdCarries(id, entry.VID, entry.PID)) {
            return true;
        }
    }
    return false;
}

// The first byte of the instance's drive letter value, or false when the instance
// has none (no value, an empty one, or a key that cannot be opened): such an
// instance names no drive and yields no record.
bool ReadDriveLetter(HKEY deviceKey, const char* instanceName, char& letter) {
    char value[kDriveLetterValueSize] = {};
    {
        OpenKey instanceKey;
        if (!instanceKey.Open(deviceKey, instanceName)) return false;
        DWORD type = REG_SZ;
        DWORD size = kDriveLetterValueSize;
        if (Api().RegQueryValueExA(instanceKey.get(), kDriveLetterValue, nullptr, &type,
                                   reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
            return false;
        }
    }
    letter = value[0];
    return letter != '\0';
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
        OpenKey deviceKey;
        if (!deviceKey.Open(scsiKey, entries[i].SubKey98)) return false;
        AppendInstanceDrives(deviceKey.get(), entries[i], records);
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
    {
        OpenKey scsiKey;
        if (scsiKey.Open(HKEY_LOCAL_MACHINE, kScsiEnumKey) &&
            !CollectAttachedDrives(scsiKey.get(), entryCount, entries, records)) {
            return nullptr;
        }
    }
    FoundDevice* table = InstallCurrentTable(records);
    if (table) *count = static_cast<std::int32_t>(records.size());
    return table;
}
