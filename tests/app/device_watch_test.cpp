#include "device_watch.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "checksum.h"
#include "main_dialog.h"
#include "modal_run.h"
#include "resources/resource.h"
#include "scratch_folder.h"
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
    static long Calls() {
        std::ifstream calls(ProgramFolder() + "\\scripted-detector.calls");
        long count = 0;
        calls >> count;
        return count;
    }

    static HWND Combo(HWND window) { return GetDlgItem(window, IDC_TARGET_DISK); }
    static bool Locked(HWND window) { return IsWindowEnabled(Combo(window)) == FALSE; }
    static bool WaitLocked(HWND window, bool locked) {
        return WaitUntil([&] { return Locked(window) == locked; }, kTickWaitMs);
    }

    // Presses Start, answers the run's last message and returns its text.
    std::string StartRun(HWND window) const {
        ClickButton(window, IDC_START);
        const HWND box = WaitForMessageBox(dialogThread);
        if (box == nullptr) return "<no message>";
        const std::string text = MessageBoxText(box);
        Answer(box);
        WaitUntil([box] { return !IsWindow(box); });
        return text;
    }
    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    static bool HoldsThePackage(const std::string& folder) {
        return Contents(folder + "\\A.BIN") == kFirmwareA && Contents(folder + "\\B.BIN") == kFirmwareB;
    }

    ScratchFolder package;
    CurrentDirectoryScope here_;
    CUpdateDlg dialog;
    const DWORD dialogThread = GetCurrentThreadId();
};

}  // namespace

TEST_F(WatchDialog, CameraAttachedAtStartBecomesTheTargetAndLocksTheDriveList) {
    Script({{6, 0xABC, 0x1D2E}});
    const std::vector<std::string> drives = SystemDriveEntries();
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));
        EXPECT_FALSE(Locked(window));
        ASSERT_TRUE(WaitLocked(window, true));
        EXPECT_EQ(drives, ComboEntries(Combo(window)));
        EXPECT_EQ(static_cast<int>(drives.size()) - 1, ComboSelection(Combo(window)));
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
        EXPECT_EQ(static_cast<int>(SystemDriveEntries().size()) - 1, ComboSelection(Combo(window)));
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

TEST_F(WatchDialog, RecordsOfOtherDevicesAndRecordsWithoutADriveAreIgnored) {
    Script({{6, 0xABC, 0x1D2F}, {6, 0x1234, 0x1D2E}, {-65, 0xABC, 0x1D2E}});
    RunModal(dialog, [&](HWND window) {
        const long before = Calls();
        ASSERT_TRUE(WaitUntil([&] { return Calls() >= before + 2; }, kTickWaitMs + 1000));
        EXPECT_FALSE(Locked(window));
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
        ClickButton(window, IDC_COMPARE);  // the camera folder is empty: both files differ
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("These files are not same with the source files:\nA.BIN\nB.BIN\n", MessageBoxText(box));
        Script({{6, 0xABC, 0x1D2E}});
        EXPECT_TRUE(WaitLocked(window, true));
        EXPECT_TRUE(IsWindow(box));
        Answer(box);
    });
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
        EXPECT_EQ(before, ItemText(window, IDC_TARGET_FOLDER));

        ClickButton(window, IDC_BROWSE);
        picker = waitForPicker();
        ASSERT_NE(nullptr, picker);
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(picked.c_str()));
        Answer(picker);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(window, IDC_TARGET_FOLDER) == picked; }));
        EXPECT_EQ("Copy OK!", StartRun(window));
    });
    EXPECT_TRUE(HoldsThePackage(picked));
    RemoveFolderTree(picked);
}
