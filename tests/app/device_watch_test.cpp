#include "device_watch.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "checksum.h"
#include "drive_list.h"
#include "scripted_detector/scripted_detector.h"
#include "system_drives.h"
#include "watch_dialog.h"

namespace {

constexpr std::uint16_t kCameraVid = 0x0ABC;
constexpr std::uint16_t kCameraPid = 0x1D2E;

FoundDevice Record(int driveIndex, std::uint16_t vid = kCameraVid, std::uint16_t pid = kCameraPid) {
    FoundDevice record = {};
    record.DriveIndex = static_cast<std::int16_t>(driveIndex);
    record.VID = vid;
    record.PID = pid;
    record.RecordLength = FOUND_DEVICE_RECORD_LENGTH;
    return record;
}

char Find(const std::vector<FoundDevice>& table) {
    return FindCameraDriveLetter(table.data(), static_cast<std::uint32_t>(table.size()),
                                 kCameraVid, kCameraPid);
}

}  // namespace

TEST(FindCameraDriveLetter, TheCameraRecordGivesItsDrive) {
    EXPECT_EQ(Find({Record(6)}), 'G');
    EXPECT_EQ(Find({Record(25)}), 'Z');
    EXPECT_EQ(Find({Record(0)}), 'A');
}

TEST(FindCameraDriveLetter, TheLastCameraRecordDecides) {
    EXPECT_EQ(Find({Record(5), Record(4)}), 'E');
    EXPECT_EQ(Find({Record(4), Record(7, 0x1234, kCameraPid), Record(5)}), 'F');
}

TEST(FindCameraDriveLetter, OtherDevicesAreIgnored) {
    EXPECT_EQ(Find({Record(6, kCameraVid, 0x1D2F)}), 0);
    EXPECT_EQ(Find({Record(6, 0x0ABD, kCameraPid)}), 0);
    EXPECT_EQ(Find({}), 0);
    EXPECT_EQ(FindCameraDriveLetter(nullptr, 0, kCameraVid, kCameraPid), 0);
}

TEST(FindCameraDriveLetter, OnlyIndexesThatNameADriveCount) {
    EXPECT_EQ(Find({Record(37)}), 'f');          // a lower-case letter from 95/98/ME
    EXPECT_EQ(Find({Record(-65)}), 0);           // an instance without a letter
    EXPECT_EQ(Find({Record(26)}), 0);            // '[' is no drive
    EXPECT_EQ(Find({Record(5), Record(-65)}), 'F');
    EXPECT_EQ(Find({Record(0x106)}), 'G');       // only the low byte is read
}

// The registration binds RegisterDeviceNotificationA at run time (Windows 95 lacks it);
// where the system has it, a window is registered for USB device interfaces.
TEST(RegisterUsbNotification, RegistersAWindowWhereTheSystemHasTheFunction) {
    const HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HDEVNOTIFY handle = nullptr;
    EXPECT_TRUE(RegisterUsbNotification(window, kUsbDeviceInterfaceClass, &handle));
    EXPECT_NE(handle, nullptr);
    if (handle) UnregisterDeviceNotification(handle);
    DestroyWindow(window);
}

TEST(UpdatePresence, FollowsTheCameraBetweenAbsentAndPresent) {
    std::int32_t present = 0;
    EXPECT_EQ(UpdatePresence(present, false), WatchChange::none);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(UpdatePresence(present, true), WatchChange::cameraArrived);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(UpdatePresence(present, true), WatchChange::none);
    EXPECT_EQ(UpdatePresence(present, false), WatchChange::cameraLeft);
    EXPECT_EQ(present, 0);
}

namespace {

using namespace uidriver;

constexpr DWORD kQuietWaitMs = 2500;  // long enough for two ticks that must not come

}  // namespace

