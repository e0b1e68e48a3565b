// The real nolvetra.exe as the Windows loader meets it: it imports VostelExist from
// detector.dll when it loads, so it does not start without the library, and beside
// the real library it starts, ticks and finds no camera (there is no USB disk here).
// Both files carry the project's version information, as Windows reads it back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// One text of a file's version information (English, Unicode block), "" if none.
std::string VersionText(std::vector<char>& info, const std::string& name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "";
    return std::string(text);
}

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

TEST(ProgramLoad, BothFilesCarryTheProjectVersion) {
    for (const std::string name : {"nolvetra.exe", "detector.dll"}) {
        SCOPED_TRACE(name);
        const std::string path = ProgramFolder() + "\\program\\" + name;
        DWORD ignored = 0;
        std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &ignored));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(PROJECT_VERSION_MINOR, PROJECT_VERSION_MAJOR)), fixed->dwFileVersionMS);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, PROJECT_VERSION_PATCH)), fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
        EXPECT_EQ(PROJECT_VERSION, VersionText(info, "FileVersion"));
        EXPECT_EQ(PROJECT_VERSION, VersionText(info, "ProductVersion"));
        EXPECT_EQ(name, VersionText(info, "OriginalFilename"));
        EXPECT_NE("", VersionText(info, "FileDescription"));
        EXPECT_NE("", VersionText(info, "LegalCopyright"));
    }
}
