// The main dialog and the About box as the user meets them: the real templates and
// the real package files in a folder, driven through window messages under Wine.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "busy_dialog.h"
#include "file_paths.h"
#include "main_dialog.h"
#include "modal_run.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "system_drives.h"
#include "win_app.h"
#include "window_driver.h"

using namespace uidriver;

namespace {

const char kCameraFolder[] = "G:\\DCIM";
const char kFirmwareA[] = "firmware A \x01\x02\xff";
const char kFirmwareB[] = "firmware B";
const char kChecksumLines[] = "4e0\r\n3BF\r\n";  // the byte sums of kFirmwareA and kFirmwareB
constexpr DWORD kNoWindowWaitMs = 2000;         // how long a window that must not come is awaited
constexpr int kFileCount = 2;

// A dialog whose run holds its first file operation until the test lets it go, so
// that the run is on for as long as the test needs. The hold ends by itself after
// a deadline: a failed test does not hang.
class HeldRunDlg : public CUpdateDlg {
public:
    HeldRunDlg()
        : held_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), released_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~HeldRunDlg() override {
        CloseHandle(held_);
        CloseHandle(released_);
    }
    unsigned long AwaitFileWork(const std::function<unsigned long()>& work) override {
        return CUpdateDlg::AwaitFileWork([&] {
            SetEvent(held_);
            WaitForSingleObject(released_, kDefaultWaitMs);
            return work();
        });
    }
    bool WaitHeld() const { return WaitForSingleObject(held_, kDefaultWaitMs) == WAIT_OBJECT_0; }
    void Release() const { SetEvent(released_); }

private:
    HANDLE held_;
    HANDLE released_;
};

// A dialog at whose keyboard Enter is typed after each file operation of its run,
// as by a user who presses it while the run takes no input.
class TypedIntoRunDlg : public CUpdateDlg {
public:
    unsigned long AwaitFileWork(const std::function<unsigned long()>& work) override {
        const unsigned long result = CUpdateDlg::AwaitFileWork(work);
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = VK_RETURN;
        }
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        typed += SendInput(2, keys, sizeof(INPUT));
        return result;
    }
    UINT typed = 0;
};

// What a run asks of the session, in order, recorded in place of the system's calls,
// and the windows it names. Wine blocks no shutdown.
std::vector<std::string> sessionCalls;
std::vector<HWND> sessionWindows;

EXECUTION_STATE WINAPI RecordExecutionState(EXECUTION_STATE state) {
    sessionCalls.push_back("state " + std::to_string(state));
    return ES_CONTINUOUS;
}
BOOL WINAPI RecordShutdownBlock(HWND window, LPCWSTR reason) {
    sessionCalls.push_back("block " + std::string(reason, reason + std::wcslen(reason)));
    sessionWindows.push_back(window);
    return TRUE;
}
BOOL WINAPI RecordShutdownUnblock(HWND window) {
    sessionCalls.push_back("unblock");
    sessionWindows.push_back(window);
    return TRUE;
}

class RecordedSessionHold {
public:
    RecordedSessionHold() : system_(SessionHold()) {
        sessionCalls.clear();
        sessionWindows.clear();
        SessionHold() = {&RecordExecutionState, &RecordShutdownBlock, &RecordShutdownUnblock};
    }
    ~RecordedSessionHold() { SessionHold() = system_; }

private:
    SessionHoldCalls system_;
};

std::string FirmwareIni(const std::string& productName) {
    return "[setting]\r\nproductname=" + productName +
           "\r\nfwver=V2.03\r\nfilenum=2\r\n0=A.BIN\r\n1=B.BIN\r\n";
}

// A firmware package of two files in a folder that is the current directory.
class MainDialog : public ::testing::Test {
protected:
    MainDialog() : here_(package.path()) {
        package.write("FirmWare.ini", FirmwareIni("VX5207"));
        package.write("checksum.ini", kChecksumLines);
        package.write("A.BIN", kFirmwareA);
        package.write("B.BIN", kFirmwareB);
    }


    static HWND Combo(HWND window) { return GetDlgItem(window, IDC_TARGET_DISK); }
    static LRESULT RangeHigh(HWND window) {
        return SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0);
    }
    static LRESULT RangeLow(HWND window) {
        return SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETRANGE, TRUE, 0);
    }
    static LRESULT Position(HWND window) { return SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETPOS, 0, 0); }
    static std::string Target(HWND window) { return ItemText(window, IDC_TARGET_FOLDER); }
    // Makes the camera's folder the target by hand.
    static bool ChooseCameraDrive(HWND window) {
        ChooseComboEntry(window, IDC_TARGET_DISK, ComboEntryIndex(Combo(window), "G:\\"));
        return WaitUntil([&] { return Target(window) == kCameraFolder; });
    }

    HWND WaitForBox() const { return WaitForMessageBox(dialogThread); }
    // The About box once it is shown, which is after its initialisation has centred it.
    HWND WaitForAbout(HWND main) const {
        return WaitForWindow([&](HWND w) {
            return GetWindow(w, GW_OWNER) == main && Text(w) == "About Nolvetra" && IsWindowVisible(w);
        });
    }

    ScratchFolder package;
    CurrentDirectoryScope here_;
    CUpdateDlg dialog;
    const DWORD dialogThread = GetCurrentThreadId();
};

