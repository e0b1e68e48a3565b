#include "update_config_loader.h"

#include <gtest/gtest.h>

#include "file_exception.h"
#include "recording_config_view.h"
#include "scratch_folder.h"

namespace {

const std::string kElevenNames =
    "0=f0.bin\n1=f1.bin\n2=f2.bin\n3=f3.bin\n4=f4.bin\n5=f5.bin\n"
    "6=f6.bin\n7=f7.bin\n8=f8.bin\n9=f9.bin\n10=f10.bin\n";

// A package folder with FirmWare.ini and checksum.ini, made the current directory.
class LoaderTest : public ::testing::Test {
protected:
    bool Load(const std::string& firmwareIni, const std::string& checksumIni) {
        package.write("FirmWare.ini", firmwareIni);
        package.write("checksum.ini", checksumIni);
        return Load();
    }
    bool Load() { return LoadUpdateConfig(config, package.pathOf("FirmWare.ini"), view); }
    // A valid FirmWare.ini with one file, and the given checksum.ini.
    bool LoadChecksums(const std::string& checksumIni) {
        return Load("[setting]\nfilenum=1\n0=f0.bin\n", checksumIni);
    }

    ScratchFolder package;
    CurrentDirectoryScope inPackage{package.path()};
    UpdateConfig config;
    RecordingConfigView view;
};

}  // namespace

TEST_F(LoaderTest, ReadsThePackageDescription) {
    ASSERT_TRUE(Load("[PID_VID]\nPID_VID=USB\\VID_0ABC&PID_1D2E\n"
                     "[Setting]\nProductName = VX5207 Camera\nfwver=1.02b\nfilenum=2\n0=a.bin\n1= b.bin \n",
                     "1A2B\r\n3c4d\r\n"));
    EXPECT_EQ(config.vid, 0x0ABC);
    EXPECT_EQ(config.pid, 0x1D2E);
    EXPECT_EQ(config.productName, "VX5207 Camera");
    EXPECT_EQ(config.firmwareVersion, "1.02b");
    EXPECT_EQ(config.fileCount, 2);
    EXPECT_EQ(config.fileNames[0], "a.bin");
    EXPECT_EQ(config.fileNames[1], "b.bin");
    EXPECT_EQ(config.checksumCount, 2);
    EXPECT_EQ(config.checksums[0], "1a2b");
    EXPECT_EQ(config.checksums[1], "3c4d");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.events, (std::vector<std::string>{"fields", "fields"}));
}

TEST_F(LoaderTest, DeviceIdsComeFromTheFirst21Characters) {
    ASSERT_TRUE(Load("[PID_VID]\nPID_VID=xUSB\\VID_0abc&PID_1D2E\n[setting]\nfilenum=1\n0=a\n", ""));
    EXPECT_EQ(config.vid, 0x0ABC);
    EXPECT_EQ(config.pid, 0x1D2);  // its last digit lies beyond the 21st character
}

TEST_F(LoaderTest, DeviceIdsWithoutMarkerOrDigitsAreZero) {
    ASSERT_TRUE(Load("[PID_VID]\nPID_VID=USB\\VID_zzzz\n[setting]\nfilenum=1\n0=a\n", ""));
    EXPECT_EQ(config.vid, 0);
    EXPECT_EQ(config.pid, 0);
}

TEST_F(LoaderTest, ShortTextsKeepAtMost19Characters) {
    ASSERT_TRUE(Load("[setting]\nproductname=ABCDEFGHIJKLMNOPQRSTUVWXYZ\nfwver=0123456789012345678901\n"
                     "filenum=1\n0=a\n",
                     ""));
    EXPECT_EQ(config.productName, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(config.firmwareVersion, "0123456789012345678");
}

TEST_F(LoaderTest, MissingFileNumberMeansElevenFiles) {
    ASSERT_TRUE(Load("[setting]\n" + kElevenNames, ""));
    EXPECT_EQ(config.fileCount, 11);
    EXPECT_EQ(config.fileNames[10], "f10.bin");
}

TEST_F(LoaderTest, ThirtyFilesFillEverySlot) {
    std::string ini = "[setting]\nfilenum=30\n";
    for (int i = 0; i < 30; ++i) ini += std::to_string(i) + "=f" + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(ini, ""));
    EXPECT_EQ(config.fileNames[29], "f29");
}

TEST_F(LoaderTest, FileNumbersOutsideOneToThirtyAreRefused) {
    // 31..255 are valid in the file format but exceed the 30 name slots.
    for (const char* filenum : {"0", "-1", "31", "255", "256"}) {
        UpdateConfig fresh;
        config = fresh;
        view = RecordingConfigView();
        EXPECT_FALSE(Load("[PID_VID]\nPID_VID=USB\\VID_0ABC&PID_1D2E\n[setting]\nfwver=v2\nfilenum=" +
                              std::string(filenum) + "\n" + kElevenNames,
                          "1a2b\r\n"))
            << filenum;
        EXPECT_EQ(config.fileCount, std::stoi(filenum));
        EXPECT_EQ(view.messages, std::vector<std::string>{"Read file number failed!!"});
        EXPECT_EQ(config.fileNames[0], "");
        EXPECT_EQ(config.checksumCount, 0);
        EXPECT_EQ(config.vid, 0x0ABC);
        EXPECT_EQ(config.firmwareVersion, "v2");
    }
}

