#include "device_watch.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "checksum.h"
#include "drive_list.h"
#include "main_dialog.h"
#include "modal_run.h"
#include "recording_view.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "staged_name.h"
#include "update_run.h"
#include "scripted_detector/scripted_detector.h"
#include "system_drives.h"
#include "window_driver.h"

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

// The dialog's watch against the scripted detector.dll that lies beside this test
// program: each test writes what the detector answers, the dialog runs as the user
// meets it, and a firmware run shows which folder the watch made the target.
namespace {

using namespace uidriver;

constexpr DWORD kTickWaitMs = 3000;   // a tick is due every second; allow for a slow start
constexpr DWORD kQuietWaitMs = 2500;  // long enough for two ticks that must not come
constexpr DWORD kNextMessageWaitMs = 2000;  // a run's next message follows the answer at once
const char kCameraFolder[] = "G:\\DCIM";
const char kFirmwareA[] = "firmware A \x01\x02\xff";
const char kFirmwareB[] = "firmware B";
const char kChecksumLines[] = "4e0\r\n3bf\r\n";  // the byte sums of the two files

struct ScriptedRecord {
    int driveIndex;
    unsigned vid;
    unsigned pid;
};

class WatchDialog : public ::testing::Test {
protected:
    WatchDialog() : here_(package.path()) {
        package.write("FirmWare.ini",
                      "[PID_VID]\r\nPID_VID=USB\\VID_0ABC&PID_1D2E\r\n"
                      "[setting]\r\nproductname=VX5207\r\nfwver=V2.03\r\nfilenum=2\r\n0=A.BIN\r\n1=B.BIN\r\n");
        package.write("checksum.ini", kChecksumLines);
        package.write("A.BIN", kFirmwareA);
        package.write("B.BIN", kFirmwareB);
        Script({});
        RemoveFolderTree(kCameraFolder);
    }
    ~WatchDialog() override {
        Script({});
        RemoveFolderTree(kCameraFolder);
    }

    static void Script(const std::vector<ScriptedRecord>& records) {
        std::ofstream script(ProgramFolder() + "\\scripted-detector.txt", std::ios::trunc);
        for (const ScriptedRecord& r : records)
            script << std::dec << r.driveIndex << ' ' << std::hex << r.vid << ' ' << r.pid << '\n';
    }
    // The detector rewrites the count on every call: a read that finds the file
    // empty fell between its truncation and the write, and is taken again.
    static long Calls() {
        long count = 0;
        WaitUntil([&count] {
            std::ifstream calls(ProgramFolder() + "\\scripted-detector.calls");
            return !calls || static_cast<bool>(calls >> count);
        });
        return count;
    }

    static HWND Combo(HWND window) { return GetDlgItem(window, IDC_TARGET_DISK); }
    static bool Locked(HWND window) { return IsWindowEnabled(Combo(window)) == FALSE; }
    static bool WaitLocked(HWND window, bool locked) {
        return WaitUntil([&] { return Locked(window) == locked; }, kTickWaitMs);
    }
    // Whether state stays away until the watch has begun two more ticks, so that at
    // least one whole tick ran.
    static bool NeverWithinTwoTicks(const std::function<bool()>& state) {
        const long calls = Calls();
        bool seen = false;
        WaitUntil([&] {
            seen = seen || state();
            return seen || Calls() >= calls + 2;
        }, 2 * kTickWaitMs);
        return !seen && Calls() >= calls + 2;
    }

    // Presses Start and answers every message of the run; returns their texts.
    std::vector<std::string> RunMessages(HWND window) const {
        std::vector<std::string> texts;
        ClickButton(window, IDC_START);
        while (const HWND box = WaitForMessageBox(dialogThread, texts.empty() ? kDefaultWaitMs : kNextMessageWaitMs)) {
            texts.push_back(MessageBoxText(box));
            Answer(box);
            WaitUntil([box] { return !IsWindow(box); });
        }
        return texts;
    }
    // Presses Start and answers the run's messages; returns the one text of a run
    // that showed exactly one.
    std::string StartRun(HWND window) const {
        const std::vector<std::string> texts = RunMessages(window);
        return texts.size() == 1 ? texts[0] : "<" + std::to_string(texts.size()) + " messages>";
    }
    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    bool HoldsThePackage(const std::string& folder) const {
        return Contents(folder + "\\A.BIN") == firmwareA && Contents(folder + "\\B.BIN") == firmwareB;
    }

