// The NT detection path on a simulated device tree.
#include <gtest/gtest.h>

#include "detect_nt.h"
#include "result_table.h"
#include "simulated_system.h"
#include "test_support.h"

namespace {

const std::wstring kCameraId = L"USB\\VID_0ABC&PID_1D2E\\7&1F3A";
const DeviceEntry kCamera = MakeEntry(0x0ABC, 0x1D2E);
constexpr int kE = 4, kF = 5, kG = 6, kH = 7;

// On this path no drive means no table at all.
class DetectNt : public DetectionPathTest {
protected:
    DetectNt() : DetectionPathTest(DetectDrivesNt) {}
    void TearDown() override {
        EXPECT_EQ(table == nullptr, count == 0);
        DetectionPathTest::TearDown();
    }
};

TEST_F(DetectNt, CameraVolumesGiveTheirDrivesFoundLastFirst) {
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    EXPECT_EQ(Detect({kCamera}), Drives{kG});
    EXPECT_EQ(table[0].VID, 0x0ABC);
    EXPECT_EQ(table[0].PID, 0x1D2E);

    system = SimulatedSystem{};
    system.AddCameraDisk(kCameraId, 3, {L"E:", L"F:"});
    EXPECT_EQ(Detect({kCamera}), (Drives{kF, kE}));
}

TEST_F(DetectNt, TwoMatchingDisksListTheLaterDiskFirst) {
    system.AddCameraDisk(kCameraId, 1, {L"E:"});
    system.AddCameraDisk(L"USB\\VID_0ABC&PID_1D2E\\SECOND", 2, {L"H:"});
    EXPECT_EQ(Detect({kCamera}), (Drives{kH, kE}));
}

TEST_F(DetectNt, FirstEntryYieldingADriveDecidesTheIdentifiers) {
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    const DeviceEntry other = MakeEntry(0x1111, 0x2222);
    const DeviceEntry matchesAll = MakeEntry(0x000D, 0x0000);
    EXPECT_EQ(Detect({other, kCamera, matchesAll}), Drives{kG});
    EXPECT_EQ(table[0].VID, 0x0ABC);
    EXPECT_EQ(Detect({matchesAll, kCamera}), Drives{kG});
    EXPECT_EQ(table[0].VID, 0x000D);
    EXPECT_EQ(table[0].PID, 0x0000);
}

TEST_F(DetectNt, MatchingDiskWithoutDriveDoesNotStopTheSearch) {
    system.AddCameraDisk(L"USB\\VID_0ABC&PID_1D2E\\UNMOUNTED", 1, {});
    system.AddCameraDisk(kCameraId, 2, {L"F:"});
    system.volumes.push_back({L"\\\\?\\volume#x", L"\\Device\\HarddiskVolume99", L"STORAGE", 1});
    EXPECT_EQ(Detect({kCamera, kCamera}), Drives{kF});
    // Both entries were tried on the unmounted disk, the first on the mounted one.
    EXPECT_EQ(system.dosListQueries, 2 + 1);
}

TEST_F(DetectNt, IdentifiersMatchAsSubstringsOfTheIdText) {
    struct Case { const wchar_t* parentId; DeviceEntry entry; bool found; };
    const Case cases[] = {
        {L"USB\\VID_1ABC&PID_1D2E\\1", kCamera, true},                 // ABC inside VID_1ABC
        {L"USB\\VID_0ABC&PID_1D2E&MI_00\\7&2A5B", kCamera, true},       // composite device's function
        {L"USB\\VID_00ABC&PID_1D2E\\1", kCamera, true},                // the longest VID text, 9
        {L"USB\\VID_0ABC&PID_1D2E\\1", MakeEntry(0x000D, 0x1D2E), true}, // D inside every VID text
        {L"USB\\VID_9999&PID_8888\\1", MakeEntry(0x000D, 0x0000), true}, // 0 inside every PID text
        {L"usb\\vid_0abc&pid_1d2e\\1", kCamera, true},                 // case is ignored
        {L"USB\\VID_0ABC&PID_1D2F\\1", kCamera, false},
        {L"USB\\VID_0ABD&PID_1D2E\\1", kCamera, false},
        {L"USBSTOR\\DISK&VEN_X&PROD_Y\\1", MakeEntry(0x000D, 0x0000), false},  // no "VID"
        {L"SCSI\\VID_0ABC&PID_1D2E\\1", kCamera, false},               // no "USB"
    };
    for (const Case& c : cases) {
        system = SimulatedSystem{};
        system.AddCameraDisk(c.parentId, 3, {L"G:"});
        EXPECT_EQ(Detect({c.entry}), c.found ? Drives{kG} : Drives{}) << std::string(c.parentId, c.parentId + wcslen(c.parentId));
    }
}

TEST_F(DetectNt, ParentIdsWithoutBoundedPartsAreSkipped) {
    const std::wstring tooLong = L"USB\\VID_0ABC&PID_1D2E\\" + std::wstring(240, L'S');
    const std::wstring ids[] = {
        L"",                                       // no parent
        L"USB\\VID_000ABC&PID_1D2E\\1",            // VID part longer than its text
        L"USB\\VID_0ABC&PID_1D2E1D2E\\1",          // PID part longer than its text
        L"USB\\VID_0ABC",                          // no ampersand
        L"USB\\VID_0ABC&PID",                      // no underscore after it
        L"USB\\VID_0ABC&PID_1D2E",                 // no closing backslash
        tooLong,                                   // longer than the narrow buffer
    };
    for (const std::wstring& id : ids) {
        system = SimulatedSystem{};
        system.AddCameraDisk(id, 3, {L"G:"});
        EXPECT_EQ(Detect({MakeEntry(0x000D, 0x0000)}), Drives{}) << id.size();
    }
}

TEST_F(DetectNt, OnlyLetterColonNamesTargetingTheVolumeExactlyCount) {
    system.AddCameraDisk(kCameraId, 3, {L"e:"});
    const std::wstring volume = system.dosNames[0].target;
    system.dosNames.insert(system.dosNames.begin(),
                           {{L"COM1", volume}, {L"GLOBALROOT", volume}, {L"Volume{1234}", volume},
                            {L"1:", volume}, {L"EF:", volume}, {L"F", volume},
                            {L"H:", volume + L"0"}, {L"J:", L"\\Device\\HarddiskVolume"},
                            {L"K:", volume, false}, {L"E:", volume}});
    EXPECT_EQ(Detect({kCamera}), (Drives{kE, kE}));
}

TEST_F(DetectNt, VolumesLinkToTheDiskTheyReportLivingOn) {
    // The camera is disk 1; its volume is the system's fifth, and volume 1 lies on disk 0.
    system.AddCameraDisk(L"PCI\\VEN_8086&DEV_2922\\3", 0, {L"C:", L"D:", L"E:", L"F:"});
    system.AddCameraDisk(kCameraId, 1, {L"G:"});
    EXPECT_EQ(Detect({kCamera}), Drives{kG});

    // A CD-ROM drive is numbered apart from the disks: CdRom1 is not disk 1.
    system.volumes.push_back({L"\\\\?\\cdrom#1", L"\\Device\\CdRom1", L"STORAGE", 1, true, true,
                              FILE_DEVICE_CD_ROM});
    system.dosNames.push_back({L"H:", L"\\Device\\CdRom1"});
    EXPECT_EQ(Detect({kCamera}), Drives{kG});

    system.volumes[4].answers = false;
    EXPECT_EQ(Detect({kCamera}), Drives{});
    system.volumes[4].answers = true;
    system.volumes[4].deviceNumber = 0;
    EXPECT_EQ(Detect({kCamera}), Drives{});

    // Both queries failing must not link: "unknown" names no device.
    system = SimulatedSystem{};
    system.AddCameraDisk(kCameraId, kNoDeviceNumber, {L"G:"});
    system.disks[0].opens = false;
    system.volumes[0].answers = false;
    EXPECT_EQ(Detect({kCamera}), Drives{});
}

TEST_F(DetectNt, VolumeWithoutPhysicalNameYieldsNoDrive) {
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    system.volumes[0].physicalName.clear();
    system.dosNames.push_back({L"H:", L""});
    EXPECT_EQ(Detect({kCamera}), Drives{});
}

TEST_F(DetectNt, InformationSetFailureShowsTheMessageAndGoesOn) {
    system.diskSetFails = true;
    system.volumeSetFails = true;
    EXPECT_EQ(Detect({}), Drives{});
    ASSERT_EQ(system.messageBoxes.size(), 2u) << "both classes are listed, even with no entries";
    EXPECT_EQ(system.messageBoxes[0].text, "Sorry,Failed to retrive information set!");
    EXPECT_EQ(system.messageBoxes[0].caption, "Error");
    EXPECT_EQ(system.messageBoxes[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));

    system = SimulatedSystem{};
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    system.volumeSetFails = true;
    EXPECT_EQ(Detect({kCamera}), Drives{});
    EXPECT_EQ(system.messageBoxes.size(), 1u);
}

TEST_F(DetectNt, UnreadableInterfaceDetailEndsThatClassOnly) {
    system.AddCameraDisk(kCameraId, 1, {L"E:"});
    system.AddCameraDisk(kCameraId, 2, {L"F:"});
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    system.diskDetailFailsAt = 1;
    EXPECT_EQ(Detect({kCamera}), Drives{kE});
    EXPECT_TRUE(system.messageBoxes.empty());
}

TEST_F(DetectNt, UnbindableSetupApiFindsNothingSilently) {
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    system.setupApiBindable = false;
    EXPECT_EQ(Detect({kCamera}), Drives{});
    EXPECT_TRUE(system.messageBoxes.empty());
}

TEST_F(DetectNt, ACallWithoutDrivesReleasesThePreviousTable) {
    system.AddCameraDisk(kCameraId, 3, {L"G:"});
    EXPECT_EQ(Detect({kCamera}), Drives{kG});
    system.disks.clear();
    EXPECT_EQ(Detect({kCamera}), Drives{});
    EXPECT_EQ(currentTable, nullptr);
}

}  // namespace
