// Reading Detect.ini from the current directory, with real files and folders.
#include <gtest/gtest.h>

#include <cstring>

#include "device_table.h"
#include "scratch_folder.h"
#include "test_support.h"

namespace {

std::string Section(int number, const std::string& keys) {
    return "[Device" + std::to_string(number) + "]\r\n" + keys;
}

std::string HwNum(const std::string& number) { return "[HWNum]\r\nNumber=" + number + "\r\n"; }

TEST(DeviceTable, MissingFileGivesNoEntries) {
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    EXPECT_TRUE(LoadDeviceTable().empty());
}

TEST(DeviceTable, EverySectionUpToNumberIsReadIntoItsFields) {
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", HwNum("2") +
                                   Section(1, "DeviceName=Camera\r\nSubKey=NT\r\nSubKey98=VOSTEL_DISK\r\n"
                                              "SubKeyME=ME\r\nPID=1d2e\r\nVID=abc\r\n"));
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_STREQ(entries[0].DeviceName, "Camera");
    EXPECT_STREQ(entries[0].SubKey, "NT");
    EXPECT_STREQ(entries[0].SubKey98, "VOSTEL_DISK");
    EXPECT_STREQ(entries[0].SubKeyME, "ME");
    EXPECT_EQ(entries[0].PID, 0x1D2E);
    EXPECT_EQ(entries[0].VID, 0x0ABC);
    const DeviceEntry empty{};
    EXPECT_EQ(std::memcmp(&entries[1], &empty, sizeof empty), 0) << "a missing section is all zero";
}

TEST(DeviceTable, IdentifiersAreHexDigitsOrElseZero) {
    struct Case { const char* text; std::uint16_t value; };
    const Case cases[] = {
        {"1D2E", 0x1D2E}, {"1d2e", 0x1D2E}, {"12345", 0x2345},   // low 16 bits kept
        {"00000000000001D2E", 0x1D2E},                           // 17 digits still fit
        {"000000000000001D2E", 0},                               // 18 do not: refused
        {"", 0}, {"xyz", 0},
    };
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    std::string ini = HwNum(std::to_string(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string text = cases[i].text;
        ini += Section(static_cast<int>(i + 1), "PID=" + text + "\r\nVID=" + text + "\r\n");
    }
    folder.write("Detect.ini", ini);
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(entries[i].PID, cases[i].value) << cases[i].text;
        EXPECT_EQ(entries[i].VID, cases[i].value) << cases[i].text;
    }
}

TEST(DeviceTable, NegativeOrAbsurdNumberStaysBounded) {
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", HwNum("-3") + Section(1, "PID=1\r\n"));
    EXPECT_TRUE(LoadDeviceTable().empty());
    folder.write("Detect.ini", HwNum("100000") + Section(1, "PID=1\r\n"));
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    ASSERT_EQ(entries.size(), kMaxDeviceEntries);
    EXPECT_EQ(entries[0].PID, 1);
}

TEST(DeviceTable, DriveRootGetsTheFileNameAppended) {
    const ScopedFile ini("G:\\Detect.ini", HwNum("1") + Section(1, "VID=abc\r\n"));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("G:\\"));
    const std::vector<DeviceEntry> entries = LoadDeviceTable();
    SetCurrentDirectoryA(previous);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].VID, 0x0ABC);
}

TEST(DeviceTable, CurrentDirectoryTooLongForThePathGivesNoEntries) {
    const std::string ini = HwNum("1") + Section(1, "VID=abc\r\n");
    {
        ScratchFolder longest(PathLength{244});  // "\Detect.ini" and its terminator just fit 256 bytes
        CurrentDirectoryScope inLongest{longest.path()};
        longest.write("Detect.ini", ini);
        EXPECT_EQ(LoadDeviceTable().size(), 1u);
    }
    ScratchFolder tooLong(PathLength{245});
    CurrentDirectoryScope inTooLong{tooLong.path()};
    tooLong.write("Detect.ini", ini);
    EXPECT_TRUE(LoadDeviceTable().empty());
}

}  // namespace