    std::string firmwareA = kFirmwareA;
    std::string firmwareB = kFirmwareB;

    ScratchFolder package;
    CurrentDirectoryScope here_;
    CUpdateDlg dialog;
    const DWORD dialogThread = GetCurrentThreadId();
};

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
        if (Calls() == callsBefore) EXPECT_FALSE(lockedEarly);
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ(drives, ComboEntries(Combo(window)));
        EXPECT_EQ(ComboEntryIndex(Combo(window), "G:\\"), ComboSelection(Combo(window)));
        EXPECT_EQ("Copy OK!", StartRun(window));
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

TEST_F(WatchDialog, BrowseMakesThePickedFolderTheTargetOfTheNextRun) {
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
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(picked));
    RemoveFolderTree(picked);
}

// Faults of the camera itself, produced for real: camera_fault_test.sh mounts
// fault_camera.py as the test camera G: for each case, a file system that stores
// into a folder of its own and fails on demand. A case switches its faults with
// Faults(); the camera starts every case empty and sound. These cases run only
// from there.
namespace {

constexpr std::size_t kKiB = 1024;
const char kFiller[] = "G:\\filler";
constexpr std::size_t kFillerBytes = 256 * kKiB;
constexpr int kNoSuchDevice = 433;  // ERROR_NO_SUCH_DEVICE, which mingw-w64's headers lack

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + seed + i / 251);
    return bytes;
}

std::string SumText(const std::string& bytes) {
    return ChecksumText(SumBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

std::string ChecksumFailure(const std::string& sum) { return "It is failed!!!!\n The check sum is " + sum; }

using Texts = std::vector<std::string>;

// A package of three files of several write blocks each, so that a fault can
// strike between files and inside one.
class CameraFault : public WatchDialog {
protected:
    CameraFault() {
        firmwareA = Pattern(64 * kKiB, 1);
        firmwareB = Pattern(128 * kKiB, 2);
        package.write("FirmWare.ini",
                      "[PID_VID]\r\nPID_VID=USB\\VID_0ABC&PID_1D2E\r\n[setting]\r\nproductname=VX5207\r\n"
                      "fwver=V2.03\r\nfilenum=3\r\n0=A.BIN\r\n1=B.BIN\r\n2=C.BIN\r\n");
        package.write("A.BIN", firmwareA);
        package.write("B.BIN", firmwareB);
        package.write("C.BIN", firmwareC);
        package.write("checksum.ini",
                      SumText(firmwareA) + "\r\n" + SumText(firmwareB) + "\r\n" + SumText(firmwareC) + "\r\n");
        Script({{6, 0xABC, 0x1D2E}});
    }
    ~CameraFault() override {
        Faults("");
        DeleteFileA(kFiller);
    }

    // Replaces the camera's faults, one a line as fault_camera.py reads them;
    // "" makes the camera sound. The control file is replaced whole, so that the
    // camera never reads half a list.
    static void Faults(const std::string& lines) {
        const char* control = std::getenv("CAMERA_FAULTS");
        ASSERT_NE(nullptr, control);
        const std::string next = std::string(control) + ".next";
        WriteBytes(next, lines);
        ASSERT_TRUE(MoveFileExA(next.c_str(), control, MOVEFILE_REPLACE_EXISTING));
    }

    static LRESULT Position(HWND window) { return SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETPOS, 0, 0); }
    static bool TicksAgain() {
        const long calls = Calls();
        return WaitUntil([calls] { return Calls() > calls; }, kTickWaitMs);
    }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string CopyFailure(int code, const char* file) const {
        return "Copy files failed! Err:" + std::to_string(code) + "\n" + package.pathOf(file);
    }
    // Presses Start and checks the outcome of a failed copy: exactly these
    // messages, the bar back at 0 and the watch running again.
    void ExpectCopyFailure(HWND window, const Texts& texts) const {
        EXPECT_EQ(texts, RunMessages(window));
        EXPECT_EQ(0, Position(window));
        EXPECT_TRUE(TicksAgain());
    }
    // The camera stores the staged copy of file slot with the fault kind (and its
    // number), holding held: the run fails with the checksum of what the camera
    // holds, and the old files stay as they were, with no staged copy beside them.
    void ExpectStoredCopyCaught(const std::string& kind, int slot, const std::string& held,
                                const std::string& number = "") {
        PutOldFirmware(kCameraFolder);
        Faults(kind + " " + StagedFileName(slot) + " " + number);
        RunModal(dialog, [&](HWND window) {
            ASSERT_TRUE(WaitLocked(window, true));
            EXPECT_EQ(Texts{ChecksumFailure(SumText(held))}, RunMessages(window));
        });
        EXPECT_TRUE(HoldsTheOldFirmwareOnly(kCameraFolder));
    }
    bool HoldsTheWholePackage(const std::string& folder) const {
        return HoldsThePackage(folder) && Contents(folder + "\\C.BIN") == firmwareC;
    }
    // Older versions of the three files, of other sizes, as the camera holds them
    // before an update.
    void PutOldFirmware(const std::string& folder) const {
        CreateDirectoryA(folder.c_str(), nullptr);
        for (std::size_t i = 0; i < kNames.size(); ++i) WriteBytes(folder + "\\" + kNames[i], oldFirmware[i]);
    }
    // The files of DCIM, in name order, and whether they are exactly the old firmware.
    static std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::size_t OldBytes() const {
        std::size_t bytes = 0;
        for (const std::string& old : oldFirmware) bytes += old.size();
        return bytes;
    }
    bool HoldsTheOldFirmwareOnly(const std::string& folder) const {
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (Contents(folder + "\\" + kNames[i]) != oldFirmware[i]) return false;
        }
        return Listing(folder) == std::vector<std::string>(kNames.begin(), kNames.end());
    }

    const std::string firmwareC = Pattern(256 * kKiB, 3);
    const std::array<std::string, 3> kNames = {"A.BIN", "B.BIN", "C.BIN"};
    const std::array<std::string, 3> oldFirmware = {Pattern(40 * kKiB, 5), Pattern(100 * kKiB, 6), Pattern(200 * kKiB, 7)};
};

}  // namespace

