#include "simulated_system.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const GUID kDiskClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const GUID kVolumeClass = {0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const GUID kUsbDeviceClass = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

// Set handles and device instances name a class and a member index.
enum SetKind : std::uintptr_t { kDiskSet = 1, kVolumeSet = 2, kUsbSet = 3 };
constexpr DEVINST kClassShift = 24;
constexpr DEVINST kParentFlag = 0x800000;
constexpr DEVINST kIndexMask = 0x7FFFFF;

SimulatedSystem* sim = nullptr;
std::size_t dosCursor = 0;  // names are mostly asked for in list order

SetKind KindOf(HDEVINFO set) { return static_cast<SetKind>(reinterpret_cast<std::uintptr_t>(set)); }

std::vector<SimulatedInterface>& ListOf(SetKind kind) {
    return kind == kDiskSet ? sim->disks : sim->volumes;
}

SimulatedInterface* InterfaceOf(DEVINST instance) {
    auto& list = ListOf(static_cast<SetKind>(instance >> kClassShift));
    const DEVINST index = instance & kIndexMask;
    return index < list.size() ? &list[index] : nullptr;
}

HDEVINFO OpenSet(SetKind kind, bool fails) {
    if (fails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    ++sim->openSets;
    return reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(kind));
}

HDEVINFO WINAPI GetClassDevsW(const GUID* cls, PCWSTR, HWND, DWORD flags) {
    if (flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) return INVALID_HANDLE_VALUE;
    if (IsEqualGUID(*cls, kDiskClass)) {
        if (sim->allocationFails) throw std::bad_alloc();
        return OpenSet(kDiskSet, sim->diskSetFails);
    }
    if (IsEqualGUID(*cls, kVolumeClass)) return OpenSet(kVolumeSet, sim->volumeSetFails);
    return INVALID_HANDLE_VALUE;
}

HDEVINFO WINAPI GetClassDevsA(const GUID* cls, PCSTR, HWND, DWORD flags) {
    if (flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE) || !IsEqualGUID(*cls, kUsbDeviceClass)) {
        return INVALID_HANDLE_VALUE;
    }
    return OpenSet(kUsbSet, sim->usbSetFails);
}

BOOL WINAPI DestroyDeviceInfoList(HDEVINFO) {
    --sim->openSets;
    return TRUE;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI EnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                 PSP_DEVICE_INTERFACE_DATA data) {
    if (index >= ListOf(KindOf(set)).size()) return Fail(ERROR_NO_MORE_ITEMS);
    if (data->cbSize != sizeof *data) return Fail(ERROR_INVALID_USER_BUFFER);
    data->Reserved = index;
    return TRUE;
}

