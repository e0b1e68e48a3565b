// The library's one door to Windows: a table of the system functions that the
// query and both detection paths call. The real table calls Windows; a test can
// install a table of its own to stand in for devices that cannot exist on its machine.
#pragma once

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <shlwapi.h>

// SetupAPI and Configuration Manager functions of the NT path, bound as one group.
struct SetupApiNt {
    decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW;
    decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
    decltype(&::SetupDiGetDeviceInterfaceDetailW) SetupDiGetDeviceInterfaceDetailW;
    decltype(&::SetupDiGetDeviceRegistryPropertyW) SetupDiGetDeviceRegistryPropertyW;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
    decltype(&::CM_Get_Parent) CM_Get_Parent;
    decltype(&::CM_Get_Device_ID_Size) CM_Get_Device_ID_Size;
    decltype(&::CM_Get_Device_IDW) CM_Get_Device_IDW;
};

// SetupAPI functions of the 9x/ME path, bound as one group.
struct SetupApi9x {
    decltype(&::SetupDiGetClassDevsA) SetupDiGetClassDevsA;
    decltype(&::SetupDiEnumDeviceInfo) SetupDiEnumDeviceInfo;
    decltype(&::SetupDiGetDeviceRegistryPropertyA) SetupDiGetDeviceRegistryPropertyA;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
};

struct SystemApi {
    decltype(&::GetVersion) GetVersion;
    decltype(&::GetCurrentDirectoryA) GetCurrentDirectoryA;
    decltype(&::GetPrivateProfileIntA) GetPrivateProfileIntA;
    decltype(&::GetPrivateProfileStringA) GetPrivateProfileStringA;
    // Looked up on first use in the real table, in the system folder's shlwapi.dll:
    // the first Windows 95 has no shlwapi.dll with it.
    decltype(&::StrToIntExA) StrToIntExA;
    decltype(&::CreateFileW) CreateFileW;
    decltype(&::DeviceIoControl) DeviceIoControl;
    decltype(&::CloseHandle) CloseHandle;
    // Looked up on first use in the real table: Windows 95/98/ME may not export it.
    decltype(&::QueryDosDeviceW) QueryDosDeviceW;
    decltype(&::WideCharToMultiByte) WideCharToMultiByte;
    decltype(&::MessageBoxA) MessageBoxA;
    decltype(&::RegOpenKeyExA) RegOpenKeyExA;
    decltype(&::RegEnumKeyExA) RegEnumKeyExA;
    decltype(&::RegQueryValueExA) RegQueryValueExA;
    decltype(&::RegCloseKey) RegCloseKey;
    // SetupAPI is bound on first use, not at load, so that the library loads and
    // answers where it is missing. These answer the bound group, or null when it
    // cannot be bound.
    const SetupApiNt* (*BindSetupApiNt)();
    const SetupApi9x* (*BindSetupApi9x)();
};

// The table every call goes through: the real one unless a test installed another.
const SystemApi& Api();

// The table that calls Windows itself.
const SystemApi& RealSystemApi();

// Replaces the table in use (tests only; install RealSystemApi() to restore).
void InstallSystemApi(const SystemApi& api);