// A camera too small for the new files even in place of the old ones: nothing on
// it changes. Once there is room, the update goes through.
TEST_F(CameraFault, TooSmallForTheNewFilesChangesNothingThenRoomIsMade) {
    PutOldFirmware(kCameraFolder);
    WriteBytes(kFiller, Pattern(kFillerBytes, 4));
    // Room for A and B, not for C, even with the old files gone.
    Faults("full * " + std::to_string(kFillerBytes + OldBytes() + 100 * kKiB));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{CopyFailure(ERROR_DISK_FULL, "C.BIN")});
        EXPECT_TRUE(HoldsTheOldFirmwareOnly(kCameraFolder));
        ASSERT_TRUE(DeleteFileA(kFiller));
        EXPECT_EQ(Texts{"Copy OK!"}, RunMessages(window));
    });
    EXPECT_TRUE(HoldsTheWholePackage(kCameraFolder));
}

// Room for the new files only once the old ones are gone: they are deleted first.
TEST_F(CameraFault, RoomOnlyInPlaceOfTheOldFilesIsEnoughForTheUpdate) {
    PutOldFirmware(kCameraFolder);
    const std::size_t newBytes = firmwareA.size() + firmwareB.size() + firmwareC.size();
    Faults("full * " + std::to_string(newBytes + 16 * kKiB));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ(Texts{"Copy OK!"}, RunMessages(window));
    });
    EXPECT_TRUE(HoldsTheWholePackage(kCameraFolder));
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>(kNames.begin(), kNames.end()));
}

TEST_F(CameraFault, ReadOnlyCameraReportsItsCodesAndNoSuccess) {
    Faults("read-only *");
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{"Can not create the folder! Err:" + std::to_string(ERROR_ACCESS_DENIED),
                                        CopyFailure(ERROR_PATH_NOT_FOUND, "A.BIN")});
    });
    EXPECT_FALSE(Exists(kCameraFolder));
}

// The camera turns read-only once the first file is staged: that staged copy cannot
// be removed either, but no firmware name changes.
TEST_F(CameraFault, ReadOnlyAfterTheFirstFileIsACopyFailure) {
    PutOldFirmware(kCameraFolder);
    Faults("read-only * from " + StagedFileName(1));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{CopyFailure(ERROR_ACCESS_DENIED, "B.BIN")});
    });
    for (std::size_t i = 0; i < kNames.size(); ++i) EXPECT_EQ(oldFirmware[i], Contents("G:\\DCIM\\" + kNames[i]));
}

