#include "system_library.h"

#include <cstring>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, named here because older headers lack it.
constexpr DWORD kSearchSystemFolder = 0x00000800;

}  // namespace

void RestrictDllSearchToSystemFolder() {
    BOOL(WINAPI * setDefaultDirectories)(DWORD) = nullptr;
    // kernel32 is mapped into every process; no load is needed.
    if (BindFunction(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories", setDefaultDirectories))
        setDefaultDirectories(kSearchSystemFolder);
}

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    // The folder, a backslash, the name and the terminator must fit.
    if (length == 0 || length + 1 + std::strlen(fileName) + 1 > MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, fileName, std::strlen(fileName) + 1);
    return LoadLibraryByPath(path);
}

HMODULE LoadLibraryByPath(const char* path) { return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH); }