TEST_F(WatchDialog, CameraAttachedAtStartBecomesTheTargetAndLocksTheDriveList) {
    Script({{6, 0xABC, 0x1D2E}});
    const std::vector<std::string> drives = SystemDriveEntries();
    const long callsBefore = Calls();
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));
        // Unlocked until the first tick: read before the count, so that no tick can
        // fall between the two reads unseen.
        const bool lockedEarly = Locked(window);
        if (Calls() == callsBefore) {
            EXPECT_FALSE(lockedEarly);
        }
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ(drives, ComboEntries(Combo(window)));
        EXPECT_EQ(ComboEntryIndex(Combo(window), "G:\\"), ComboSelection(Combo(window)));
        EXPECT_EQ("Copy OK!", StartRun(window));
        // The run gives the list back as it was: locked while the camera stays. Its
        // thread takes the message once the run has returned.
        ASSERT_TRUE(WaitUntil([window] { return IsWindowEnabled(GetDlgItem(window, IDC_START)) != FALSE; }));
        SendMessageW(window, WM_NULL, 0, 0);
        EXPECT_TRUE(Locked(window));
    });
    EXPECT_EQ(kCameraFolder, dialog.config.targetFolder);
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

TEST_F(WatchDialog, UnpluggingUnlocksTheDriveListAndKeepsTheTarget) {
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        Script({});
        ASSERT_TRUE(WaitLocked(window, false));
        // G: is still a drive: its entry stays selected and the target stays.
        EXPECT_EQ(ComboEntryIndex(Combo(window), "G:\\"), ComboSelection(Combo(window)));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

TEST_F(WatchDialog, WithTwoCameraRecordsTheLaterOneDecides) {
    Script({{25, 0xABC, 0x1D2E}, {6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

TEST_F(WatchDialog, TicksComeOnceASecond) {
    constexpr long kTicks = 3;
    RunModal(dialog, [&](HWND) {
        const long first = Calls();
        ASSERT_TRUE(WaitUntil([&] { return Calls() > first; }, kTickWaitMs));
        const long from = Calls();
        const DWORD start = GetTickCount();
        ASSERT_TRUE(WaitUntil([&] { return Calls() >= from + kTicks; }, kTicks * kTickWaitMs));
        const DWORD perTick = (GetTickCount() - start) / kTicks;
        // The timer never comes early; on a busy machine one tick of the three may
        // fall a whole period late (Windows then drops it), which still reads once a second.
        EXPECT_GE(perTick, 900u);
        EXPECT_LE(perTick, 1500u);
    });
}

// While the drives stay, the ticks leave the list's entries alone: rebuilt every
// second, it would flicker and lose what the user is doing with it. A mark on an
// entry shows whether it is still the same entry.
TEST_F(WatchDialog, TheDriveListIsNotRebuiltWhileTheDrivesStay) {
    constexpr LPARAM kMark = 0x5A;
    RunModal(dialog, [&](HWND window) {
        ASSERT_NE(CB_ERR, SendMessageW(Combo(window), CB_SETITEMDATA, 0, kMark));
        EXPECT_TRUE(NeverWithinTwoTicks([&] { return SendMessageW(Combo(window), CB_GETITEMDATA, 0, 0) != kMark; }));
    });
}

TEST_F(WatchDialog, RecordsOfOtherDevicesAndRecordsWithoutADriveAreIgnored) {
    Script({{6, 0xABC, 0x1D2F}, {6, 0x1234, 0x1D2E}, {-65, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        EXPECT_TRUE(NeverWithinTwoTicks([window] { return Locked(window); }));
    });
    EXPECT_NE(kCameraFolder, dialog.config.targetFolder);
}

TEST_F(WatchDialog, AfterAFailedVerificationNoTickRunsUntilTheNextStart) {
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        const std::string spoilt = "spoilt firmware";
        package.write("A.BIN", spoilt);
        const std::string spoiltSum = ChecksumText(SumBytes(reinterpret_cast<const unsigned char*>(spoilt.data()), spoilt.size()));
        EXPECT_EQ("It is failed!!!!\n The check sum is " + spoiltSum, StartRun(window));

        const long callsAfterFailure = Calls();
        Script({});  // the camera goes; a tick would unlock the drive list
        Sleep(kQuietWaitMs);
        EXPECT_EQ(callsAfterFailure, Calls());
        EXPECT_TRUE(Locked(window));

        package.write("A.BIN", kFirmwareA);
        EXPECT_EQ("Copy OK!", StartRun(window));
        EXPECT_TRUE(WaitLocked(window, false));
    });
}

TEST_F(WatchDialog, TicksGoOnBehindAnOpenMessageBox) {
    RunModal(dialog, [&](HWND window) {
        // The camera's folder by hand, not the default target, whose contents no test owns.
        ChooseComboEntry(window, IDC_TARGET_DISK, ComboEntryIndex(Combo(window), "G:\\"));
        ASSERT_TRUE(WaitUntil([window] { return ItemText(window, IDC_TARGET_FOLDER) == kCameraFolder; }));
        ClickButton(window, IDC_COMPARE);  // the camera folder is absent: both files differ
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("These files are not same with the source files:\nA.BIN\nB.BIN\n", MessageBoxText(box));
        Script({{6, 0xABC, 0x1D2E}});
        EXPECT_TRUE(WaitLocked(window, true));
        EXPECT_TRUE(IsWindow(box));
        Answer(box);
    });
}

// The drive list shows the drive Start writes to. Wine keeps a running process's
// drives as they were at its start, so drives that come and go are played into the
// program's own list: inside every detector call, after the tick's own refresh,
// the drives the test names replace the system's.
namespace {

std::string playedDrives;  // as GetLogicalDriveStringsA writes them; empty: the system's
bool throwInNextCall = false;  // the next detector call throws, as a failing tick would
const char kThrownText[] = "the tick failed";

// Holds the played drives for a scope against the other thread: the test's sets
// them, the dialog's reads them. The 32-bit build's C++ library has no std::mutex.
class PlayedDrivesHold {
public:
    PlayedDrivesHold() { EnterCriticalSection(&Section()); }
    ~PlayedDrivesHold() { LeaveCriticalSection(&Section()); }

private:
    struct InitializedSection {
        InitializedSection() { InitializeCriticalSection(&section); }
        CRITICAL_SECTION section;
    };
    static CRITICAL_SECTION& Section() {
        static InitializedSection lock;
        return lock.section;
    }
};

void __cdecl PlayDrives() {
    const PlayedDrivesHold hold;
    if (throwInNextCall) {
        throwInNextCall = false;
        throw std::runtime_error(kThrownText);
    }
    if (!playedDrives.empty()) StoreDriveStrings(playedDrives.data(), playedDrives.size());
}

class DriveListShowsTarget : public WatchDialog {
protected:
    DriveListShowsTarget() { SetHook(&PlayDrives); }
    ~DriveListShowsTarget() override {
        Play({});
        SetHook(nullptr);
    }

    static void SetHook(ScriptedDetectorHook hook) {
        const auto set = reinterpret_cast<SetScriptedDetectorHookFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("detector.dll"), kSetScriptedDetectorHookName)));
        ASSERT_NE(nullptr, set);
        set(hook);
    }
    // Makes the drives of the next ticks these entries ("C:\\", ...); none: the system's.
    static void Play(const std::vector<std::string>& entries) {
        std::string strings;
        for (const std::string& entry : entries) strings += entry + '\0';
        const PlayedDrivesHold hold;
        playedDrives = strings;
    }
    static void ThrowInNextCall() {
        const PlayedDrivesHold hold;
        throwInNextCall = true;
    }
    static void ScriptMessageBox() {
        std::ofstream(ProgramFolder() + "\\scripted-detector.txt", std::ios::trunc) << "message-box\n";
    }
    static bool WaitShows(HWND window, const std::vector<std::string>& entries, const std::string& selected) {
        return WaitUntil([&] {
            return ComboEntries(Combo(window)) == entries &&
                   ComboSelection(Combo(window)) == ComboEntryIndex(Combo(window), selected);
        }, kTickWaitMs);
    }
    // Whether the list stays with these entries, this one selected and locked or not,
    // while the watch ticks twice more.
    static bool StaysShowing(HWND window, const std::vector<std::string>& entries, const std::string& selected,
                             bool locked) {
        return NeverWithinTwoTicks([&] {
            return ComboEntries(Combo(window)) != entries ||
                   ComboSelection(Combo(window)) != ComboEntryIndex(Combo(window), selected) ||
                   Locked(window) != locked;
        });
    }
    static std::vector<std::string> Without(std::vector<std::string> entries, const std::string& entry) {
        entries.erase(std::remove(entries.begin(), entries.end(), entry), entries.end());
        return entries;
    }

    const std::vector<std::string> drives = SystemDriveEntries();
};

}  // namespace

TEST_F(DriveListShowsTarget, CameraUnpluggedWithItsDriveGoneLeavesNoSelectionAndNoTarget) {
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        Play(Without(drives, "G:\\"));
        Script({});
        ASSERT_TRUE(WaitLocked(window, false));
        EXPECT_EQ(Without(drives, "G:\\"), ComboEntries(Combo(window)));
        EXPECT_EQ(-1, ComboSelection(Combo(window)));
        ClickButton(window, IDC_START);
        EXPECT_EQ(nullptr, WaitForMessageBox(dialogThread, kNextMessageWaitMs));
    });
    EXPECT_EQ("", dialog.config.targetFolder);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kCameraFolder));
}

