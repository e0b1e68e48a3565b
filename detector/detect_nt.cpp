#include "detect_nt.h"

// The system headers define the interface class GUIDs here, for this library.
#include <initguid.h>
#include <ntddstor.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string_view>

#include "id_text.h"
#include "result_table.h"

namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
constexpr char kInformationSetFailedText[] = "Sorry,Failed to retrive information set!";
constexpr char kErrorCaption[] = "Error";

constexpr int kNarrowIdBufferSize = 255;      // 254 characters and the terminator
constexpr DWORD kDosBufferChars = 32767;

// Destroys a device information set however its enumeration ends.
class InfoSet {
public:
    InfoSet(const SetupApiNt& setup, HDEVINFO set) : setup_(setup), set_(set) {}
    ~InfoSet() { setup_.SetupDiDestroyDeviceInfoList(set_); }
    InfoSet(const InfoSet&) = delete;
    InfoSet& operator=(const InfoSet&) = delete;
    HDEVINFO get() const { return set_; }

private:
    const SetupApiNt& setup_;
    HDEVINFO set_;
};

// Reads the interface's device path and fills device with the interface's device.
// False when the detail cannot be read, which ends the class's enumeration.
bool ReadInterfaceDevicePath(const SetupApiNt& setup, HDEVINFO set,
                             SP_DEVICE_INTERFACE_DATA& interfaceData, SP_DEVINFO_DATA& device,
                             std::wstring& devicePath) {
    DWORD required = 0;
    setup.SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return false;
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!setup.SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr,
                                                &device)) {
        return false;
    }
    const std::size_t capacity =
        (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
    devicePath.assign(detail->DevicePath, wcsnlen(detail->DevicePath, capacity));
    return true;
}

// The parent ID in the ANSI code page, upper-cased. An ID too long for the buffer is
// refused rather than cut, so that no partial ID is parsed.
bool NarrowUpperId(const std::wstring& wideId, char (&narrow)[kNarrowIdBufferSize]) {
    if (wideId.empty()) return false;
    int written = Api().WideCharToMultiByte(CP_ACP, 0, wideId.c_str(), -1, narrow,
                                            kNarrowIdBufferSize, nullptr, nullptr);
    if (written <= 0) return false;
    narrow[kNarrowIdBufferSize - 1] = '\0';
    ToUpperAscii(narrow);
    return true;
}

// "E:" and "e:" both give 4; any other form of name gives no drive.
bool DriveIndexOfDosName(const std::wstring& name, std::int16_t& index) {
    if (name.size() != 2 || name[1] != L':') return false;
    const wchar_t letter = name[0];
    if (letter >= L'A' && letter <= L'Z') index = static_cast<std::int16_t>(letter - L'A');
    else if (letter >= L'a' && letter <= L'z') index = static_cast<std::int16_t>(letter - L'a');
    else return false;
    return true;
}

// True when the DOS name's current target is exactly physicalDeviceName.
bool DosNameTargets(const wchar_t* name, const std::wstring& physicalDeviceName, wchar_t* target) {
    DWORD length = Api().QueryDosDeviceW(name, target, kDosBufferChars);
    if (length == 0) return false;
    std::wstring_view first(target, wcsnlen(target, std::min(length, kDosBufferChars)));
    return first == physicalDeviceName;
}

// A volume lives on the disk when both answered and name the same storage device.
// Two failed queries do not make the same device, and a CD-ROM numbered like a disk
// is another device: a wrong link would hand an unrelated drive to the update.
bool LivesOn(const StorageInterface& volume, const StorageInterface& disk) {
    return volume.Device.known() && disk.Device.known() &&
           volume.Device.DeviceType == disk.Device.DeviceType &&
           volume.Device.DeviceNumber == disk.Device.DeviceNumber;
}

// Appends a record for every drive name of every volume linked to disk.
bool AppendLinkedDrives(const StorageInterface& disk, const std::vector<StorageInterface>& volumes,
                        const DeviceEntry& entry, std::vector<FoundDevice>& drives) {
    bool found = false;
    for (const StorageInterface& volume : volumes) {
        if (!LivesOn(volume, disk)) continue;
        for (const std::wstring& name : FindDosNames(volume.PhysicalDeviceName)) {
            std::int16_t index = 0;
            if (!DriveIndexOfDosName(name, index)) continue;
            drives.push_back(MakeFoundDevice(index, entry));
            found = true;
        }
    }
    return found;
}

// The first entry that yields a drive decides the disk's identifiers; an entry that
// matches without yielding one does not stop the later entries.
void MatchDisk(const StorageInterface& disk, const std::vector<StorageInterface>& volumes,
               std::uint32_t entryCount, const DeviceEntry* entries,
               std::vector<FoundDevice>& drives) {
    char narrow[kNarrowIdBufferSize] = {};
    UsbIdTexts texts;
    if (!NarrowUpperId(disk.ParentDeviceId, narrow) || !ParseUsbIdTexts(narrow, texts)) return;
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        if (UsbIdTextsMatch(texts, entries[i].VID, entries[i].PID) && AppendLinkedDrives(disk, volumes, entries[i], drives)) {
            return;
        }
    }
}

}  // namespace