TEST_F(CameraFault, DriveGoneBetweenTheWatchAndStartIsACopyFailure) {
    const char* cameraRoot = std::getenv("CAMERA_ROOT");  // the folder G: leads to
    ASSERT_NE(nullptr, cameraRoot);
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        RemoveFolderTree(cameraRoot);
        ASSERT_FALSE(Exists(cameraRoot));
        ExpectCopyFailure(window, Texts{"Can not create the folder! Err:" + std::to_string(ERROR_FILE_NOT_FOUND),
                                        CopyFailure(ERROR_PATH_NOT_FOUND, "A.BIN")});
    });
}

// Unplugged while the second file is staged, and plugged in again: the next run
// clears what the cut-off one left and ends with only the firmware files.
TEST_F(CameraFault, GoneDuringTheCopyIsNoSuccessAndTheNextRunClearsWhatItLeft) {
    PutOldFirmware(kCameraFolder);
    Faults("gone * from " + StagedFileName(1));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{CopyFailure(kNoSuchDevice, "B.BIN")});
        Faults("");
        for (std::size_t i = 0; i < kNames.size(); ++i) EXPECT_EQ(oldFirmware[i], Contents("G:\\DCIM\\" + kNames[i]));
        EXPECT_TRUE(Exists("G:\\DCIM\\" + StagedFileName(0)));  // left by the cut-off run
        EXPECT_EQ(Texts{"Copy OK!"}, RunMessages(window));
    });
    EXPECT_TRUE(HoldsTheWholePackage(kCameraFolder));
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>(kNames.begin(), kNames.end()));
}

TEST_F(CameraFault, ACopyStoredWithAChangedByteFailsWithTheSumTheCameraHolds) {
    std::string held = firmwareB;
    held[1000] = static_cast<char>(~held[1000]);
    ExpectStoredCopyCaught("changed-byte", 1, held, "1000");
}

// A file without a checksum line is proved by comparing the camera's copy with
// its source: a changed byte in it is no success either.
TEST_F(CameraFault, AChangedByteInAFileWithoutAChecksumFailsTheComparison) {
    package.write("checksum.ini", SumText(firmwareA) + "\r\n" + SumText(firmwareB) + "\r\n");
    std::string held = firmwareC;
    held[10] = static_cast<char>(~held[10]);
    ExpectStoredCopyCaught("changed-byte", 2, held, "10");
}

// Two blocks stored in each other's place keep the byte sum: only the comparison
// with the source finds them.
TEST_F(CameraFault, ACopyStoredWithTwoBlocksSwappedFailsThoughItsSumMatches) {
    ExpectStoredCopyCaught("swapped-blocks", 1, firmwareB);
}

TEST_F(CameraFault, AFakeCapacityCardThatWritesOverTheFirstFileIsNoSuccess) {
    const std::size_t capacity = firmwareA.size() + firmwareB.size() + firmwareC.size() / 2;
    Faults("wrap * " + std::to_string(capacity));
    // What C holds beyond the capacity lands at the camera's start, over A.
    const std::string heldA = firmwareC.substr(capacity - firmwareA.size() - firmwareB.size(), firmwareA.size());
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ(Texts{ChecksumFailure(SumText(heldA))}, RunMessages(window));
    });
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>{});
}

TEST_F(CameraFault, AReadErrorWhileTheCopyIsReadBackIsNoSuccess) {
    Faults("read-error " + StagedFileName(1));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ((Texts{"Open bin file failed! Err:" + std::to_string(ERROR_NOT_READY),
                         ChecksumFailure(SumText(firmwareA))}),
                  RunMessages(window));
    });
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>{});
}

TEST_F(CameraFault, AFailedFlushIsACopyFailureAndTheCopyIsRemoved) {
    Faults("flush-error " + StagedFileName(0));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{CopyFailure(ERROR_NOT_READY, "A.BIN")});
    });
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>{});
}

