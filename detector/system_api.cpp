#include "system_api.h"

#include "system_library.h"

namespace {

// Loaded from the system folder only: the program runs from a firmware package
// folder, where a stray setupapi.dll must not be picked up. The module stays loaded
// for the life of the process once bound: freeing it from the library's detach
// notification is not safe.
HMODULE SetupApiModule() {
    static HMODULE module = LoadSystemLibrary("setupapi.dll");
    return module;
}

bool BindGroup(HMODULE module, SetupApiNt& setup) {
    return module && BindFunction(module, "SetupDiGetClassDevsW", setup.SetupDiGetClassDevsW) &&
           BindFunction(module, "SetupDiEnumDeviceInterfaces", setup.SetupDiEnumDeviceInterfaces) &&
           BindFunction(module, "SetupDiGetDeviceInterfaceDetailW", setup.SetupDiGetDeviceInterfaceDetailW) &&
           BindFunction(module, "SetupDiGetDeviceRegistryPropertyW", setup.SetupDiGetDeviceRegistryPropertyW) &&
           BindFunction(module, "SetupDiDestroyDeviceInfoList", setup.SetupDiDestroyDeviceInfoList) &&
           BindFunction(module, "CM_Get_Parent", setup.CM_Get_Parent) &&
           BindFunction(module, "CM_Get_Device_ID_Size", setup.CM_Get_Device_ID_Size) &&
           BindFunction(module, "CM_Get_Device_IDW", setup.CM_Get_Device_IDW);
}

bool BindGroup(HMODULE module, SetupApi9x& setup) {
    return module && BindFunction(module, "SetupDiGetClassDevsA", setup.SetupDiGetClassDevsA) &&
           BindFunction(module, "SetupDiEnumDeviceInfo", setup.SetupDiEnumDeviceInfo) &&
           BindFunction(module, "SetupDiGetDeviceRegistryPropertyA", setup.SetupDiGetDeviceRegistryPropertyA) &&
           BindFunction(module, "SetupDiDestroyDeviceInfoList", setup.SetupDiDestroyDeviceInfoList);
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
    static const bool bound = BindFunction(GetModuleHandleA("kernel32.dll"), "QueryDosDeviceW", query);
    if (!bound) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return query(name, target, capacity);
}

// StrToIntExA needs shlwapi.dll 4.71 (Internet Explorer 4), which the first Windows 95
// lacks, and shlwapi.dll is loaded from the system folder only, as SetupAPI is. It
// is bound when the first identifier is read; where it is missing no identifier
// converts, and no device is known.
BOOL WINAPI StrToIntExBoundOnUse(PCSTR text, STIF_FLAGS flags, int* value) {
    static decltype(&::StrToIntExA) convert = nullptr;
    static const bool bound = BindFunction(LoadSystemLibrary("shlwapi.dll"), "StrToIntExA", convert);
    return bound ? convert(text, flags, value) : FALSE;
}

// Every other function here is exported by Windows 95/98/ME too (CreateFileW there as
// a stub that fails, which the NT path never reaches), so it stays a plain import.
const SystemApi kRealSystemApi = {
    ::GetVersion,
    ::GetCurrentDirectoryA,
    ::GetPrivateProfileIntA,
    ::GetPrivateProfileStringA,
    StrToIntExBoundOnUse,
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