std::vector<StorageInterface> EnumerateStorageInterfaces(const SetupApiNt& setup,
                                                         const GUID& interfaceClass) {
    std::vector<StorageInterface> list;
    HDEVINFO handle = setup.SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr, kPresentInterfaces);
    if (handle == INVALID_HANDLE_VALUE) {
        Api().MessageBoxA(nullptr, kInformationSetFailedText, kErrorCaption, MB_OK | MB_ICONERROR);
        return list;
    }
    InfoSet set(setup, handle);
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0;
         setup.SetupDiEnumDeviceInterfaces(set.get(), nullptr, &interfaceClass, index, &interfaceData);
         ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        StorageInterface item;
        if (!ReadInterfaceDevicePath(setup, set.get(), interfaceData, device, item.DevicePath)) break;
        item.PhysicalDeviceName =
            ReadDeviceTextProperty(setup, set.get(), device, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
        item.ParentDeviceId = GetParentDeviceId(setup, device.DevInst);
        item.Device = QueryStorageDeviceNumber(item.DevicePath);
        list.push_back(std::move(item));
    }
    return list;
}

std::wstring ReadDeviceTextProperty(const SetupApiNt& setup, HDEVINFO set,
                                    SP_DEVINFO_DATA& device, DWORD property) {
    DWORD required = 0;
    setup.SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, nullptr, 0, &required);
    if (required == 0) return {};
    std::vector<wchar_t> text((required + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');
    if (!setup.SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                                 reinterpret_cast<BYTE*>(text.data()), required,
                                                 nullptr)) {
        return {};
    }
    return std::wstring(text.data(), wcsnlen(text.data(), text.size()));
}

std::wstring GetParentDeviceId(const SetupApiNt& setup, DEVINST device) {
    DEVINST parent = 0;
    if (setup.CM_Get_Parent(&parent, device, 0) != CR_SUCCESS) return {};
    ULONG length = 0;
    if (setup.CM_Get_Device_ID_Size(&length, parent, 0) != CR_SUCCESS) return {};
    std::vector<wchar_t> id(length + 1, L'\0');  // the last one stays the terminator
    if (setup.CM_Get_Device_IDW(parent, id.data(), length, 0) != CR_SUCCESS) return {};
    return std::wstring(id.data(), wcsnlen(id.data(), length));
}

// The storage device-number request, not the disk performance request: the performance
// answer numbers disks and volumes each in their own series (a volume answers its volume
// number, not its disk's), so equal numbers there do not mean the same device; and it
// switches on performance counting in the drivers, which nothing would switch off. A
// volume on a basic disk answers this request with the number of its disk.
StorageDeviceNumber QueryStorageDeviceNumber(const std::wstring& devicePath) {
    // Access 0: the handle serves only for the query, so no read or write right is asked.
    HANDLE device = Api().CreateFileW(devicePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    StorageDeviceNumber result;
    if (device == INVALID_HANDLE_VALUE) return result;
    STORAGE_DEVICE_NUMBER answer{};
    DWORD returned = 0;
    // An answer too short to hold the whole record leaves the device unknown.
    if (Api().DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &answer,
                              sizeof answer, &returned, nullptr) &&
        returned >= sizeof answer) {
        result.DeviceType = answer.DeviceType;
        result.DeviceNumber = static_cast<std::int32_t>(answer.DeviceNumber);
    }
    Api().CloseHandle(device);
    return result;
}

std::vector<std::wstring> FindDosNames(const std::wstring& physicalDeviceName) {
    std::vector<std::wstring> names;
    if (physicalDeviceName.empty()) return names;  // an unreadable name matches no target
    std::unique_ptr<wchar_t[]> list(new wchar_t[kDosBufferChars]);
    std::unique_ptr<wchar_t[]> target(new wchar_t[kDosBufferChars]);
    const DWORD length = std::min(Api().QueryDosDeviceW(nullptr, list.get(), kDosBufferChars),
                                  kDosBufferChars);
    // Names are taken only with their terminator inside the answered length.
    for (DWORD position = 0; position < length && list[position] != L'\0';) {
        const wchar_t* name = list.get() + position;
        const std::size_t nameLength = wcsnlen(name, length - position);
        if (position + nameLength >= length) break;
        position += static_cast<DWORD>(nameLength) + 1;
        if (DosNameTargets(name, physicalDeviceName, target.get())) names.emplace_back(name, nameLength);
    }
    return names;
}

FoundDevice* DetectDrivesNt(std::int32_t* count, std::uint32_t entryCount,
                            const DeviceEntry* entries) {
    std::vector<FoundDevice> drives;
    // Without SetupAPI nothing can be listed: nothing is found, and no message is shown.
    if (const SetupApiNt* setup = Api().BindSetupApiNt()) {
        const std::vector<StorageInterface> disks = EnumerateStorageInterfaces(*setup, GUID_DEVINTERFACE_DISK);
        const std::vector<StorageInterface> volumes =
            EnumerateStorageInterfaces(*setup, GUID_DEVINTERFACE_VOLUME);
        for (const StorageInterface& disk : disks) MatchDisk(disk, volumes, entryCount, entries, drives);
    }
    ReleaseCurrentTable();
    *count = 0;
    if (drives.empty()) return nullptr;
    std::reverse(drives.begin(), drives.end());  // the drive found last stands first
    FoundDevice* table = InstallCurrentTable(drives);
    if (table) *count = static_cast<std::int32_t>(drives.size());
    return table;
}
