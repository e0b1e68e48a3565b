// System DLLs that the programs do not import when they load. Windows looks for an
// imported DLL that is not one of its known DLLs in the program's own folder first,
// and people start an installer from wherever they unpacked it, often a downloads
// folder that any web page can drop files into. So such DLLs, and functions that
// older Windows lack, are bound here at run time, from the system folder only.
#pragma once

#include <windows.h>

// Restricts the search for DLLs loaded from now on to the system folder, where the
// system offers that (SetDefaultDllDirectories: Windows 8, and Vista and 7 with
// KB2533623); elsewhere nothing changes. The programs call it first of all.
void RestrictDllSearchToSystemFolder();

// The DLL of that file name (for example "comctl32.dll") from the system folder,
// loaded by LoadLibraryByPath; null when it cannot be loaded. It stays loaded for the
// life of the process.
HMODULE LoadSystemLibrary(const char* fileName);

// The DLL at a full path, whose own imports are looked for in its folder first
// (LOAD_WITH_ALTERED_SEARCH_PATH), not in the program's folder: where the search is
// not restricted (XP, Vista, 7 without KB2533623), a system DLL's dependency would
// otherwise be taken from beside the program. Null when it cannot be loaded.
HMODULE LoadLibraryByPath(const char* path);

// The address of an export of a module, in slot; false (slot null) when the module
// or the export is missing. GetProcAddress answers a generic pointer; the detour
// through void(*)() keeps the compiler's function-cast warning quiet without hiding
// a real mismatch elsewhere.
template <typename Function>
bool BindFunction(HMODULE module, const char* name, Function& slot) {
    auto address = module ? reinterpret_cast<void (*)()>(GetProcAddress(module, name)) : nullptr;
    slot = reinterpret_cast<Function>(address);
    return slot != nullptr;
}
