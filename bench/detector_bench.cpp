// Times one VostelExist call (median of 100) on a simulated system of 64 disks,
// 128 volumes and 400 DOS device names, and on the real system with the built
// detector.dll. The device watch calls once a second, so a call must stay well
// below the time a dialog can spend without stuttering.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "detect_nt.h"
#include "device_table.h"
#include "result_table.h"
#include "simulated_system.h"

namespace {

constexpr int kCalls = 100;
constexpr int kDisks = 64;
constexpr int kVolumesPerDisk = 2;
constexpr std::size_t kDosNames = 400;
constexpr int kFirstLetter = 'C';
constexpr int kLetters = 24;  // C: .. Z:

const char kDetectIni[] =
    "[HWNum]\r\nNumber=4\r\n"
    "[Device1]\r\nVID=0ABC\r\nPID=1D2E\r\n[Device2]\r\nVID=1234\r\nPID=5678\r\n"
    "[Device3]\r\nVID=2345\r\nPID=6789\r\n[Device4]\r\nVID=3456\r\nPID=789A\r\n";

std::wstring Hex4(int value) {
    wchar_t text[8] = {};
    std::swprintf(text, 8, L"%04X", value);
    return text;
}

// Disks 0 .. cameras-1 carry the camera's identifiers, the rest other USB disks.
// Every volume has a Volume{n} name; the first 24 also have a drive letter; other
// names fill the DOS table up to 400.
SimulatedSystem MakeSystem(int cameras) {
    SimulatedSystem system;
    int letter = 0;
    for (int disk = 0; disk < kDisks; ++disk) {
        const std::wstring id = disk < cameras ? L"USB\\VID_0ABC&PID_1D2E\\" + std::to_wstring(disk)
                                               : L"USB\\VID_" + Hex4(0x4000 + disk) + L"&PID_0001\\1";
        std::vector<std::wstring> letters;
        for (int v = 0; v < kVolumesPerDisk && letter < kLetters; ++v, ++letter) {
            letters.push_back(std::wstring(1, static_cast<wchar_t>(kFirstLetter + letter)) + L":");
        }
        const std::size_t firstVolume = system.volumes.size();
        system.AddCameraDisk(id, disk, letters);
        for (int v = static_cast<int>(letters.size()); v < kVolumesPerDisk; ++v) {
            const std::wstring n = std::to_wstring(system.volumes.size());
            system.volumes.push_back({L"\\\\?\\volume#" + n, L"\\Device\\HarddiskVolume" + n, L"STORAGE", disk});
        }
        for (std::size_t v = firstVolume; v < system.volumes.size(); ++v) {
            system.dosNames.push_back({L"Volume{" + std::to_wstring(v) + L"}", system.volumes[v].physicalName});
        }
    }
    for (int n = 0; system.dosNames.size() < kDosNames; ++n) {
        system.dosNames.push_back({L"COM" + std::to_wstring(n), L"\\Device\\Serial" + std::to_wstring(n)});
    }
    return system;
}

double MedianMilliseconds(const std::function<void()>& call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < kCalls; ++i) {
        QueryPerformanceCounter(&start);
        call();
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    return (times[kCalls / 2 - 1] + times[kCalls / 2]) / 2;
}

void TimeSimulated(const char* label, int cameras) {
    SimulatedSystem system = MakeSystem(cameras);
    SimulatedSystemScope scope(system);
    std::int32_t count = 0;
    const double ms = MedianMilliseconds([&] { VostelExist(&count); });
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    const auto entryCount = static_cast<std::uint32_t>(entries.size());
    const double detectMs = MedianMilliseconds([&] { DetectDrivesNt(&count, entryCount, entries.data()); });
    const double loadMs = MedianMilliseconds([] { LoadDeviceTable(); });
    std::printf("simulated, %s: %.3f ms per call (median of %d), %d records, "
                "%zu disks, %zu volumes, %zu DOS names\n"
                "  of which reading Detect.ini (%u entries): %.3f ms, detection: %.3f ms\n",
                label, ms, kCalls, count, system.disks.size(), system.volumes.size(),
                system.dosNames.size(), entryCount, loadMs, detectMs);
    ReleaseCurrentTable();
}

void TimeRealLibrary() {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string path = program;
    path = path.substr(0, path.find_last_of('\\') + 1) + "detector.dll";
    HMODULE module = LoadLibraryA(path.c_str());
    auto address = module ? reinterpret_cast<void (*)()>(GetProcAddress(module, "VostelExist")) : nullptr;
    if (!address) {
        std::printf("real system: %s could not be loaded\n", path.c_str());
        return;
    }
    auto query = reinterpret_cast<FoundDevice*(__cdecl*)(std::int32_t*)>(address);
    std::int32_t count = 0;
    const double ms = MedianMilliseconds([&] { query(&count); });
    std::printf("real system (built detector.dll): %.3f ms per call (median of %d), %d records\n",
                ms, kCalls, count);
    FreeLibrary(module);
}

// A folder of its own holding Detect.ini, made the current directory.
std::string PrepareFolder() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    const std::string folder = std::string(base) + "detector-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    if (std::FILE* file = std::fopen("Detect.ini", "wb")) {
        std::fputs(kDetectIni, file);
        std::fclose(file);
    }
    return folder;
}

}  // namespace

int main() {
    const std::string folder = PrepareFolder();
    TimeSimulated("1 of 64 disks a camera", 1);
    TimeSimulated("all 64 disks cameras", kDisks);
    TimeRealLibrary();
    DeleteFileA((folder + "\\Detect.ini").c_str());
    SetCurrentDirectoryA("\\");
    RemoveDirectoryA(folder.c_str());
    return 0;
}
