// A stand-in for detector.dll whose answers a test writes: same export, same
// record layout. Every call reads "scripted-detector.txt" beside this library,
// one record per line as "<drive index> <vid hex> <pid hex>", and counts itself
// in "scripted-detector.calls" there, so a test can tell whether the device
// watch ticked.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "vostel_exist.h"

namespace {

std::vector<FoundDevice> currentTable;
long callCount = 0;

std::string FileBesideLibrary(const char* name) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&FileBesideLibrary), &self);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

std::vector<FoundDevice> ReadScript() {
    std::vector<FoundDevice> table;
    std::ifstream script(FileBesideLibrary("scripted-detector.txt"));
    int driveIndex = 0;
    unsigned vid = 0, pid = 0;
    while (script >> std::dec >> driveIndex >> std::hex >> vid >> pid) {
        FoundDevice record = {};
        record.DriveIndex = static_cast<int16_t>(driveIndex);
        record.VID = static_cast<uint16_t>(vid);
        record.PID = static_cast<uint16_t>(pid);
        record.RecordLength = FOUND_DEVICE_RECORD_LENGTH;
        table.push_back(record);
    }
    return table;
}

void CountCall() {
    ++callCount;
    std::ofstream(FileBesideLibrary("scripted-detector.calls")) << callCount;
}

}  // namespace

extern "C" FoundDevice* __cdecl VostelExist(int32_t* count) {
    CountCall();
    currentTable = ReadScript();
    *count = static_cast<int32_t>(currentTable.size());
    return currentTable.empty() ? nullptr : currentTable.data();
}
