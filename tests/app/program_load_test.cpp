// The real nolvetra.exe as the Windows loader meets it: it imports VostelExist from
// detector.dll when it loads, so it does not start without the library, and beside
// the real library it starts, ticks and finds no camera (there is no USB disk here).
// Both files carry the project's version information, as Windows reads it back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "staged_name.h"
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
    // Ends the program as a crash or a forced end would: no handler of it runs.
    ~StartedProgram() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, kStartWaitMs);
        }
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

// The main dialog of a started program, once its initialisation is over.
HWND MainDialogOf(const StartedProgram& program) {
    const HWND window = WaitForWindow(DialogOfProcess(program.id()), kStartWaitMs);
    if (window && WaitUntil([window] { return Text(window) == "VX5207 Firmware Update V1.0"; })) return window;
    return nullptr;
}

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
    const HWND window = MainDialogOf(program);
    ASSERT_NE(nullptr, window);
    const std::string target = ItemText(window, kTargetFolderField);

    EXPECT_FALSE(program.Ended(kTicksWaitMs));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kTargetDiskCombo)));
    EXPECT_EQ(target, ItemText(window, kTargetFolderField));

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(program.Ended(kStartWaitMs));
    EXPECT_EQ(0u, program.ExitCode());
}

// A package of large files whose update is ended by ending the program in the
// middle of the copy, leaving the camera with part of the files (and perhaps a
// piece of one): a new start of the program and a Start complete it.
namespace {

constexpr int kLargeFiles = 8;
constexpr std::size_t kLargeFileBytes = 8 << 20;
constexpr int kStartButton = 1002;

std::string LargeFile(int i) {
    std::string bytes(kLargeFileBytes, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(k * 131 + i + k / 4093);
    return bytes;
}

std::string ChecksumLine(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (unsigned char byte : bytes) sum += byte;
    char text[16];
    std::snprintf(text, sizeof text, "%x\r\n", static_cast<unsigned>(sum));
    return text;
}

std::string FileName(int i) { return "FW" + std::to_string(i) + ".BIN"; }

// Chooses the test camera G: in the program's drive list and presses Start.
void StartOnTheTestCamera(HWND window) {
    const int entry = ComboEntryIndex(GetDlgItem(window, kTargetDiskCombo), "G:\\");
    ASSERT_NE(-1, entry);
    ChooseComboEntry(window, kTargetDiskCombo, entry);
    ASSERT_TRUE(WaitUntil([window] { return ItemText(window, kTargetFolderField) == "G:\\DCIM"; }));
    ClickButton(window, kStartButton);
}

}  // namespace

TEST(ProgramLoad, AnUpdateEndedInTheMiddleOfTheCopyIsCompletedByTheNextStart) {
    ScratchFolder folder;
    WritePackage(folder);
    std::string ini = "[setting]\r\nproductname=VX5207\r\nfwver=V2.03\r\nfilenum=" + std::to_string(kLargeFiles) + "\r\n";
    std::string checksums;
    for (int i = 0; i < kLargeFiles; ++i) {
        const std::string bytes = LargeFile(i);
        folder.write(FileName(i), bytes);
        ini += std::to_string(i) + "=" + FileName(i) + "\r\n";
        checksums += ChecksumLine(bytes);
    }
    folder.write("FirmWare.ini", ini);
    folder.write("checksum.ini", checksums);
    CopyBuiltFile("nolvetra.exe", folder);
    CopyBuiltFile("detector.dll", folder);
    ScratchFolder camera("G:\\DCIM");

    {
        StartedProgram first(folder);
        const HWND window = MainDialogOf(first);
        ASSERT_NE(nullptr, window);
        StartOnTheTestCamera(window);
        // The camera folder shows how far the run is. It is ended once the copy of
        // the third file has begun: copying the rest, reading all of them back and
        // putting them in place take far longer than ending a process, so the end
        // falls in the middle of the copy however busy the machine is. (The firmware
        // names themselves appear only with the last step, in a few milliseconds.)
        const DWORD start = GetTickCount();
        while (!camera.exists(StagedFileName(2)) && GetTickCount() - start < kStartWaitMs) continue;
    }  // ended here, in the middle of the copy
    ASSERT_TRUE(camera.exists(StagedFileName(0))) << "the run did not reach the copy";
    int complete = 0;
    for (int i = 0; i < kLargeFiles; ++i) complete += camera.read(FileName(i)) == LargeFile(i) ? 1 : 0;
    ASSERT_EQ(0, complete) << "the run got past the copy before the program was ended";

    StartedProgram second(folder);
    const HWND window = MainDialogOf(second);
    ASSERT_NE(nullptr, window);
    StartOnTheTestCamera(window);
    const HWND box = WaitForWindow([&](HWND w) { return DialogOfProcess(second.id())(w) && IsMessageBox(w); });
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Copy OK!", MessageBoxText(box));
    Answer(box);
    for (int i = 0; i < kLargeFiles; ++i) EXPECT_TRUE(camera.read(FileName(i)) == LargeFile(i)) << FileName(i);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(second.Ended(kStartWaitMs));
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