BOOL WINAPI GetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                      PDWORD required, PSP_DEVINFO_DATA device) {
    const DWORD index = static_cast<DWORD>(data->Reserved);
    const SimulatedInterface& item = ListOf(KindOf(set))[index];
    const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                         static_cast<DWORD>((item.devicePath.size() + 1) * sizeof(WCHAR));
    if (required) *required = needed;
    if (!detail || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (detail->cbSize != sizeof *detail) return Fail(ERROR_INVALID_USER_BUFFER);
    if (KindOf(set) == kDiskSet && static_cast<int>(index) == sim->diskDetailFailsAt) {
        return Fail(ERROR_INVALID_DATA);
    }
    std::memcpy(detail->DevicePath, item.devicePath.c_str(), (item.devicePath.size() + 1) * sizeof(WCHAR));
    if (device) device->DevInst = (static_cast<DEVINST>(KindOf(set)) << kClassShift) | index;
    return TRUE;
}

BOOL WINAPI GetDeviceRegistryPropertyW(HDEVINFO, PSP_DEVINFO_DATA device, DWORD property, PDWORD,
                                       PBYTE buffer, DWORD size, PDWORD required) {
    const SimulatedInterface* item = InterfaceOf(device->DevInst);
    if (property != SPDRP_PHYSICAL_DEVICE_OBJECT_NAME || !item || item->physicalName.empty()) {
        return Fail(ERROR_INVALID_DATA);
    }
    const DWORD needed = static_cast<DWORD>((item->physicalName.size() + 1) * sizeof(WCHAR));
    if (required) *required = needed;
    if (!buffer || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, item->physicalName.c_str(), needed);
    return TRUE;
}

CONFIGRET WINAPI GetParent(PDEVINST parent, DEVINST instance, ULONG) {
    const SimulatedInterface* item = InterfaceOf(instance);
    if (!item || item->parentId.empty()) return CR_NO_SUCH_DEVNODE;
    *parent = instance | kParentFlag;
    return CR_SUCCESS;
}

CONFIGRET WINAPI GetDeviceIdSize(PULONG length, DEVINST parent, ULONG) {
    if (!(parent & kParentFlag)) return CR_INVALID_DEVNODE;
    *length = static_cast<ULONG>(InterfaceOf(parent & ~kParentFlag)->parentId.size());
    return CR_SUCCESS;
}

// Like Windows: the terminator is written only when the buffer has room for it.
CONFIGRET WINAPI GetDeviceIdW(DEVINST parent, PWCHAR buffer, ULONG length, ULONG) {
    if (!(parent & kParentFlag)) return CR_INVALID_DEVNODE;
    const std::wstring& id = InterfaceOf(parent & ~kParentFlag)->parentId;
    if (length < id.size()) return CR_BUFFER_SMALL;
    std::copy(id.begin(), id.end(), buffer);
    if (length > id.size()) buffer[id.size()] = L'\0';
    return CR_SUCCESS;
}

const SimulatedInterface* InterfaceAtPath(LPCWSTR path) {
    for (auto* list : {&sim->disks, &sim->volumes}) {
        for (const auto& item : *list) {
            if (item.devicePath == path) return &item;
        }
    }
    return nullptr;
}

// The fixed arguments the detection passes; any other value fails, so a test that
// expects a drive notices a changed argument.
constexpr DWORD kQueryOnlyAccess = 0;
constexpr DWORD kSharedReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kDosBufferChars = 32767;
constexpr DWORD kHardwareIdCapacity = 255;

HANDLE WINAPI OpenDevice(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                         HANDLE) {
    const SimulatedInterface* item = InterfaceAtPath(path);
    if (!item || !item->opens || access != kQueryOnlyAccess || share != kSharedReadWrite) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ++sim->openHandles;
    return const_cast<SimulatedInterface*>(item);
}

// Answers only the device-number request.
BOOL WINAPI DeviceControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize,
                          LPDWORD returned, LPOVERLAPPED) {
    const auto* item = static_cast<const SimulatedInterface*>(device);
    if (code != IOCTL_STORAGE_GET_DEVICE_NUMBER || !item->answers) return Fail(ERROR_INVALID_FUNCTION);
    if (outSize < sizeof(STORAGE_DEVICE_NUMBER)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    STORAGE_DEVICE_NUMBER number{};
    number.DeviceType = item->deviceType;
    number.DeviceNumber = static_cast<DWORD>(item->deviceNumber);
    std::memcpy(out, &number, sizeof number);
    *returned = sizeof number;
    return TRUE;
}

BOOL WINAPI CloseDevice(HANDLE) {
    --sim->openHandles;
    return TRUE;
}

// Copies text and a second terminator, as a list or a target comes back.
DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD max) {
    if (text.size() + 2 > max) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = buffer[text.size() + 1] = L'\0';
    return static_cast<DWORD>(text.size() + 2);
}

const SimulatedDosName* FindDosName(LPCWSTR name) {
    const auto& names = sim->dosNames;
    for (std::size_t step = 0; step < names.size(); ++step) {
        const std::size_t i = (dosCursor + step) % names.size();
        if (names[i].name == name) {
            dosCursor = i + 1;
            return &names[i];
        }
    }
    return nullptr;
}

// The list is NUL-separated and ends in a double NUL; a name's target ends the same way.
DWORD WINAPI QueryDosDevice(LPCWSTR name, LPWSTR buffer, DWORD max) {
    if (max != kDosBufferChars) return Fail(ERROR_INVALID_PARAMETER);
    if (!name) {
        ++sim->dosListQueries;
        std::wstring list;
        for (const auto& entry : sim->dosNames) {
            list += entry.name;
            list += L'\0';
        }
        if (!list.empty()) list.pop_back();
        return CopyOut(list, buffer, max);
    }
    const SimulatedDosName* found = FindDosName(name);
    if (!found || !found->readable) return Fail(ERROR_FILE_NOT_FOUND);
    return CopyOut(found->target, buffer, max);
}

