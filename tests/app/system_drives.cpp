#include "system_drives.h"

#include <windows.h>

std::vector<std::string> SystemDriveEntries() {
    char strings[256] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof strings, strings);
    std::vector<std::string> entries;
    for (DWORD k = 0; k + 4 <= length; k += 4) entries.push_back(std::string(strings + k));
    return entries;
}
