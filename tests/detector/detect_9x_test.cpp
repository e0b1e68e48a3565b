// The 9x/ME detection path against real HKLM\Enum\SCSI keys, with the USB device list
// simulated. This program sees Windows 98, so the library's own query takes this path.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "detect_9x.h"
#include "result_table.h"
#include "simulated_system.h"
#include "scratch_folder.h"
#include "test_support.h"

namespace {

constexpr char kScsiKey[] = "Enum\\SCSI";
constexpr char kCameraModel[] = "VOSTELTEST_CAMERA";
constexpr char kOtherModel[] = "VOSTELTEST_OTHER";
const DeviceEntry kCamera = MakeEntry(0x0ABC, 0x1D2E, kCameraModel);
const DeviceEntry kOther = MakeEntry(0x1111, 0x2222, kOtherModel);

// A device key under HKLM\Enum\SCSI with instance keys, removed again afterwards.
// An instance given kNoValue has no drive letter value at all.
using Instances = std::vector<std::pair<std::string, std::optional<std::string>>>;
constexpr std::nullopt_t kNoValue = std::nullopt;

class ScsiModelKey {
public:
    ScsiModelKey(const std::string& model, const Instances& instances)
        : path_(std::string(kScsiKey) + "\\" + model) {
        for (const auto& [name, letter] : instances) {
            HKEY key = nullptr;
            const std::string instancePath = path_ + "\\" + name;
            EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, instancePath.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
            if (letter) {
                RegSetValueExA(key, "CurrentDriveLetterAssignment", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(letter->c_str()), letter->size() + 1);
            }
            RegCloseKey(key);
        }
    }
    ~ScsiModelKey() { SHDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str()); }
    ScsiModelKey(const ScsiModelKey&) = delete;
    ScsiModelKey& operator=(const ScsiModelKey&) = delete;

private:
    std::string path_;
};

class Detect9x : public DetectionPathTest {
protected:
    Detect9x() : DetectionPathTest(DetectDrives9x) {}
    void SetUp() override { system.usbDevices.push_back({"USB\\VID_0ABC&PID_1D2E&REV_0001"}); }
};

TEST_F(Detect9x, EveryInstanceOfAnAttachedDeviceGivesARecordInRegistryOrder) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}, {"0002", "G"}});
    EXPECT_EQ(Detect({kCamera}), (Drives{5, 6}));
    EXPECT_EQ(table[0].VID, 0x0ABC);
    EXPECT_EQ(table[1].PID, 0x1D2E);
}

TEST_F(Detect9x, RecordsComeEntryByEntryAndRepeatForRepeatedEntries) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    const ScsiModelKey other(kOtherModel, {{"0001", "H"}});
    system.usbDevices.push_back({"USB\\VID_1111&PID_2222"});
    EXPECT_EQ(Detect({kOther, kCamera, kOther}), (Drives{7, 5, 7}));
}

TEST_F(Detect9x, DeviceNotAttachedGivesNoRecordButAnEmptyTable) {
    const ScsiModelKey other(kOtherModel, {{"0001", "H"}});
    EXPECT_EQ(Detect({kOther}), Drives{});
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(Detect({}), Drives{});
    EXPECT_NE(table, nullptr);
}

TEST_F(Detect9x, PresenceLooksAtTheFirstHardwareIdOnlyIgnoringCase) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    const std::vector<std::vector<std::string>> attached = {
        {"usb\\vid_0abc&pid_1d2e&rev_0001"},
        {"USB\\VID_1D2E&PID_0ABC"},  // each text may stand anywhere
    };
    for (const auto& ids : attached) {
        system.usbDevices = {{"USB\\VID_9999&PID_9999"}, ids};
        EXPECT_EQ(Detect({kCamera}), Drives{5}) << ids[0];
    }
    const std::vector<std::vector<std::string>> absent = {
        {"USB\\VID_9999&PID_9999", "USB\\VID_0ABC&PID_1D2E"},  // only a later ID matches
        {},                                                   // hardware IDs unreadable
        {"USB\\VID_0ABC&PID_1D2F"},
        {"USB\\VID_0ABD&PID_1D2E"},
    };
    for (const auto& ids : absent) {
        system.usbDevices = {{"USB\\VID_0ABC"}, ids};
        EXPECT_EQ(Detect({kCamera}), Drives{});
    }
    system.usbDevices = {{"USB\\VID_0ABC&PID_1D2E"}};
    system.usbSetFails = true;
    EXPECT_EQ(Detect({kCamera}), Drives{});
}

