// The drive list: the system's answer taken apart, and its edges (no drive, an
// answer too long for the buffer, indexes outside the refreshed list).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "drive_list.h"
#include "main_dialog.h"

namespace {

const char kThreeDrives[] = "A:\\\0C:\\\0D:\\\0";  // as GetLogicalDriveStringsA writes them
constexpr std::size_t kThreeDrivesLength = 12;

std::string Letters() { return std::string(driveLetters, driveCount); }

}  // namespace

TEST(DriveList, KeepsTheSystemsOrderAndReturnsTheLastLetter) {
    EXPECT_EQ("D", StoreDriveStrings(kThreeDrives, kThreeDrivesLength));
    EXPECT_EQ(3u, driveCount);
    EXPECT_EQ("ACD", Letters());

    char system[kDriveStringsBuffer] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof system, system);
    const std::string last = RefreshDriveList();
    ASSERT_EQ(length / 4, driveCount);
    EXPECT_EQ(std::string(1, system[length - 4]), last);
    EXPECT_NE(std::string::npos, Letters().find('G'));  // the test camera drive
}

TEST(DriveList, NoDriveGivesNoLastLetterAndNoTargetFolder) {
    EXPECT_EQ("", StoreDriveStrings("", 0));
    EXPECT_EQ(0u, driveCount);
    EXPECT_EQ("", TargetFolderOnDrive(""));
    EXPECT_EQ("D:\\DCIM", TargetFolderOnDrive("D"));
}

TEST(DriveList, AnAnswerLongerThanTheBufferIsNotRead) {
    EXPECT_EQ("", StoreDriveStrings(kThreeDrives, kDriveStringsBuffer + 1));
    EXPECT_EQ(0u, driveCount);
}

TEST(DriveList, OnlyIndexesOfTheRefreshedListGiveALetter) {
    StoreDriveStrings(kThreeDrives, kThreeDrivesLength);
    StoreDriveStrings("Z:\\\0", 4);
    char letter = '?';
    EXPECT_TRUE(DriveLetterAt(0, letter));
    EXPECT_EQ('Z', letter);
    // The bytes after the refreshed list still hold C and D, but they are no drives now.
    EXPECT_EQ('C', driveLetters[1]);
    EXPECT_FALSE(DriveLetterAt(1, letter));
    EXPECT_FALSE(DriveLetterAt(-1, letter));
    EXPECT_EQ('Z', letter);
}