// The session calls of a run: the hold, then its end once the run is through writing.
const std::vector<std::string>& RunSessionCalls(bool ended) {
    static const std::vector<std::string> held = {"state " + std::to_string(ES_CONTINUOUS | ES_SYSTEM_REQUIRED),
                                                  "block Updating the camera's firmware"};
    static const std::vector<std::string> whole = {held[0], held[1], "unblock", "state " + std::to_string(ES_CONTINUOUS)};
    return ended ? whole : held;
}

// The controls a run greys out.
std::vector<HWND> RunControls(HWND window) {
    return {GetDlgItem(window, IDC_START), GetDlgItem(window, IDCANCEL), GetDlgItem(window, IDC_TARGET_DISK)};
}

// While the outcome of a run waits to be read, the run writes nothing: the session
// may end and the PC sleep. The dialog still takes no input until it is answered.
void ExpectOutcomeHoldsNoSession(HWND window) {
    EXPECT_EQ(RunSessionCalls(true), sessionCalls);
    EXPECT_EQ(TRUE, SendMessageW(window, WM_QUERYENDSESSION, 0, 0));
    for (const HWND control : RunControls(window)) EXPECT_FALSE(IsWindowEnabled(control));
}

// The cursor once target has answered WM_SETCURSOR for a mouse move at hit.
HCURSOR CursorAfterSetCursor(HWND target, int hit) {
    SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, WM_MOUSEMOVE));
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    GetCursorInfo(&cursor);
    return cursor.hCursor;
}

RECT RectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

void ExpectCentredOver(const RECT& placed, const RECT& area) {
    EXPECT_NEAR((placed.left + placed.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((placed.top + placed.bottom) / 2, (area.top + area.bottom) / 2, 1);
}

std::string MenuText(HMENU menu, int position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

}  // namespace

TEST_F(MainDialog, OpensWithPackageDrivesProgressTitleAndMenu) {
    const std::vector<std::string> drives = SystemDriveEntries();
    ASSERT_FALSE(drives.empty());
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));
        EXPECT_EQ("VX5207 Firmware Update V1.0", Text(window));
        EXPECT_EQ("V2.03", ItemText(window, IDC_VERSION));
        EXPECT_EQ(drives, ComboEntries(Combo(window)));
        EXPECT_EQ(static_cast<int>(drives.size()) - 1, ComboSelection(Combo(window)));
        EXPECT_EQ(drives.back().substr(0, 1) + ":\\DCIM", Target(window));
        EXPECT_EQ(0, RangeLow(window));
        EXPECT_EQ(kFileCount + 1, RangeHigh(window));
        EXPECT_EQ(0, Position(window));

        const HMENU menu = GetSystemMenu(window, FALSE);
        const int items = GetMenuItemCount(menu);
        ASSERT_GE(items, 2);
        EXPECT_EQ(MF_SEPARATOR, GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ("&About Nolvetra...", MenuText(menu, items - 1));
        EXPECT_EQ(IDM_ABOUTBOX, static_cast<int>(GetMenuItemID(menu, items - 1)));

        EXPECT_EQ(GetDlgItem(window, IDCANCEL), FocusOf(window));
        const HWND exitButton = GetDlgItem(window, IDCANCEL);
        const HWND startButton = GetNextDlgTabItem(window, exitButton, FALSE);
        EXPECT_EQ(GetDlgItem(window, IDC_START), startButton);
        EXPECT_EQ(Combo(window), GetNextDlgTabItem(window, startButton, FALSE));
        EXPECT_EQ(exitButton, GetNextDlgTabItem(window, Combo(window), FALSE));
        RECT workArea;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
        ExpectCentredOver(RectOf(window), workArea);
        EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.appIcon), SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.appIcon), SendMessageW(window, WM_QUERYDRAGICON, 0, 0));
    });
    EXPECT_NE(nullptr, dialog.appIcon);
    EXPECT_EQ(1u, dialog.timerId);
    EXPECT_EQ(JoinPath(CurrentFolder(), "FirmWare.ini"), dialog.iniPath);
}

