#include "compare_browse.h"

#include <gtest/gtest.h>

#include "recording_view.h"
#include "scratch_folder.h"

namespace {

const char kHeading[] = "These files are not same with the source files:\n";

// A package folder that is the current directory and a target folder holding the
// same files; tests then spoil some of the copies.
class CompareTest : public ::testing::Test {
protected:
    void AddFile(const std::string& name, const std::string& bytes) {
        config.fileNames[config.fileCount++] = name;
        package.write(name, bytes);
        target.write(name, bytes);
    }
    std::vector<int> Positions(std::initializer_list<int> list) const { return list; }

    ScratchFolder package;
    ScratchFolder target;
    CurrentDirectoryScope inPackage{package.path()};
    UpdateConfig config;
    RecordingView view;

    void SetUp() override {
        config.fileCount = 0;
        config.setTargetFolder(target.path());
    }
};

}  // namespace

TEST_F(CompareTest, IdenticalFoldersAreOk) {
    AddFile("a.bin", "first");
    AddFile("b.bin", "second");
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{"OK"});
    EXPECT_EQ(view.positions, Positions({1, 2, 3, 0}));
}

TEST_F(CompareTest, EqualLengthsDifferingInTheLastByteAreReported) {
    AddFile("a.bin", "same bytes here");
    AddFile("b.bin", "abc");
    target.write("a.bin", "same bytes herE");
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{std::string(kHeading) + "a.bin\n"});
    EXPECT_EQ(view.positions, Positions({1, 2, 3, 0}));
}

TEST_F(CompareTest, ShorterTargetIsReportedWithoutMovingTheBar) {
    AddFile("a.bin", "abc");
    AddFile("b.bin", "complete file");
    target.write("b.bin", "complete");
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{std::string(kHeading) + "b.bin\n"});
    EXPECT_EQ(view.positions, Positions({1, 3, 0}));
}

TEST_F(CompareTest, DifferingFilesAreListedInPackageOrder) {
    AddFile("c.bin", "one");
    AddFile("a.bin", "two");
    AddFile("b.bin", "three");
    target.write("c.bin", "ONE");
    target.write("b.bin", "THREE!");
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{std::string(kHeading) + "c.bin\nb.bin\n"});
}

TEST_F(CompareTest, FileMissingOnEitherSideIsReportedAsDiffering) {
    AddFile("a.bin", "abc");
    AddFile("b.bin", "def");
    ASSERT_TRUE(DeleteFileA(target.pathOf("a.bin").c_str()));
    ASSERT_TRUE(DeleteFileA(package.pathOf("b.bin").c_str()));
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{std::string(kHeading) + "a.bin\nb.bin\n"});
    EXPECT_EQ(view.positions, Positions({3, 0}));
}

TEST_F(CompareTest, LargeFilesAreComparedToTheirLastByte) {
    std::string big(300000, 'x');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    AddFile("same.bin", big);
    AddFile("spoilt.bin", big);
    big.back() = static_cast<char>(big.back() + 1);
    target.write("spoilt.bin", big);
    RunCompare(config, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{std::string(kHeading) + "spoilt.bin\n"});
}

TEST_F(CompareTest, CountBeyondTheNameTableStopsAtItsEnd) {
    AddFile("a.bin", "abc");
    config.fileCount = 200;  // what a failed load can leave behind
    RunCompare(config, view);
    // The 29 empty names after the first file name no file on either side.
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.positions.front(), 1);
    EXPECT_EQ(view.positions[view.positions.size() - 2], 201);
}
