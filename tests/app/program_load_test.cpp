// The real nolvetra.exe as the Windows loader meets it: it imports VostelExist from
// detector.dll when it loads, so it does not start without the library, and beside
// the real library it starts, ticks and finds no camera (there is no USB disk here).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "scratch_folder.h"
#include "window_driver.h"

using namespace uidriver;

namespace {

constexpr DWORD kStartWaitMs = 15000;
constexpr DWORD kTicksWaitMs = 2500;         // long enough for two watch ticks
constexpr DWORD kStatusDllNotFound = 0xC0000135;
constexpr int kTargetDiskCombo = 1010;
constexpr int kTargetFolderField = 1005;

void CopyBuiltFile(const char* name, const ScratchFolder& into) {
    const std::string built = ProgramFolder() + "\\program\\" + name;
    ASSERT_TRUE(CopyFileA(built.c_str(), into.pathOf(name).c_str(), FALSE)) << name;
}

// A started program, ended by force if the test did not end it.
class StartedProgram {
public:
    explicit StartedProgram(const ScratchFolder& folder) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + folder.pathOf("nolvetra.exe") + "\"";
        started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.path().c_str(), &startup, &process_) != FALSE;
    }
    ~StartedProgram() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return process_.dwProcessId; }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

void WritePackage(const ScratchFolder& folder) {
    folder.write("FirmWare.ini",
                 "[PID_VID]\r\nPID_VID=USB\\VID_0ABC&PID_1D2E\r\n"
                 "[setting]\r\nproductname=VX5207\r\nfwver=V2.03\r\nfilenum=1\r\n0=A.BIN\r\n");
    folder.write("checksum.ini", "18a\r\n");  // the byte sum of "abcd"
    folder.write("A.BIN", "abcd");
    folder.write("Detect.ini", "[HWNum]\r\nNumber=1\r\n[Device1]\r\nPID=1d2e\r\nVID=abc\r\n");
}

}  // namespace

TEST(ProgramLoad, WithoutTheDetectorLibraryTheLoaderRefusesToStartTheProgram) {
    ScratchFolder folder;
    WritePackage(folder);
    CopyBuiltFile("nolvetra.exe", folder);
    StartedProgram program(folder);
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.Ended(kStartWaitMs));
    EXPECT_EQ(kStatusDllNotFound, program.ExitCode());
}

TEST(ProgramLoad, BesideTheRealDetectorTheProgramTicksAndFindsNoCamera) {
    ScratchFolder folder;
    WritePackage(folder);
    CopyBuiltFile("nolvetra.exe", folder);
    CopyBuiltFile("detector.dll", folder);
    StartedProgram program(folder);
    ASSERT_TRUE(program.started());
    const HWND window = WaitForWindow(DialogOfProcess(program.id()), kStartWaitMs);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(WaitUntil([window] { return Text(window) == "VX5207 Firmware Update V1.0"; }));
    const std::string target = ItemText(window, kTargetFolderField);

    EXPECT_FALSE(program.Ended(kTicksWaitMs));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kTargetDiskCombo)));
    EXPECT_EQ(target, ItemText(window, kTargetFolderField));

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(program.Ended(kStartWaitMs));
    EXPECT_EQ(0u, program.ExitCode());
}