TEST_F(MainDialog, EmptyProductNameLeavesTheTitleSuffixWithItsLeadingBlank) {
    package.write("FirmWare.ini", FirmwareIni(""));
    RunModal(dialog, [](HWND window) {
        EXPECT_TRUE(WaitUntil([window] { return Text(window) == " Firmware Update V1.0"; }));
    });
}

TEST_F(MainDialog, AFileCountThatFailedTheRangeCheckStillSetsTheProgressRangeIn16Bits) {
    package.write("FirmWare.ini", "[setting]\r\nfilenum=70000\r\n");
    RunModal(dialog, [&](HWND window) {
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Read file number failed!!", MessageBoxText(box));
        Answer(box);
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));
        EXPECT_EQ((70000 + 1) & 0xFFFF, RangeHigh(window));
        EXPECT_FALSE(Target(window).empty());
    });
}

TEST_F(MainDialog, SystemCommands16To31OpenTheAboutBoxCentredOverTheDialog) {
    RunModal(dialog, [&](HWND window) {
        for (WPARAM command : {0x10, 0x1F}) {
            PostMessageW(window, WM_SYSCOMMAND, command, 0);
            const HWND about = WaitForAbout(window);
            ASSERT_NE(nullptr, about) << command;
            EXPECT_EQ("Nolvetra Version 1.0", Text(FindWindowExW(about, nullptr, L"Static", L"Nolvetra Version 1.0")));
            ExpectCentredOver(RectOf(about), RectOf(window));
            Answer(about);
            ASSERT_TRUE(WaitUntil([about] { return !IsWindow(about); }));
        }
        PostMessageW(window, WM_SYSCOMMAND, 0x20, 0);
        EXPECT_EQ(nullptr, WaitForWindow([window](HWND w) { return GetWindow(w, GW_OWNER) == window; },
                                         kNoWindowWaitMs));
    });
}

TEST_F(MainDialog, ChoosingADriveByHandMakesItsDcimFolderTheTarget) {
    const std::vector<std::string> drives = SystemDriveEntries();
    RunModal(dialog, [&](HWND window) {
        ChooseComboEntry(window, IDC_TARGET_DISK, 0);
        const std::string first = drives.front().substr(0, 1) + ":\\DCIM";
        EXPECT_TRUE(WaitUntil([&] { return Target(window) == first; }));

        // No selection leaves the target alone. The About box, asked for after the
        // choice, opens once the choice has been handled.
        ChooseComboEntry(window, IDC_TARGET_DISK, -1);
        PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        const HWND about = WaitForAbout(window);
        ASSERT_NE(nullptr, about);
        EXPECT_EQ(first, Target(window));
        EXPECT_EQ(drives.front().substr(0, 1), dialog.targetDrive);
        Answer(about);
    });
}

TEST_F(MainDialog, EnterOnExitAndCloseCancelWhileEnterOnTheDriveListEndsWithOk) {
    EXPECT_EQ(IDCANCEL, RunModal(dialog, [](HWND window) {
        PressEnterOn(window, IDCANCEL);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindow(window); }));
    }));
    CUpdateDlg second;
    EXPECT_EQ(IDOK, RunModal(second, [](HWND window) {
        PressEnterOn(window, IDC_TARGET_DISK);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindow(window); }));
    }));
    CUpdateDlg third;
    EXPECT_EQ(IDCANCEL, RunModal(third, [](HWND window) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindow(window); }));
    }));
}

TEST_F(MainDialog, MissingChecksumIniShowsTheFileErrorAndLeavesTheRestUndone) {
    package.write("FirmWare.ini", FirmwareIni("Probe"));
    DeleteFileA(package.pathOf("checksum.ini").c_str());
    const std::string missing = JoinPath(CurrentFolder(), "checksum.ini");
    RunModal(dialog, [&](HWND window) {
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(missing + " was not found.", MessageBoxText(box));
        EXPECT_EQ(ProgramFileTitle(), Text(box));
        EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(32513)), MessageBoxIcon(box));  // IDI_HAND
        Answer(box);
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));

        EXPECT_EQ("VX5207 Firmware Update V1.0", Text(window));
        EXPECT_EQ(0, SendMessageW(Combo(window), CB_GETCOUNT, 0, 0));
        EXPECT_EQ(100, RangeHigh(window));
        EXPECT_EQ("", Target(window));
        EXPECT_EQ(0, RectOf(window).left);
        EXPECT_EQ(0, RectOf(window).top);
        EXPECT_EQ(0u, dialog.timerId);

        // Start finds no target: it only starts the watch timer, silently.
        ClickButton(window, IDC_START);
        EXPECT_TRUE(WaitUntil([&] { return dialog.timerId != 0; }));
        EXPECT_EQ(nullptr, WaitForMessageBox(dialogThread, kNoWindowWaitMs));
    });
    EXPECT_EQ("F", dialog.targetDrive);
}