// The plug pulled after every number of changes a whole update makes, the camera
// holding older versions of the files: each firmware name then holds its old file,
// its new one or nothing, never a part or another file. Old and new mixed can only
// follow a cut inside the renames that put the files in place.
TEST_F(CameraFault, APlugPulledAtAnyPointLeavesEveryFirmwareNameOldNewOrEmpty) {
    const char* store = std::getenv("CAMERA_STORE");
    ASSERT_NE(nullptr, store);
    const std::string storeFolder = std::string(store) + "\\DCIM";
    const std::array<const std::string*, 3> newFirmware = {&firmwareA, &firmwareB, &firmwareC};
    UpdateConfig config;
    config.fileCount = static_cast<int>(kNames.size());
    config.checksumCount = config.fileCount;
    for (int i = 0; i < config.fileCount; ++i) {
        config.fileNames[i] = kNames[static_cast<std::size_t>(i)];
        config.checksums[i] = SumText(*newFirmware[static_cast<std::size_t>(i)]);
    }
    config.setTargetFolder(kCameraFolder);
    constexpr int kMostChanges = 200;
    int mixed = 0;
    int cut = 0;
    for (;; ++cut) {
        ASSERT_LT(cut, kMostChanges);
        Faults("");
        RemoveFolderTree(storeFolder);
        PutOldFirmware(storeFolder);
        Faults("cut * " + std::to_string(cut));
        RecordingView view;
        RunUpdate(config, view);
        if (view.messages == Texts{"Copy OK!"}) break;
        int old = 0, updated = 0;
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            const std::string held = Contents(storeFolder + "\\" + kNames[i]);
            const bool absent = !Exists(storeFolder + "\\" + kNames[i]);
            EXPECT_TRUE(absent || held == oldFirmware[i] || held == *newFirmware[i]) << "cut " << cut << ": " << kNames[i];
            old += held == oldFirmware[i];
            updated += held == *newFirmware[i];
        }
        EXPECT_TRUE(updated == 0 || old + updated == config.fileCount) << "cut " << cut << ": a name left empty";
        mixed += old > 0 && updated > 0;
    }
    EXPECT_TRUE(HoldsTheWholePackage(storeFolder));
    std::printf("a whole update changes the camera %d times; %d cut points leave old and new files mixed\n", cut,
                mixed);
    // Putting a file in place is two changes, its old file's attributes and the
    // rename; only the cuts between the first rename and the last can mix.
    EXPECT_LE(mixed, 2 * (config.fileCount - 1));
}

// On a camera so slow that the run takes many seconds, the dialog answers all the
// while and takes no input until the run and its message are over: a click on
// Start, a click on Exit, Esc and the close box during the run leave one run, the
// dialog open and the focus where it was, and the watch stays stopped.
TEST_F(CameraFault, ASlowCameraKeepsTheDialogAnsweringAndTakesNoInputDuringTheRun) {
    constexpr DWORD kSlowOperationMs = 600;  // each read and write of the camera: about 17 in a run
    constexpr DWORD kShortestRunMs = 8000;   // long enough for Windows to call a silent window hung
    constexpr DWORD kLongestAnswerMs = 500;
    constexpr DWORD kProbePeriodMs = 100;
    constexpr DWORD kProbeTimeoutMs = 4 * kLongestAnswerMs;
    constexpr DWORD kRunDeadlineMs = 60000;
    Faults("slow * " + std::to_string(kSlowOperationMs));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        const HWND exitButton = GetDlgItem(window, IDCANCEL);
        const HWND startButton = GetDlgItem(window, IDC_START);
        ASSERT_EQ(exitButton, FocusOf(window));
        const DWORD start = GetTickCount();
        ClickButton(window, IDC_START);
        DWORD longestAnswer = 0;
        long ticks = -1;  // the watch's calls once the run is under way
        HWND box = nullptr;
        while (!(box = WaitForMessageBox(dialogThread, 0)) && GetTickCount() - start < kRunDeadlineMs) {
            const DWORD sent = GetTickCount();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &ignored);
            longestAnswer = std::max(longestAnswer, GetTickCount() - sent);
            if (ticks < 0 && Position(window) >= 1) {  // the first file is on the camera
                ticks = Calls();
                PostMessageW(startButton, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                PostMessageW(startButton, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
                ClickButton(window, IDC_START);
                ClickButton(window, IDCANCEL);
                PostMessageW(exitButton, WM_KEYDOWN, VK_ESCAPE, 1);
                SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, kProbeTimeoutMs, &ignored);
            }
            Sleep(kProbePeriodMs);
        }
        ASSERT_NE(nullptr, box);
        // From here the camera is fast: a second run, which must not be, would
        // show its message at once, and the check of the copies reads in small blocks.
        Faults("");
        EXPECT_GE(GetTickCount() - start, kShortestRunMs);
        EXPECT_LT(longestAnswer, kLongestAnswerMs);
        EXPECT_EQ(ticks, Calls());
        EXPECT_EQ("Copy OK!", MessageBoxText(box));
        Answer(box);
        EXPECT_TRUE(TicksAgain());
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(nullptr, WaitForMessageBox(dialogThread, 0));
        EXPECT_EQ(exitButton, FocusOf(window));
    });
    EXPECT_TRUE(HoldsTheWholePackage(kCameraFolder));
}