int WINAPI ShowMessage(HWND, LPCSTR text, LPCSTR caption, UINT style) {
    sim->messageBoxes.push_back({text, caption, style});
    return IDOK;
}

DWORD WINAPI Version() { return sim->version ? *sim->version : RealSystemApi().GetVersion(); }

BOOL WINAPI EnumDeviceInfo(HDEVINFO, DWORD index, PSP_DEVINFO_DATA device) {
    if (index >= sim->usbDevices.size()) return Fail(ERROR_NO_MORE_ITEMS);
    if (device->cbSize != sizeof *device) return Fail(ERROR_INVALID_USER_BUFFER);
    device->DevInst = index;
    return TRUE;
}

BOOL WINAPI GetDeviceRegistryPropertyA(HDEVINFO, PSP_DEVINFO_DATA device, DWORD property, PDWORD,
                                       PBYTE buffer, DWORD size, PDWORD required) {
    const auto& ids = sim->usbDevices[device->DevInst];
    if (property != SPDRP_HARDWAREID || ids.empty() || size != kHardwareIdCapacity)
        return Fail(ERROR_INVALID_DATA);
    std::string list;
    for (const auto& id : ids) list += id + '\0';
    list += '\0';
    if (required) *required = static_cast<DWORD>(list.size());
    if (size < list.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, list.data(), list.size());
    return TRUE;
}

LONG WINAPI OpenKey(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
    if ((name && sim->unopenableKeys.count(name)) || access != KEY_READ) return ERROR_ACCESS_DENIED;
    LONG status = RealSystemApi().RegOpenKeyExA(parent, name, options, access, key);
    if (status == ERROR_SUCCESS) ++sim->openKeys;
    return status;
}

LONG WINAPI CloseKey(HKEY key) {
    --sim->openKeys;
    return RealSystemApi().RegCloseKey(key);
}

const SetupApiNt kSimulatedSetupApiNt = {GetClassDevsW,   EnumDeviceInterfaces, GetDeviceInterfaceDetailW,
                                         GetDeviceRegistryPropertyW, DestroyDeviceInfoList,
                                         GetParent,       GetDeviceIdSize,      GetDeviceIdW};
const SetupApi9x kSimulatedSetupApi9x = {GetClassDevsA, EnumDeviceInfo, GetDeviceRegistryPropertyA,
                                         DestroyDeviceInfoList};

const SetupApiNt* BindNt() { return sim->setupApiBindable ? &kSimulatedSetupApiNt : nullptr; }
const SetupApi9x* Bind9x() { return sim->setupApiBindable ? &kSimulatedSetupApi9x : nullptr; }

}  // namespace

void SimulatedSystem::AddCameraDisk(const std::wstring& parentId, std::int32_t deviceNumber,
                                    const std::vector<std::wstring>& driveNames) {
    const std::wstring diskNumber = std::to_wstring(disks.size());
    disks.push_back({L"\\\\?\\disk#" + diskNumber, L"\\Device\\Disk" + diskNumber, parentId, deviceNumber});
    for (const std::wstring& drive : driveNames) {
        const std::wstring volumeNumber = std::to_wstring(volumes.size());
        const std::wstring physical = L"\\Device\\HarddiskVolume" + volumeNumber;
        volumes.push_back({L"\\\\?\\volume#" + volumeNumber, physical,
                           L"STORAGE\\VOLUME\\" + volumeNumber, deviceNumber});
        dosNames.push_back({drive, physical});
    }
}

SimulatedSystemScope::SimulatedSystemScope(SimulatedSystem& system) {
    sim = &system;
    SystemApi api = RealSystemApi();
    api.GetVersion = Version;
    api.CreateFileW = OpenDevice;
    api.DeviceIoControl = DeviceControl;
    api.CloseHandle = CloseDevice;
    api.QueryDosDeviceW = QueryDosDevice;
    api.MessageBoxA = ShowMessage;
    api.RegOpenKeyExA = OpenKey;
    api.RegCloseKey = CloseKey;
    api.BindSetupApiNt = BindNt;
    api.BindSetupApi9x = Bind9x;
    InstallSystemApi(api);
}

SimulatedSystemScope::~SimulatedSystemScope() {
    InstallSystemApi(RealSystemApi());
    dosCursor = 0;
    sim = nullptr;
}