TEST_F(MainDialog, StartCopiesThePackageToTheChosenCameraDriveAndReportsCopyOk) {
    ScratchFolder camera(kCameraFolder);
    RunModal(dialog, [&](HWND window) {
        const int cameraEntry = ComboEntryIndex(Combo(window), "G:\\");
        ASSERT_NE(-1, cameraEntry);
        ChooseComboEntry(window, IDC_TARGET_DISK, cameraEntry);
        ASSERT_TRUE(WaitUntil([&] { return Target(window) == kCameraFolder; }));

        ClickButton(window, IDC_START);
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Copy OK!", MessageBoxText(box));
        EXPECT_EQ(ProgramFileTitle(), Text(box));
        EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(32515)), MessageBoxIcon(box));  // IDI_EXCLAMATION
        EXPECT_EQ(RangeHigh(window), Position(window));  // the run's last position fills the bar
        Answer(box);
        EXPECT_TRUE(WaitUntil([window] { return Position(window) == 0; }));
    });
    EXPECT_EQ(kFirmwareA, camera.read("A.BIN"));
    EXPECT_EQ(kFirmwareB, camera.read("B.BIN"));
    EXPECT_EQ(1u, dialog.timerId);
}

// During a run the dialog can be minimised and restored, takes no command, does not
// close, shows the busy cursor and refuses the end of the session; after it, all is
// as before.
TEST_F(MainDialog, DuringARunTheDialogOnlyMinimisesAndRestoresAndRefusesTheSessionsEnd) {
    ScratchFolder camera(kCameraFolder);
    const RecordedSessionHold recorded;
    HeldRunDlg running;
    RunModal(running, [&](HWND window) {
        ASSERT_TRUE(ChooseCameraDrive(window));
        const std::vector<HWND> controls = RunControls(window);
        ClickButton(window, IDC_START);
        ASSERT_TRUE(running.WaitHeld());
        EXPECT_EQ(RunSessionCalls(false), sessionCalls);
        for (const HWND control : controls) EXPECT_FALSE(IsWindowEnabled(control));
        EXPECT_EQ(FALSE, SendMessageW(window, WM_QUERYENDSESSION, 0, 0));
        EXPECT_EQ(LoadCursorA(nullptr, IDC_APPSTARTING), CursorAfterSetCursor(window, HTCLIENT));
        SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(WaitUntil([window] { return IsIconic(window) != FALSE; }));
        SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_TRUE(WaitUntil([window] { return IsIconic(window) == FALSE; }));
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        running.Release();
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Copy OK!", MessageBoxText(box));
        ExpectOutcomeHoldsNoSession(window);
        // Over the dialog disabled behind the box, the cursor is the system's, which
        // points the user to the box, not the busy one.
        const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
        EXPECT_EQ(arrow, CursorAfterSetCursor(box, HTCLIENT));
        EXPECT_EQ(arrow, CursorAfterSetCursor(window, HTERROR));
        Answer(box);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(controls[0]) != FALSE; }));
        for (const HWND control : controls) EXPECT_TRUE(IsWindowEnabled(control));
        EXPECT_EQ(GetDlgItem(window, IDCANCEL), FocusOf(window));
        EXPECT_EQ(TRUE, SendMessageW(window, WM_QUERYENDSESSION, 0, 0));
        EXPECT_EQ(RunSessionCalls(true), sessionCalls);
        EXPECT_EQ((std::vector<HWND>{window, window}), sessionWindows);
    });
    EXPECT_EQ(kFirmwareA, camera.read("A.BIN"));
}

TEST_F(MainDialog, AFailedRunsOutcomeHoldsNoSessionEither) {
    ScratchFolder camera(kCameraFolder);
    package.write("checksum.ini", "4e1\r\n3BF\r\n");
    const RecordedSessionHold recorded;
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(ChooseCameraDrive(window));
        ClickButton(window, IDC_START);
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(0u, MessageBoxText(box).find("It is failed!!!!"));
        ExpectOutcomeHoldsNoSession(window);
        Answer(box);
    });
}

// Keys typed while the run takes no input, up to the moment its outcome shows, do
// not answer the outcome: it waits for the user.
TEST_F(MainDialog, KeysTypedDuringARunDoNotAnswerItsOutcome) {
    ScratchFolder camera(kCameraFolder);
    TypedIntoRunDlg typedInto;
    RunModal(typedInto, [&](HWND window) {
        ASSERT_TRUE(ChooseCameraDrive(window));
        ClickButton(window, IDC_START);
        const HWND box = WaitForBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Copy OK!", MessageBoxText(box));
        Answer(box);
    });
    EXPECT_NE(0u, typedInto.typed);
}
