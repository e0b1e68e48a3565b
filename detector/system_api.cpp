#include "system_api.h"

#include <cstring>

namespace {

constexpr char kSetupApiFileName[] = "\\setupapi.dll";
constexpr char kKernelFileName[] = "kernel32.dll";

// GetProcAddress answers a generic pointer; the detour through void(*)() keeps the
// compiler's function-cast warning quiet without hiding a real mismatch elsewhere.
template <typename Function>
bool Bind(HMODULE module, const char* name, Function& slot) {
    auto address = reinterpret_cast<void (*)()>(GetProcAddress(module, name));
    slot = reinterpret_cast<Function>(address);
    return slot != nullptr;
}

// Loaded from the system folder only: the program runs from a firmware package
// folder, where a stray setupapi.dll must not be picked up.
HMODULE LoadSetupApi() {
    char path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof kSetupApiFileName > MAX_PATH) return nullptr;
    std::strcat(path, kSetupApiFileName);
    return LoadLibraryA(path);
}

// The module stays loaded for the life of the process once bound: freeing it from
// the library's detach notification is not safe.
HMODULE SetupApiModule() {
    static HMODULE module = LoadSetupApi();
    return module;
}

bool BindGroup(HMODULE module, SetupApiNt& setup) {
    return module && Bind(module, "SetupDiGetClassDevsW", setup.SetupDiGetClassDevsW) &&
           Bind(module, "SetupDiEnumDeviceInterfaces", setup.SetupDiEnumDeviceInterfaces) &&
           Bind(module, "SetupDiGetDeviceInterfaceDetailW", setup.SetupDiGetDeviceInterfaceDetailW) &&
           Bind(module, "SetupDiGetDeviceRegistryPropertyW", setup.SetupDiGetDeviceRegistryPropertyW) &&
           Bind(module, "SetupDiDestroyDeviceInfoList", setup.SetupDiDestroyDeviceInfoList) &&
           Bind(module, "CM_Get_Parent", setup.CM_Get_Parent) &&
           Bind(module, "CM_Get_Device_ID_Size", setup.CM_Get_Device_ID_Size) &&
           Bind(module, "CM_Get_Device_IDW", setup.CM_Get_Device_IDW);
}

bool BindGroup(HMODULE module, SetupApi9x& setup) {
    return module && Bind(module, "SetupDiGetClassDevsA", setup.SetupDiGetClassDevsA) &&
           Bind(module, "SetupDiEnumDeviceInfo", setup.SetupDiEnumDeviceInfo) &&
           Bind(module, "SetupDiGetDeviceRegistryPropertyA", setup.SetupDiGetDeviceRegistryPropertyA) &&
           Bind(module, "SetupDiDestroyDeviceInfoList", setup.SetupDiDestroyDeviceInfoList);
}

// Binds a group once; a group that cannot be bound stays unbound for the process,
// and the path that needs it finds nothing.
template <typename Group>
const Group* BoundGroup() {
    static Group group{};
    static const bool bound = BindGroup(SetupApiModule(), group);
    return bound ? &group : nullptr;
}

// QueryDosDeviceW belongs to the NT family; Windows 95/98/ME cannot be shown to export
// it, and one unresolved import keeps the whole library from loading there. It is
// looked up in kernel32 when the NT path first asks for it, as SetupAPI is.
DWORD WINAPI QueryDosDeviceBoundOnUse(LPCWSTR name, LPWSTR target, DWORD capacity) {
    static decltype(&::QueryDosDeviceW) query = nullptr;
    // kernel32 is mapped into every process; no load is needed.
    static const bool bound = Bind(GetModuleHandleA(kKernelFileName), "QueryDosDeviceW", query);
    if (!bound) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return query(name, target, capacity);
}

// Every other function here is exported by Windows 95/98/ME too (CreateFileW there as
// a stub that fails, which the NT path never reaches), so it stays a plain import.
const SystemApi kRealSystemApi = {
    ::GetVersion,
    ::GetCurrentDirectoryA,
    ::GetPrivateProfileIntA,
    ::GetPrivateProfileStringA,
    ::StrToIntExA,
    ::CreateFileW,
    ::DeviceIoControl,
    ::CloseHandle,
    QueryDosDeviceBoundOnUse,
    ::WideCharToMultiByte,
    ::MessageBoxA,
    ::RegOpenKeyExA,
    ::RegEnumKeyExA,
    ::RegQueryValueExA,
    ::RegCloseKey,
    BoundGroup<SetupApiNt>,
    BoundGroup<SetupApi9x>,
};

SystemApi activeApi = kRealSystemApi;

}  // namespace

const SystemApi& Api() { return activeApi; }

const SystemApi& RealSystemApi() { return kRealSystemApi; }

void InstallSystemApi(const SystemApi& api) { activeApi = api; }