TEST_F(LoaderTest, MissingFileNameStopsTheLoad) {
    EXPECT_FALSE(Load("[setting]\nfilenum=3\n0=a.bin\n1=\n2=c.bin\n", "1a2b\r\n"));
    EXPECT_EQ(view.events, (std::vector<std::string>{"fields", "message Read file name failed!!"}));
    EXPECT_EQ(config.fileNames[0], "a.bin");
    EXPECT_EQ(config.fileNames[2], "");
    EXPECT_EQ(config.checksumCount, 0);
}

// A name that leads out of the folder would make the run write elsewhere on the camera.
TEST_F(LoaderTest, FileNamesWithAFolderOrDrivePartStopTheLoad) {
    for (const char* name : {"..\\boot.bin", "sub/a.bin", "C:a.bin", ".."}) {
        config = UpdateConfig();
        view = RecordingConfigView();
        EXPECT_FALSE(Load(std::string("[setting]\nfilenum=2\n0=a.bin\n1=") + name + "\n", "1a2b\r\n")) << name;
        EXPECT_EQ(view.messages, std::vector<std::string>{"Read file name failed!!"}) << name;
        EXPECT_EQ(config.fileNames[1], "") << name;
    }
}

// A device name opens the device, not a file in the folder.
TEST_F(LoaderTest, DeviceNamesStopTheLoad) {
    for (const char* name : {"NUL", "con.bin", "Com1", "lpt9.x.y", "aux .txt"}) {
        config = UpdateConfig();
        view = RecordingConfigView();
        EXPECT_FALSE(Load(std::string("[setting]\nfilenum=2\n0=a.bin\n1=") + name + "\n", "1a2b\r\n")) << name;
        EXPECT_EQ(view.messages, std::vector<std::string>{"Read file name failed!!"}) << name;
        EXPECT_EQ(config.fileNames[1], "") << name;
    }
}

TEST_F(LoaderTest, MissingFirmwareIniFailsAtTheFirstFileName) {
    package.write("checksum.ini", "1a2b\r\n");
    EXPECT_FALSE(Load());
    EXPECT_EQ(config.fileCount, 11);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Read file name failed!!"});
}

TEST_F(LoaderTest, MissingChecksumIniIsAFileErrorWithItsFullPath) {
    package.write("FirmWare.ini", "[setting]\nfilenum=1\n0=a\n");
    try {
        Load();
        FAIL() << "no file error";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.cause(), CFileException::fileNotFound);
        EXPECT_EQ(e.fileName(), package.pathOf("checksum.ini"));
        EXPECT_EQ(e.message(), package.pathOf("checksum.ini") + " was not found.");
    }
    EXPECT_EQ(config.fileNames[0], "a");
}

TEST_F(LoaderTest, ChecksumLinesLoseOnlyTheirCarriageReturn) {
    ASSERT_TRUE(LoadChecksums("1A2B\r\n3c4d"));  // last line without a line end
    EXPECT_EQ(config.checksumCount, 2);
    EXPECT_EQ(config.checksums[1], "3c4d");

    ASSERT_TRUE(LoadChecksums("1a2b\n3C4D\n"));  // LF-only line ends
    EXPECT_EQ(config.checksumCount, 2);
    EXPECT_EQ(config.checksums[0], "1a2b");
    EXPECT_EQ(config.checksums[1], "3c4d");
}

TEST_F(LoaderTest, BlankLinesAndRunsOfLineFeeds) {
    ASSERT_TRUE(LoadChecksums("1a2b\r\n\r\n3c4d\r\n"));
    EXPECT_EQ(config.checksumCount, 3);
    EXPECT_EQ(config.checksums[1], "");  // matches no file
    EXPECT_EQ(config.checksums[2], "3c4d");

    ASSERT_TRUE(LoadChecksums("\n\n1a2b\n\n\n3c4d"));
    EXPECT_EQ(config.checksumCount, 2);
    EXPECT_EQ(config.checksums[1], "3c4d");
}

TEST_F(LoaderTest, OnlyTheFirst100BytesCount) {
    std::string text;
    for (int i = 0; i < 9; ++i) text += "abcdef0" + std::to_string(i) + "\r\n";  // 90 bytes
    text += "1234567890abc\r\n";  // bytes 91..105: the limit cuts it after "1234567890"
    ASSERT_TRUE(LoadChecksums(text));
    EXPECT_EQ(config.checksumCount, 10);
    EXPECT_EQ(config.checksums[8], "abcdef08");
    EXPECT_EQ(config.checksums[9], "1234567890");
}

TEST_F(LoaderTest, ChecksumsBeyondTheSlotsAreCountedButNotStored) {
    ASSERT_TRUE(LoadChecksums("a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\n"));
    EXPECT_EQ(config.checksumCount, 12);
    EXPECT_EQ(config.checksums[9], "j");
}

TEST_F(LoaderTest, OverlongChecksumIsCutToItsSlot) {
    ASSERT_TRUE(LoadChecksums("0123456789ABCDEFGHIJ\r\n1a\r\n"));
    EXPECT_EQ(config.checksums[0], "0123456789abcde");
    EXPECT_EQ(config.checksums[1], "1a");
}

TEST_F(LoaderTest, EmptyChecksumFileGivesNoChecksums) {
    ASSERT_TRUE(LoadChecksums(""));
    EXPECT_EQ(config.checksumCount, 0);
    EXPECT_EQ(config.checksums[0], "");
}

TEST_F(LoaderTest, TextEndsAtAZeroByte) {
    ASSERT_TRUE(LoadChecksums(std::string("1a2b\r\n\0003c4d\r\n", 12)));
    EXPECT_EQ(config.checksumCount, 1);
}
