// The query as a whole, on a simulated device tree, with Detect.ini in a real folder.
#include <gtest/gtest.h>

#include "result_table.h"
#include "simulated_system.h"
#include "scratch_folder.h"
#include "test_support.h"

namespace {

const char kCameraIni[] = "[HWNum]\r\nNumber=1\r\n[Device1]\r\nPID=1d2e\r\nVID=abc\r\nSubKey98=NONE\r\n";

class QueryOnSimulatedSystem : public ::testing::Test {
protected:
    void SetUp() override {
        system.AddCameraDisk(L"USB\\VID_0ABC&PID_1D2E\\1", 3, {L"E:"});
        system.usbDevices.push_back({"USB\\VID_0ABC&PID_1D2E"});
    }
    void TearDown() override { ReleaseCurrentTable(); }

    SimulatedSystem system;
    SimulatedSystemScope scope{system};
    std::int32_t count = -1;
};

TEST_F(QueryOnSimulatedSystem, NtFamilyFindsTheCameraFromDetectIni) {
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", kCameraIni);
    FoundDevice* table = VostelExist(&count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(table, currentTable);
    EXPECT_EQ(table[0].DriveIndex, 4);
    EXPECT_EQ(table[0].VID, 0x0ABC);
    EXPECT_EQ(table[0].PID, 0x1D2E);
}

TEST_F(QueryOnSimulatedSystem, AQueryThatThrowsAnswersNothing) {
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", kCameraIni);
    ASSERT_NE(VostelExist(&count), nullptr);
    system.allocationFails = true;
    EXPECT_EQ(VostelExist(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(currentTable, nullptr);
}

TEST_F(QueryOnSimulatedSystem, Windows98TakesTheRegistryPath) {
    system.version = kWindows98Version;
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", "[HWNum]\r\nNumber=0\r\n");
    FoundDevice* table = VostelExist(&count);
    EXPECT_EQ(count, 0);
    EXPECT_NE(table, nullptr) << "only the 9x path installs an empty table";
}

}  // namespace