TEST_F(Detect9x, AttachedEntryWithoutItsDeviceKeyAbandonsTheQuery) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    const DeviceEntry missing = MakeEntry(0x0ABC, 0x1D2E, "VOSTELTEST_MISSING");
    EXPECT_EQ(Detect({kCamera, missing}), Drives{});
    EXPECT_EQ(count, 0);
    EXPECT_EQ(table, nullptr);
}

TEST_F(Detect9x, LettersAreTakenAsStoredAndInstancesWithoutOneSkipped) {
    system.unopenableKeys.insert("0003");
    const ScsiModelKey camera(kCameraModel, {{"0001", "f"}, {"0002", kNoValue}, {"0003", "G"},
                                             {"0004", "HI"}, {"0005", ""}, {"0006", "E"}});
    EXPECT_EQ(Detect({kCamera}), (Drives{37, 7, 4}));
}

TEST_F(Detect9x, UnopenableEnumKeyOrSetupApiGivesAnEmptyTable) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    system.unopenableKeys.insert(kScsiKey);
    EXPECT_EQ(Detect({kCamera}), Drives{});
    EXPECT_NE(table, nullptr);

    system.unopenableKeys.clear();
    system.setupApiBindable = false;
    EXPECT_EQ(Detect({kCamera}), Drives{});
    EXPECT_NE(table, nullptr);
}

TEST_F(Detect9x, TheLibrarysQueryTakesThisPathOnWindows98) {
    ASSERT_NE(GetVersion() & 0x80000000u, 0u) << "the prefix must show this program Windows 98";
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", "[HWNum]\r\nNumber=1\r\n[Device1]\r\nPID=1D2E\r\nVID=0ABC\r\n"
                               "SubKey98=VOSTELTEST_CAMERA\r\n");
    EXPECT_NE(VostelExist(&count), nullptr);
    EXPECT_EQ(DriveIndexes(currentTable, count), Drives{5});
}

// The harness runs the Detector9xLibrary cases twice: once as the system is, once with
// SetupAPI taken away (NOLVETRA_SETUPAPI=absent, the DLL disabled for the program).
// Windows 95 has no SetupAPI at all; the library must answer there all the same.
TEST(Detector9xLibrary, SetupApiIsThereUnlessTheHarnessTookItAway) {
    const char* setupApi = std::getenv("NOLVETRA_SETUPAPI");
    const bool absent = setupApi && std::string(setupApi) == "absent";
    const HMODULE module = LoadLibraryA("setupapi.dll");
    EXPECT_EQ(absent, module == nullptr);
    if (module) FreeLibrary(module);
}

// The built library on the real system: Wine lists no USB device, so nothing is
// attached, and only the registry path answers a count of 0 with a table. That
// table is the library's: the next call replaces it and unloading releases it.
TEST(Detector9xLibrary, RealRegistryPathAnswersAnEmptyTableItOwns) {
    const ScsiModelKey camera(kCameraModel, {{"0001", "F"}});
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", "[HWNum]\r\nNumber=1\r\n[Device1]\r\nPID=1D2E\r\nVID=0ABC\r\n"
                               "SubKey98=VOSTELTEST_CAMERA\r\n");
    LoadedDetector detector;
    ASSERT_TRUE(detector.loaded());
    std::int32_t count = -1;
    const FoundDevice* first = detector.Query(count);
    EXPECT_EQ(count, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(IsAllocatedHeapBlock(first));
    const FoundDevice* second = detector.Query(count);
    ASSERT_NE(second, nullptr);
    if (second != first) {
        EXPECT_FALSE(IsAllocatedHeapBlock(first)) << "the replaced table is released";
    }
    detector.Unload();
    EXPECT_FALSE(IsAllocatedHeapBlock(second)) << "unloading releases the table";
}

}  // namespace
