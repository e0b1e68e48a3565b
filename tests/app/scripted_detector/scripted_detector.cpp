// A stand-in for detector.dll whose answers a test writes: same export, same
// record layout. Every call reads "scripted-detector.txt" beside this library,
// one record per line as "<drive index> <vid hex> <pid hex>", and counts itself
// in "scripted-detector.calls" there, so a test can tell whether the device
// watch ticked. A line "message-box" makes the call show the box the real
// detector shows when SetupAPI fails, with its modal loop, before it answers.
#include "scripted_detector.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vostel_exist.h"

namespace {

const char kMessageBoxLine[] = "message-box";

struct Script {
    std::vector<FoundDevice> table;
    bool showsMessageBox = false;
};

std::vector<FoundDevice> currentTable;
long callCount = 0;
ScriptedDetectorHook hook = nullptr;

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

bool ReadRecord(const std::string& line, FoundDevice& record) {
    std::istringstream fields(line);
    int driveIndex = 0;
    unsigned vid = 0, pid = 0;
    if (!(fields >> std::dec >> driveIndex >> std::hex >> vid >> pid)) return false;
    record = {};
    record.DriveIndex = static_cast<int16_t>(driveIndex);
    record.VID = static_cast<uint16_t>(vid);
    record.PID = static_cast<uint16_t>(pid);
    record.RecordLength = FOUND_DEVICE_RECORD_LENGTH;
    return true;
}

Script ReadScript() {
    Script script;
    std::ifstream file(FileBesideLibrary("scripted-detector.txt"));
    std::string line;
    while (std::getline(file, line)) {
        FoundDevice record;
        if (line == kMessageBoxLine) script.showsMessageBox = true;
        else if (ReadRecord(line, record)) script.table.push_back(record);
    }
    return script;
}

void CountCall() {
    ++callCount;
    std::ofstream(FileBesideLibrary("scripted-detector.calls")) << callCount;
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl SetScriptedDetectorHook(ScriptedDetectorHook function) {
    hook = function;
}

extern "C" FoundDevice* __cdecl VostelExist(int32_t* count) {
    CountCall();
    if (hook) hook();
    const Script script = ReadScript();
    if (script.showsMessageBox)
        MessageBoxA(nullptr, "Sorry,Failed to retrive information set!", "Error", MB_OK | MB_ICONERROR);
    currentTable = script.table;
    *count = static_cast<int32_t>(currentTable.size());
    return currentTable.empty() ? nullptr : currentTable.data();
}
