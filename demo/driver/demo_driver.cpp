// Walks the demo without a person: starts nolvetra.exe in the current folder, takes
// pictures of the main dialog and the About box, chooses the demo camera drive,
// presses Start, prints the outcome and answers it, then closes the program.
// Usage: demo_driver DRIVE-LETTER SCREENSHOT-FOLDER
// Exit code 0 when the update run reported "Copy OK!".
#include <windows.h>

#include <cstdio>
#include <string>

#include "window_driver.h"

using namespace uidriver;

namespace {

constexpr int kStartButton = 1002;
constexpr int kTargetFolderField = 1005;
constexpr int kTargetDiskList = 1010;
constexpr WPARAM kAboutCommand = 0x0010;
constexpr DWORD kExitWaitMs = 10000;
const char kSuccess[] = "Copy OK!";

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
};

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

bool Picture(HWND window, const std::string& folder, const char* name) {
    const std::string path = folder + "\\" + name;
    const bool saved = SaveWindowImage(window, path);
    Say(std::string(saved ? "demo: saved " : "demo: could not save ") + name);
    return saved;
}

// Opens the About box from the system menu, pictures it and closes it again.
void ShowAbout(const Program& program, HWND main, const std::string& shots) {
    PostMessageW(main, WM_SYSCOMMAND, kAboutCommand, 0);
    const HWND about = WaitForWindow([&](HWND w) { return program.Dialogs()(w) && Text(w) == "About Nolvetra"; });
    if (!about) return Say("demo: the About box did not open");
    WaitUntil([about] { return IsWindowVisible(about) != FALSE; });
    Sleep(300);  // let it paint
    Picture(about, shots, "about-box.bmp");
    Answer(about);
    WaitUntil([about] { return !IsWindow(about); });
}

// Chooses the camera drive, presses Start and answers the outcome; returns its text.
std::string RunUpdate(const Program& program, HWND main, const std::string& drive, const std::string& shots) {
    const int entry = ComboEntryIndex(GetDlgItem(main, kTargetDiskList), drive + ":\\");
    if (entry < 0) return "drive " + drive + ": is not in the list";
    ChooseComboEntry(main, kTargetDiskList, entry);
    WaitUntil([&] { return ItemText(main, kTargetFolderField) == drive + ":\\DCIM"; });
    Say("demo: target " + ItemText(main, kTargetFolderField) + ", pressing Start");
    ClickButton(main, kStartButton);
    const HWND box = WaitForWindow([&](HWND w) { return program.Dialogs()(w) && IsMessageBox(w); });
    if (!box) return "no message came";
    const std::string outcome = MessageBoxText(box);
    Sleep(300);
    Picture(GetDesktopWindow(), shots, "update-run.bmp");
    Answer(box);
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        Say("usage: demo_driver DRIVE-LETTER SCREENSHOT-FOLDER");
        return 2;
    }
    const std::string drive = argv[1];
    const std::string shots = argv[2];
    Program program;
    if (!program.Start()) {
        Say("demo: nolvetra.exe did not start");
        return 1;
    }
    const HWND main = WaitForWindow([&](HWND w) {
        return program.Dialogs()(w) && IsUnowned(w) && IsWindowVisible(w) && !IsMessageBox(w);
    });
    if (!main) {
        Say("demo: the main dialog did not open");
        return 1;
    }
    Sleep(500);  // let it paint
    Say("demo: " + Text(main) + ", version " + ItemText(main, 1003));
    Picture(main, shots, "main-dialog.bmp");
    ShowAbout(program, main, shots);
    const std::string outcome = RunUpdate(program, main, drive, shots);
    Say(outcome);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitForSingleObject(program.process.hProcess, kExitWaitMs);
    return outcome == kSuccess ? 0 : 1;
}
