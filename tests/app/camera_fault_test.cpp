// Faults of the camera itself, produced for real: camera_fault_test.sh mounts
// fault_camera.py as the test camera G: for each case, a file system that stores
// into a folder of its own and fails on demand. A case switches its faults with
// Faults(); the camera starts every case empty and sound. These cases run only
// from there.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checksum.h"
#include "recording_view.h"
#include "staged_name.h"
#include "update_run.h"
#include "watch_dialog.h"

namespace {

using namespace uidriver;

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
    // messages, no session held behind the last, the bar back at 0 and the watch
    // running again.
    void ExpectCopyFailure(HWND window, const Texts& texts) {
        EXPECT_EQ(texts, RunMessages(window));
        ASSERT_FALSE(sessionEndRefused.empty());
        EXPECT_FALSE(sessionEndRefused.back());
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
// An old file that another program holds cannot be deleted and makes no room: while
// C.BIN is held, nothing is deleted for nothing.
TEST_F(CameraFault, RoomOnlyInPlaceOfTheOldFilesIsEnoughForTheUpdate) {
    PutOldFirmware(kCameraFolder);
    const std::size_t newBytes = firmwareA.size() + firmwareB.size() + firmwareC.size();
    Faults("full * " + std::to_string(newBytes + 16 * kKiB));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        const HANDLE holder = CreateFileA("G:\\DCIM\\C.BIN", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        ExpectCopyFailure(window, Texts{CopyFailure(ERROR_DISK_FULL, "C.BIN")});
        CloseHandle(holder);
        EXPECT_TRUE(HoldsTheOldFirmwareOnly(kCameraFolder));
        EXPECT_EQ(Texts{"Copy OK!"}, RunMessages(window));
    });
    EXPECT_TRUE(HoldsTheWholePackage(kCameraFolder));
    EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>(kNames.begin(), kNames.end()));
}

// The room is counted in the drive's whole clusters, with one cluster more for the
// folder's entries. The test camera stores bytes, not clusters: files that each end
// inside a cluster fit it in bytes, but not on a camera that allocates clusters, so
// the run changes nothing. One cluster more and the update goes through.
TEST_F(CameraFault, RoomIsCountedInWholeClustersWithOneToSpare) {
    constexpr std::size_t kShortOfACluster = 3000;
    std::vector<std::string> firmware = {firmwareA, firmwareB, firmwareC};
    std::string sums;
    for (std::size_t i = 0; i < firmware.size(); ++i) {
        firmware[i].resize(firmware[i].size() - kShortOfACluster);
        package.write(kNames[i], firmware[i]);
        sums += SumText(firmware[i]) + "\r\n";
    }
    package.write("checksum.ini", sums);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("G:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters));
    const std::size_t cluster = std::size_t{sectorsPerCluster} * bytesPerSector;
    ASSERT_GT(cluster, kShortOfACluster);
    std::size_t wholeClusters = 0;
    for (const std::string& file : firmware) wholeClusters += (file.size() + cluster - 1) / cluster * cluster;
    Faults("full * " + std::to_string(wholeClusters));
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{CopyFailure(ERROR_DISK_FULL, "C.BIN")});
        EXPECT_EQ(Listing(kCameraFolder), std::vector<std::string>{});
        Faults("full * " + std::to_string(wholeClusters + cluster));
        EXPECT_EQ(Texts{"Copy OK!"}, RunMessages(window));
    });
    for (std::size_t i = 0; i < firmware.size(); ++i) EXPECT_TRUE(firmware[i] == Contents("G:\\DCIM\\" + kNames[i])) << i;
}

TEST_F(CameraFault, ReadOnlyCameraReportsItsCodesAndNoSuccess) {
    Faults("read-only *");
    RunModal(dialog, [&](HWND window) {
        ASSERT_TRUE(WaitLocked(window, true));
        ExpectCopyFailure(window, Texts{"Can not create the folder! Err:" + std::to_string(ERROR_ACCESS_DENIED),
                                        CopyFailure(ERROR_PATH_NOT_FOUND, "A.BIN")});
        // The copy follows the first message: the session stays held while it is up.
        EXPECT_EQ((std::vector<bool>{true, false}), sessionEndRefused);
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
        // The staged copies are discarded after the first message.
        EXPECT_EQ((std::vector<bool>{true, false}), sessionEndRefused);
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
    // Each file is at least created, written and renamed: fewer cut points mean
    // that the cut fault no longer cuts, and nothing above was tested.
    EXPECT_GE(cut, 3 * config.fileCount);
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
