// Walks the demo: plugs in a simulated camera, starts nolvetra.exe in the current
// folder and lets its device watch find the camera by itself. Without a person it
// then pictures the dialog, presses Start, prints and pictures the outcome, unplugs
// the camera and waits until the drive list is enabled again. With a person at the
// display it leaves the dialog to them and unplugs the camera when the walk says so.
// Both this program and nolvetra.exe must run as on Windows 98 (the prefix's
// per-program version), where detector.dll looks for the camera in the registry.
// Usage: demo_driver DRIVE-LETTER [SCREENSHOT-FOLDER]   (no folder: a person works the dialog)
// Exit code 0 when the camera was found, the update run reported "Copy OK!" and
// the drive list was enabled again after the camera left.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "simulated_camera.h"
#include "vostel_exist.h"
#include "window_driver.h"

using namespace uidriver;

namespace {

constexpr int kStartButton = 1002;
constexpr int kVersionField = 1003;
constexpr int kTargetDiskList = 1010;
constexpr DWORD kExitWaitMs = 10000;
constexpr DWORD kPaintWaitMs = 500;
const char kSuccess[] = "Copy OK!";
const char kUnplugFile[] = "unplug";

struct Program {
    PROCESS_INFORMATION process = {};
    bool Start() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char command[] = "nolvetra.exe";
        return CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process) != FALSE;
    }
    WindowFilter Dialogs() const { return DialogOfProcess(process.dwProcessId); }
    void Close(HWND main) const {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        WaitForSingleObject(process.hProcess, kExitWaitMs);
    }
};

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Pictures the whole screen; the walk cuts the empty desktop away.
void Picture(const std::string& folder, const char* name) {
    Sleep(kPaintWaitMs);  // let it paint
    const bool saved = SaveWindowImage(GetDesktopWindow(), folder + "\\" + name);
    Say(std::string(saved ? "demo: saved " : "demo: could not save ") + name);
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

// Asks the library that the program loaded (the one in the current folder) what it
// reports now, as the watch does once a second, and says it. Returns the drive letter
// of the last record, the one the watch makes the target, or 0 for none.
char DriveTheDetectorReports() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const HMODULE library = LoadLibraryA((std::string(folder) + "\\detector.dll").c_str());
    const auto query = library ? reinterpret_cast<decltype(&VostelExist)>(
                                     reinterpret_cast<void*>(GetProcAddress(library, "VostelExist")))
                               : nullptr;
    if (!query) {
        Say("demo: could not load detector.dll");
        return 0;
    }
    std::int32_t count = 0;
    const FoundDevice* table = query(&count);
    char letter = 0;
    for (std::int32_t i = 0; table && i < count; ++i) {
        letter = static_cast<char>('A' + table[i].DriveIndex);
        Say("demo: detector.dll reports VID " + Hex4(table[i].VID) + " PID " + Hex4(table[i].PID) + " on " +
            std::string(1, letter) + ":");
    }
    if (!letter) Say("demo: detector.dll reports no camera");
    FreeLibrary(library);
    return letter;
}

bool DriveListEnabled(HWND main) { return IsWindowEnabled(GetDlgItem(main, kTargetDiskList)) != FALSE; }

// Presses Start, prints and pictures the outcome and answers it; returns its text.
std::string RunUpdate(const Program& program, HWND main, const std::string& shots) {
    Say("demo: pressing Start");
    ClickButton(main, kStartButton);
    const HWND box = WaitForWindow([&](HWND w) { return program.Dialogs()(w) && IsMessageBox(w); });
    if (!box) return "no message came";
    const std::string outcome = MessageBoxText(box);
    Say(outcome);
    Picture(shots, "update-run.bmp");
    Answer(box);
    return outcome;
}

// The walk without a person; true when every step showed what it should.
bool Walk(const Program& program, HWND main, const SimulatedCamera& camera, char drive, const std::string& shots) {
    Say("demo: waiting for the device watch to find the camera");
    if (!WaitUntil([main] { return !DriveListEnabled(main); })) {
        Say("demo: the device watch did not find the camera");
        return false;
    }
    const char found = DriveTheDetectorReports();
    const std::string letter(1, found);
    Say("demo: the device watch found the camera on " + letter + ":, target " + letter +
        ":\\DCIM, drive list disabled");
    Picture(shots, "camera-found.bmp");
    const bool updated = RunUpdate(program, main, shots) == kSuccess;
    Say(camera.Detach() ? "demo: the simulated camera is unplugged" : "demo: could not unplug the simulated camera");
    const bool enabled = WaitUntil([main] { return DriveListEnabled(main); });
    Say(enabled ? "demo: the drive list is enabled again" : "demo: the drive list stayed disabled");
    return found == drive && updated && enabled;
}

// With a person at the display: they press Start; the camera is unplugged when a file
// named "unplug" appears in the current folder (the walk makes it when they say so).
void LetThePersonWork(const Program& program, const SimulatedCamera& camera) {
    constexpr DWORD kPollMs = 250;
    while (WaitForSingleObject(program.process.hProcess, kPollMs) == WAIT_TIMEOUT) {
        if (GetFileAttributesA(kUnplugFile) != INVALID_FILE_ATTRIBUTES && DeleteFileA(kUnplugFile)) {
            camera.Detach();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] == '\0') {
        Say("usage: demo_driver DRIVE-LETTER [SCREENSHOT-FOLDER]");
        return 2;
    }
    const char drive = argv[1][0];
    const SimulatedCamera camera(drive);
    if (!camera.Attach()) {
        Say("demo: could not simulate the camera (is Detect.ini in the current folder?)");
        return 1;
    }
    Say("demo: the camera is simulated: a present USB device " + camera.UsbDeviceName() + " and " +
        camera.ScsiInstanceName() + " with drive letter " + drive);
    Say("demo: nolvetra.exe runs as on Windows 98, so detector.dll finds the camera through its "
        "Windows 95/98/ME path (SetupAPI's present USB devices, then HKLM\\Enum\\SCSI)");
    Program program;
    if (!program.Start()) {
        camera.Detach();
        Say("demo: nolvetra.exe did not start");
        return 1;
    }
    if (argc == 2) {
        LetThePersonWork(program, camera);
        camera.Detach();
        return 0;
    }
    const HWND main = WaitForWindow([&](HWND w) {
        return program.Dialogs()(w) && IsUnowned(w) && IsWindowVisible(w) && !IsMessageBox(w);
    });
    bool walked = false;
    if (main) {
        Say("demo: " + Text(main) + ", version " + ItemText(main, kVersionField));
        walked = Walk(program, main, camera, drive, argv[2]);
        program.Close(main);
    } else {
        Say("demo: the main dialog did not open");
    }
    camera.Detach();
    return walked ? 0 : 1;
}