TEST_F(DriveListShowsTarget, DrivesAddedAndRemovedAreFollowedWithTheTargetSelected) {
    RunModal(dialog, [&](HWND window) {
        ChooseComboEntry(window, IDC_TARGET_DISK, ComboEntryIndex(Combo(window), "G:\\"));
        ASSERT_TRUE(WaitUntil([&] { return ItemText(window, IDC_TARGET_FOLDER) == kCameraFolder; }));
        std::vector<std::string> added = drives;
        added.insert(added.begin(), "A:\\");
        Play(added);
        EXPECT_TRUE(WaitShows(window, added, "G:\\"));
        Play(Without(drives, drives.front()));
        EXPECT_TRUE(WaitShows(window, Without(drives, drives.front()), "G:\\"));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// The detector's box leaves the dialog usable: a choice made behind it, while the
// tick has refreshed the drives but not yet the list, takes the entry's own drive.
TEST_F(DriveListShowsTarget, AChoiceAfterTheDrivesChangedTakesTheChosenEntrysDrive) {
    std::vector<std::string> added = drives;
    added.insert(added.begin(), "A:\\");
    Play(added);
    ScriptMessageBox();
    RunModal(dialog, [&](HWND window) {
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        ASSERT_EQ(drives, ComboEntries(Combo(window)));
        ChooseComboEntry(window, IDC_TARGET_DISK, ComboEntryIndex(Combo(window), "G:\\"));
        EXPECT_TRUE(WaitUntil([&] { return ItemText(window, IDC_TARGET_FOLDER) == kCameraFolder; }));
        Script({});
        Answer(box);
        EXPECT_TRUE(WaitShows(window, added, "G:\\"));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// Behind an open box of the detector the ticks go on, and each returns at once: the
// detector is never entered twice and only its one box is open. Measured without
// that rule under Wine: a call and a box more every second, 400 deep after 400 s.
TEST_F(DriveListShowsTarget, TheDetectorsMessageBoxNeverNestsTheWatch) {
    ScriptMessageBox();
    RunModal(dialog, [&](HWND window) {
        for (int box = 0; box < 2; ++box) {
            const HWND open = WaitForMessageBox(dialogThread);
            ASSERT_NE(nullptr, open);
            const long calls = Calls();
            Sleep(kQuietWaitMs);
            EXPECT_EQ(calls, Calls());
            EXPECT_EQ(open, WaitForMessageBox(dialogThread, 0));
            EXPECT_EQ(nullptr, WaitForWindow([&](HWND w) {
                return w != open && DialogOfThread(dialogThread)(w) && IsMessageBox(w);
            }, 0));
            if (box == 1) Script({{6, 0xABC, 0x1D2E}});  // the watch goes on and finds the camera
            Answer(open);
            ASSERT_TRUE(WaitUntil([open] { return !IsWindow(open); }));
        }
        EXPECT_TRUE(WaitLocked(window, true));
    });
}

// The 95/98/ME detection reports the letter as the registry holds it, lower case
// included: it names the same drive, whose entry the list shows.
TEST_F(DriveListShowsTarget, ALowerCaseCameraLetterIsItsDrive) {
    Script({{'g' - 'A', 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_TRUE(WaitShows(window, drives, "G:\\"));
        EXPECT_TRUE(StaysShowing(window, drives, "G:\\", true));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

TEST_F(DriveListShowsTarget, ACameraWhoseLetterChangesIsFollowedWhileItStaysAttached) {
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ASSERT_TRUE(WaitShows(window, drives, "G:\\"));
        Script({{'Y' - 'A', 0xABC, 0x1D2E}});
        EXPECT_TRUE(WaitShows(window, drives, "Y:\\"));
        Script({{6, 0xABC, 0x1D2E}});
        EXPECT_TRUE(WaitShows(window, drives, "G:\\"));
        EXPECT_TRUE(Locked(window));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// A camera on a drive the refreshed list lacks is not found yet, neither before
// nor while it is attached: list, lock and target stay until its drive is listed.
TEST_F(DriveListShowsTarget, ACameraLetterMissingFromTheDriveListWaitsUntilItIsListed) {
    const std::string last = drives.back();
    Play(Without(drives, "G:\\"));
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        EXPECT_TRUE(StaysShowing(window, drives, last, false));
        Play(drives);
        ASSERT_TRUE(WaitLocked(window, true));
        ASSERT_TRUE(WaitShows(window, drives, "G:\\"));
        Play(Without(drives, "G:\\"));
        EXPECT_TRUE(StaysShowing(window, drives, "G:\\", true));
        Play(drives);
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// A tick that throws is reported, and the watch goes on: the next ticks find the camera.
TEST_F(DriveListShowsTarget, ATickThatThrowsIsReportedAndTheWatchGoesOn) {
#ifndef __SEH__
    // Without table-based unwinding each module of the 32-bit build unwinds only its
    // own frames, and an exception thrown through the detector's ends the program.
    GTEST_SKIP() << "an exception cannot pass through detector.dll in this build";
#endif
    ThrowInNextCall();
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(kThrownText, MessageBoxText(box));
        Answer(box);
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_TRUE(WaitShows(window, drives, "G:\\"));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// With nothing selected a choice names no drive: the target stays the departed
// camera's, although the hidden target field, which no tick refreshes, shows
// another. The run shows where the target pointed when it began.
TEST_F(DriveListShowsTarget, ASelectionChangeWithNothingSelectedKeepsTheTarget) {
    Script({{6, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ASSERT_NE(kCameraFolder, ItemText(window, IDC_TARGET_FOLDER));
        Script({});
        ASSERT_TRUE(WaitLocked(window, false));
        ChooseComboEntry(window, IDC_TARGET_DISK, -1);
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(kCameraFolder));
}

// The picked folder's drive is the target's, whatever drive was chosen before: a
// refilled list selects it.
TEST_F(DriveListShowsTarget, BrowseMakesThePickedFolderTheTargetOfTheNextRun) {
    const std::string picked = "G:\\picked";
    RemoveFolderTree(picked);
    ASSERT_TRUE(CreateDirectoryA(picked.c_str(), nullptr));
    RunModal(dialog, [&](HWND window) {
        const std::string before = ItemText(window, IDC_TARGET_FOLDER);
        const auto waitForPicker = [&] {
            return WaitForWindow([window](HWND w) { return GetWindow(w, GW_OWNER) == window && IsDialogWindow(w); });
        };
        ClickButton(window, IDC_BROWSE);
        HWND picker = waitForPicker();
        ASSERT_NE(nullptr, picker);
        PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(WaitUntil([picker] { return !IsWindow(picker); }));

        ClickButton(window, IDC_BROWSE);
        picker = waitForPicker();
        ASSERT_NE(nullptr, picker);
        // The second picker comes after the first one's command ended: the cancel
        // has left the target as it was.
        EXPECT_EQ(before, ItemText(window, IDC_TARGET_FOLDER));
        // The picker's flags: the resizable new style, an edit box, and only
        // file-system folders (My Computer cannot be taken). The picker is found
        // as soon as it exists; its edit box shows once it is set up.
        EXPECT_NE(0, GetWindowLongW(picker, GWL_STYLE) & WS_THICKFRAME);
        ASSERT_TRUE(WaitUntil([picker] {
            return IsWindowVisible(picker) && IsWindowVisible(FindWindowExW(picker, nullptr, L"Edit", nullptr));
        }));
        PIDLIST_ABSOLUTE computer = nullptr;
        ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer));
        SendMessageA(picker, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        CoTaskMemFree(computer);
        EXPECT_TRUE(WaitUntil([picker] { return !IsWindowEnabled(GetDlgItem(picker, IDOK)); }));
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(picked.c_str()));
        EXPECT_TRUE(WaitUntil([picker] { return IsWindowEnabled(GetDlgItem(picker, IDOK)) != FALSE; }));
        Answer(picker);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(window, IDC_TARGET_FOLDER) == picked; }));
        std::vector<std::string> added = drives;
        added.insert(added.begin(), "A:\\");
        Play(added);
        EXPECT_TRUE(WaitShows(window, added, "G:\\"));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(picked));
    RemoveFolderTree(picked);
}
