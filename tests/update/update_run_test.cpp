#include "update_run.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <new>

#include "checksum.h"
#include "copy_readback.h"
#include "recording_view.h"
#include "scratch_folder.h"
#include "staged_name.h"
#include "staged_update.h"

namespace {

using Events = std::vector<std::string>;

const char kTestDriveTarget[] = "G:\\DCIM";

std::string FileContent(int i) { return "firmware part " + std::to_string(i) + std::string(100 + i, char('A' + i)); }

std::string ContentChecksum(const std::string& bytes) {
    return ChecksumText(SumBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

// A package of fileCount files in a folder that is the current directory, a
// configuration describing it with a correct checksum for every file, and the
// test drive's DCIM folder as the target (absent at the start).
class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveFolderTree(kTestDriveTarget);
        config.setTargetFolder(kTestDriveTarget);
    }
    void TearDown() override { RemoveFolderTree(kTestDriveTarget); }

    // The files are named stem0.bin, stem1.bin, ...
    void MakePackage(int fileCount, const std::string& stem = "fw") {
        config.fileCount = fileCount;
        config.checksumCount = std::min(fileCount, kChecksumSlots);
        for (int i = 0; i < fileCount; ++i) {
            config.fileNames[i] = stem + std::to_string(i) + ".bin";
            package.write(config.fileNames[i], FileContent(i));
            if (i < kChecksumSlots) config.checksums[i] = ContentChecksum(FileContent(i));
        }
    }
    std::string TargetPath(int i) const { return std::string(kTestDriveTarget) + "\\" + config.fileNames[i]; }
    static std::string StagedPath(int i) { return std::string(kTestDriveTarget) + "\\" + StagedFileName(i); }
    static std::string InTarget(const std::string& name) { return std::string(kTestDriveTarget) + "\\" + name; }
    // Whether a file or folder of that name is in the target folder.
    static bool NameIsTaken(const std::string& name) {
        return GetFileAttributesA(InTarget(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static std::string TargetFileContent(const std::string& name) {
        std::ifstream file(InTarget(name), std::ios::binary);
        if (!file) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::string TargetContent(int i) const { return TargetFileContent(config.fileNames[i]); }
    // What the camera stores in place of copy i once every file is copied: by
    // default its source with the last byte changed, as a worn or fake card might
    // return it.
    std::string SpoilCopyAfterTheCopy(int i) {
        std::string spoiled = FileContent(i);
        spoiled.back() = 'x';
        return SpoilCopyAfterTheCopy(i, spoiled);
    }
    std::string SpoilCopyAfterTheCopy(int i, const std::string& spoiled) {
        view.onProgress = [this, i, spoiled](int position) {
            if (position == config.fileCount) WriteBytes(StagedPath(i), spoiled);
        };
        return spoiled;
    }
    // Older firmware under every name of the package; the old files are returned.
    std::vector<std::string> PutOldFiles() const {
        std::vector<std::string> old;
        CreateDirectoryA(kTestDriveTarget, nullptr);
        for (int i = 0; i < config.fileCount; ++i) {
            old.push_back("old firmware " + std::to_string(i));
            WriteBytes(TargetPath(i), old.back());
        }
        return old;
    }
    // Whether the target holds exactly the old files and nothing beside them.
    bool HoldsOnly(const std::vector<std::string>& old) const {
        for (int i = 0; i < config.fileCount; ++i) {
            if (TargetContent(i) != old[static_cast<std::size_t>(i)]) return false;
        }
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((std::string(kTestDriveTarget) + "\\*").c_str(), &found);
        int files = 0;
        if (search != INVALID_HANDLE_VALUE) {
            do files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return files == config.fileCount;
    }
    // The message of a failed verification that ended at the given copy.
    static std::string Failed(const std::string& copy) {
        return "It is failed!!!!\n The check sum is " + ContentChecksum(copy);
    }
    static Events Success(int fileCount) {
        Events events{"stop timer"};
        for (int i = 1; i <= fileCount; ++i) events.push_back("pos " + std::to_string(i));
        events.insert(events.end(), {"pos 12", "message Copy OK!", "pos 0", "start timer"});
        return events;
    }

    ScratchFolder package;
    CurrentDirectoryScope inPackage{package.path()};
    UpdateConfig config;
    RecordingView view;
};

}  // namespace

TEST_F(RunTest, ElevenFilesAreCopiedAndVerified) {
    MakePackage(11);
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(11));
    for (int i = 0; i < 11; ++i) EXPECT_EQ(TargetContent(i), FileContent(i)) << i;
    EXPECT_EQ(config.computedChecksum, ContentChecksum(FileContent(10)));  // the last file, compared with its source
}

// Under Wine as root CopyFileA overwrites a read-only file in place and keeps the
// attribute, so only the attributes show whether the old file was really replaced.
// A read-only source gives a read-only copy, which must still be flushed.
TEST_F(RunTest, ExistingFolderWithReadOnlyOldFilesAndAReadOnlySourceIsUpdated) {
    MakePackage(3);
    ASSERT_TRUE(SetFileAttributesA(package.pathOf("fw1.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    ScratchFolder target(kTestDriveTarget);
    target.write("fw0.bin", "old firmware");
    target.write("fw2.bin", "old firmware, read-only");
    ASSERT_TRUE(SetFileAttributesA(target.pathOf("fw2.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    target.write("other.txt", "kept");
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(3));  // no folder message for an existing folder
    EXPECT_EQ(TargetContent(0), FileContent(0));
    EXPECT_EQ(TargetContent(1), FileContent(1));
    EXPECT_EQ(TargetContent(2), FileContent(2));
    EXPECT_EQ(0u, GetFileAttributesA(TargetPath(2).c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(0u, GetFileAttributesA(TargetPath(1).c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(target.read("other.txt"), "kept");
}

TEST_F(RunTest, CapitalChecksumsMatch) {
    MakePackage(2);
    for (char& c : config.checksums[1]) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(config.checksums[1], ContentChecksum(FileContent(1)));
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(2));
}

// Without any checksum every copy is compared with its source: a spoiled copy of
// any of them ends the run with that copy's checksum.
TEST_F(RunTest, WithoutChecksumsEveryFileIsComparedWithItsSource) {
    MakePackage(3);
    config.checksumCount = 0;
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(3));
    for (int i = 0; i < 3; ++i) {
        view = RecordingView();
        const std::string spoiled = SpoilCopyAfterTheCopy(i);
        RunUpdate(config, view);
        EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "pos 2", "pos 3", "pos 12", "message " + Failed(spoiled)})) << i;
    }
}

// The checksum table has 10 slots: files 11 and 12 are compared with their sources.
TEST_F(RunTest, FilesBeyondTheChecksumSlotsAreComparedWithTheirSources) {
    MakePackage(12);
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(12));
    for (int i : {10, 11}) {
        view = RecordingView();
        const std::string spoiled = SpoilCopyAfterTheCopy(i);
        RunUpdate(config, view);
        EXPECT_EQ(view.messages, (Events{Failed(spoiled)})) << i;
        EXPECT_EQ(view.positions.back(), 12) << i;
        EXPECT_NE(view.events.back(), "start timer") << i;
    }
}

// Nothing on the camera changes before every source has opened: the old firmware
// stays, and the message is the one the copy would show.
TEST_F(RunTest, MissingSourceFileLeavesTheCameraUntouched) {
    MakePackage(4);
    ScratchFolder target(kTestDriveTarget);
    target.write("fw0.bin", "old firmware");
    DeleteFileA(package.pathOf("fw2.bin").c_str());
    RunUpdate(config, view);
    EXPECT_EQ(view.events, (Events{"stop timer", "message Copy files failed! Err:2\n" + package.pathOf("fw2.bin"),
                                   "pos 0", "start timer"}));
    EXPECT_EQ(target.read("fw0.bin"), "old firmware");
    EXPECT_EQ(TargetContent(1), "<missing>");
}

// Started from the target folder itself, however the folder is written, the run
// deletes and copies nothing and verifies the package where it lies.
TEST_F(RunTest, PackageInTheTargetFolderIsVerifiedInPlace) {
    MakePackage(3);
    std::string upper = package.path();
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    for (const std::string& folder : {package.path(), upper + "\\"}) {
        view = RecordingView();
        config.setTargetFolder(folder);
        RunUpdate(config, view);
        EXPECT_EQ(view.events, (Events{"stop timer", "pos 12", "message Copy OK!", "pos 0", "start timer"})) << folder;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(package.read(config.fileNames[i]), FileContent(i)) << folder;
    }
    view = RecordingView();
    config.checksums[1] = "bad";
    RunUpdate(config, view);
    EXPECT_EQ(view.messages, (Events{Failed(FileContent(1))}));
    EXPECT_EQ(package.read(config.fileNames[1]), FileContent(1));
}

TEST_F(RunTest, TargetWithoutParentFailsAtTheFirstCopy) {
    MakePackage(2);
    config.setTargetFolder("G:\\no-such-folder\\DCIM");
    RunUpdate(config, view);
    EXPECT_EQ(view.events, (Events{"stop timer", "message Copy files failed! Err:3\n" + package.pathOf("fw0.bin"),
                                   "pos 0", "start timer"}));
}

TEST_F(RunTest, OtherFolderFailureIsShownAndTheCopyGoesOn) {
    MakePackage(1);
    config.setTargetFolder("G:\\bad|name");
    RunUpdate(config, view);
    ASSERT_EQ(view.messages.size(), 2u);
    const DWORD expected = ERROR_INVALID_NAME;
    EXPECT_EQ(view.messages[0], "Can not create the folder! Err:" + std::to_string(expected));
    EXPECT_EQ(view.messages[1].rfind("Copy files failed! Err:", 0), 0u) << view.messages[1];
    EXPECT_EQ(view.events.back(), "start timer");
}

// A package whose file does not match its own checksum line: the run ends as any
// failed verification does, and the camera keeps its old files.
TEST_F(RunTest, MismatchEndsTheRunWithTheTimerStoppedAndTheOldFilesInPlace) {
    MakePackage(3);
    const std::vector<std::string> old = PutOldFiles();
    config.checksums[1] = "1234";
    RunUpdate(config, view);
    EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "pos 2", "pos 3", "pos 12",
                                   "message It is failed!!!!\n The check sum is " +
                                       ContentChecksum(FileContent(1))}));
    EXPECT_TRUE(HoldsOnly(old));
}

// Copies the camera stores shorter or longer than their sources, by zero bytes that
// leave the sum as it is, fail with a checksum line and without one.
TEST_F(RunTest, ACopyStoredShorterOrLongerFailsWithOrWithoutAChecksum) {
    MakePackage(2);
    const std::string source = FileContent(1) + std::string(16, '\0');
    package.write(config.fileNames[1], source);
    config.checksums[1] = ContentChecksum(source);
    const std::vector<std::string> old = PutOldFiles();
    for (const int checksums : {2, 1}) {
        for (const std::string& stored : {source.substr(0, source.size() - 8), source + std::string(8, '\0')}) {
            view = RecordingView();
            config.checksumCount = checksums;
            SpoilCopyAfterTheCopy(1, stored);
            RunUpdate(config, view);
            EXPECT_EQ(view.messages, (Events{Failed(stored)})) << checksums << " " << stored.size();
            EXPECT_TRUE(HoldsOnly(old)) << checksums << " " << stored.size();
        }
    }
}

// What an interrupted run left under the staged names is cleared; other files stay.
TEST_F(RunTest, StagedCopiesLeftByAnInterruptedRunAreClearedAndNothingElse) {
    MakePackage(2);
    ScratchFolder target(kTestDriveTarget);
    for (const std::string& left : {StagedFileName(0), StagedFileName(29), std::string("~stage05.tmp")})
        target.write(left, "left over");
    ASSERT_TRUE(SetFileAttributesA(target.pathOf(StagedFileName(29)).c_str(), FILE_ATTRIBUTE_READONLY));
    target.write("fw0.bin", "old firmware");
    target.write(AsideFileName(0), "set aside");
    AsideNames cameFrom;
    cameFrom[0] = "fw0.bin";
    target.write(kAsideRecordName, AsideRecordText(cameFrom));
    for (const char* other : {"~STAGE5.TMP", "~STAGE30.TMP", "~OLD30.TMP", "~OLD5.TMP"}) target.write(other, "kept");
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(2));
    for (const std::string& left : {StagedFileName(0), StagedFileName(29), StagedFileName(5), AsideFileName(0),
                                    std::string(kAsideRecordName)})
        EXPECT_FALSE(target.exists(left)) << left;
    for (const char* other : {"~STAGE5.TMP", "~STAGE30.TMP", "~OLD30.TMP", "~OLD5.TMP"}) EXPECT_EQ(target.read(other), "kept") << other;
}

// A package with a file named like a staged copy or a set-aside old file, or with two files that Windows
// takes for one (letter case, trailing dots and blanks), is refused before anything
// changes. Each source is there, so only the name can refuse it.
TEST_F(RunTest, NamesThatAliasAStagedCopyOrAnotherFileAreRefused) {
    MakePackage(2);
    for (const char* own : {"~stage01.tmp", "~old00.tmp"}) package.write(own, FileContent(1));
    const std::vector<std::string> old = PutOldFiles();
    for (const char* alias : {"~stage01.tmp", "~STAGE01.TMP.", "~stage01.tmp ", "~old00.tmp", "FW0.BIN", "fw0.bin", "fw1.bin.", "fw1.bin "}) {
        view = RecordingView();
        config.fileNames[1] = alias;
        RunUpdate(config, view);
        EXPECT_EQ(view.events, (Events{"stop timer", "message Copy files failed! Err:123\n" + package.pathOf(alias),
                                       "pos 0", "start timer"}))
            << alias;
        config.fileNames[1] = "fw1.bin";
        EXPECT_TRUE(HoldsOnly(old)) << alias;
    }
}

// A source another program holds open for writing cannot vouch for the copy, even
// when it shares reading: the run stops before anything on the camera changes.
TEST_F(RunTest, ASourceHeldOpenForWritingStopsTheRunFirst) {
    MakePackage(3);
    const std::vector<std::string> old = PutOldFiles();
    const HANDLE writer = CreateFileA(package.pathOf("fw2.bin").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    RunUpdate(config, view);
    CloseHandle(writer);
    EXPECT_EQ(view.events, (Events{"stop timer", "message Copy files failed! Err:32\n" + package.pathOf("fw2.bin"),
                                   "pos 0", "start timer"}));
    EXPECT_TRUE(HoldsOnly(old));
}

// A failed staging removes the copies staged before it: the camera stays as it was.
TEST_F(RunTest, ASourceGoneDuringTheStagingLeavesTheCameraAsItWas) {
    MakePackage(3);
    const std::vector<std::string> old = PutOldFiles();
    view.onProgress = [this](int position) {
        if (position == 1) DeleteFileA(package.pathOf("fw1.bin").c_str());
    };
    RunUpdate(config, view);
    EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "message Copy files failed! Err:2\n" + package.pathOf("fw1.bin"),
                                   "pos 0", "start timer"}));
    EXPECT_TRUE(HoldsOnly(old));
}

TEST_F(RunTest, FirstFileThatCannotBeOpenedReportsTheInitialChecksum) {
    MakePackage(2);
    view.onProgress = [this](int position) {
        if (position == 1) DeleteFileA(StagedPath(0).c_str());  // the camera lost the file
    };
    RunUpdate(config, view);
    EXPECT_EQ(view.messages,
              (Events{"Open bin file failed! Err:2", "It is failed!!!!\n The check sum is 0000"}));
    EXPECT_EQ(view.events.back(), "message It is failed!!!!\n The check sum is 0000");
    EXPECT_EQ(view.positions.back(), 12);
}

TEST_F(RunTest, LaterFileThatCannotBeOpenedReportsThePreviousChecksum) {
    MakePackage(3);
    view.onProgress = [this](int position) {
        if (position == 3) DeleteFileA(StagedPath(1).c_str());
    };
    RunUpdate(config, view);
    EXPECT_EQ(view.messages, (Events{"Open bin file failed! Err:2",
                                     "It is failed!!!!\n The check sum is " + config.checksums[0]}));
}

// The C library fails to open a file without a system code once its streams are
// used up. A source that could not be read cannot vouch for its copy.
TEST_F(RunTest, ASourceThatCannotBeOpenedForTheComparisonFails) {
    MakePackage(1);
    config.checksumCount = 0;
    std::vector<std::FILE*> streams;
    view.onProgress = [&](int) {
        const std::string anyFile = package.pathOf("fw0.bin");
        while (streams.size() < 10000) {
            std::FILE* stream = std::fopen(anyFile.c_str(), "rb");
            if (stream == nullptr) break;
            streams.push_back(stream);
        }
        SetLastError(ERROR_SUCCESS);
    };
    RunUpdate(config, view);
    for (std::FILE* stream : streams) std::fclose(stream);
    EXPECT_EQ(view.messages, (Events{Failed(FileContent(0))}));
}

TEST_F(RunTest, MoreChecksumsThanFilesFailAtTheFirstExtraEntry) {
    MakePackage(2);
    config.checksumCount = 3;
    config.checksums[2] = "0";
    RunUpdate(config, view);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].rfind("Open bin file failed! Err:", 0), 0u) << view.messages[0];
    EXPECT_EQ(view.messages[1], "It is failed!!!!\n The check sum is " + config.checksums[1]);
    EXPECT_NE(view.events.back(), "start timer");
}

TEST_F(RunTest, ChecksumLinesBeyondTheSlotsAndTheFilesNeverPass) {
    MakePackage(11);
    config.checksumCount = 1000;  // file 11 is compared; the entries after it name no file
    RunUpdate(config, view);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].rfind("Open bin file failed! Err:", 0), 0u) << view.messages[0];
    EXPECT_EQ(view.messages[1], "It is failed!!!!\n The check sum is " + ContentChecksum(FileContent(10)));
}

TEST_F(RunTest, EmptyTargetOnlyRestartsTheTimer) {
    MakePackage(2);
    config.setTargetFolder("");
    RunUpdate(config, view);
    EXPECT_EQ(view.events, (Events{"stop timer", "start timer"}));
}

TEST_F(RunTest, PackageTheRecordCannotHoldLeavesTheTargetAlone) {
    MakePackage(2);
    ScratchFolder target(kTestDriveTarget);
    target.write("fw0.bin", "old firmware");
    for (int count : {0, -1, 31, 255}) {
        view = RecordingView();
        config.fileCount = count;
        RunUpdate(config, view);
        EXPECT_EQ(view.events, (Events{"stop timer", "start timer"})) << count;
        EXPECT_EQ(target.read("fw0.bin"), "old firmware") << count;
    }
}

TEST_F(RunTest, ASecondRunAfterAFailureSucceeds) {
    MakePackage(2);
    const std::string good = config.checksums[0];
    config.checksums[0] = "bad";
    RunUpdate(config, view);
    ASSERT_EQ(view.messages.size(), 1u);
    config.checksums[0] = good;
    view = RecordingView();
    RunUpdate(config, view);
    EXPECT_EQ(view.events, Success(2));
}

namespace {

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// The system's calls with every read-back open and read recorded; it can refuse
// unbuffered opens as some file systems do. Wine ignores FILE_FLAG_NO_BUFFERING, so
// only the requests themselves show that they keep its alignment rules. It records
// the opens for deletion or writing and the moves and deletions too, can take the
// path of Windows 95/98/ME, which rename over no file, and can be cut off like a
// camera whose plug is pulled after a number of moves and deletions.
class RecordingAccess : public CopyAccess {
public:
    struct Request {
        std::uintptr_t address;
        DWORD size;
        LONGLONG offset;
    };
    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD flags) override {
        if (access == GENERIC_READ) readBackOpens.push_back(flags);
        if (access != GENERIC_READ) changes.push_back((access == DELETE ? "delete-open " : "write-open ") + BaseName(path));
        if (onOpen) onOpen(path, access);
        if (CutOff() || (access != GENERIC_READ && Refuses(changes.back()))) return INVALID_HANDLE_VALUE;
        if (windows9x && (access == DELETE || (share & FILE_SHARE_DELETE) != 0)) {
            SetLastError(ERROR_INVALID_PARAMETER);  // as 95/98/ME answer what they do not know
            return INVALID_HANDLE_VALUE;
        }
        if (refuseUnbuffered != ERROR_SUCCESS && (flags & FILE_FLAG_NO_BUFFERING) != 0) {
            SetLastError(refuseUnbuffered);
            return INVALID_HANDLE_VALUE;
        }
        // A scanner or indexer has each new file open for writing, sharing
        // everything, while it is flushed.
        if (holdCopiesForWriting && access == GENERIC_WRITE)
            holders.push_back(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
        const HANDLE file = SystemCopyAccess().Open(path, access, share, flags);
        if (holdCopiesForWriting && access == GENERIC_WRITE) CloseHandle(holders.back());
        return file;
    }
    void* Allocate(DWORD size) override {
        if (!refuseMemory) return SystemCopyAccess().Allocate(size);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void Free(void* block) override { SystemCopyAccess().Free(block); }

    bool Read(HANDLE file, void* buffer, DWORD size, DWORD& got) override {
        if (throwOnRead) throw std::bad_alloc();
        LARGE_INTEGER offset = {};
        SetFilePointerEx(file, offset, &offset, FILE_CURRENT);
        requests.push_back({reinterpret_cast<std::uintptr_t>(buffer), size, offset.QuadPart});
        return SystemCopyAccess().Read(file, buffer, size, got);
    }
    bool ReplacesInOneStep() override { return !windows9x; }
    bool Move(const std::string& from, const std::string& to, DWORD flags) override {
        changes.push_back("move " + BaseName(from) + " " + BaseName(to) + " " + std::to_string(flags));
        committing_ = true;
        if (CutOff()) return false;
        ++reached_;
        if (Refuses(changes.back())) return false;
        const bool moved = windows9x ? MoveFileA(from.c_str(), to.c_str()) : SystemCopyAccess().Move(from, to, flags);
        if (moved && BaseName(to) == grownMoveTarget) WriteBytes(to, ReadBytes(to) + "+");
        return moved;
    }
    bool Delete(const std::string& path) override {
        changes.push_back("delete " + BaseName(path));
        if (CutOff()) return false;
        ++reached_;
        return SystemCopyAccess().Delete(path);
    }

    DWORD refuseUnbuffered = ERROR_SUCCESS;  // the code an unbuffered open fails with
    bool holdCopiesForWriting = false;
    bool refuseMemory = false;
    bool throwOnRead = false;
    bool windows9x = false;
    int cutAfter = -1;  // the moves and deletions of the commit that reach the folder before the cut
    // The opens for deletion or writing and the moves whose recorded change starts
    // with refused fail with refusedError, the first refusedTimes of them (all when
    // negative); refusals counts them.
    std::string refused;
    DWORD refusedError = ERROR_WRITE_PROTECT;
    int refusedTimes = -1;
    int refusals = 0;
    std::string grownMoveTarget;        // a move to this name stores a file one byte longer
    std::function<void(const std::string& path, DWORD access)> onOpen;
    std::vector<HANDLE> holders;
    std::vector<DWORD> readBackOpens;  // the flags of each open for reading
    std::vector<Request> requests;
    std::vector<std::string> changes;  // the opens for deletion or writing, moves and deletions

private:
    static std::string ReadBytes(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    bool Refuses(const std::string& change) {
        if (refused.empty() || change.rfind(refused, 0) != 0 || refusals == refusedTimes) return false;
        ++refusals;
        SetLastError(refusedError);
        return true;
    }
    // From the cut on, every call fails as on a device that is gone.
    bool CutOff() const {
        if (!committing_ || cutAfter < 0 || reached_ < cutAfter) return false;
        SetLastError(ERROR_DEV_NOT_EXIST);
        return true;
    }
    bool committing_ = false;  // from the first move on
    int reached_ = 0;
};

constexpr DWORD kUnbuffered = FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN;

}  // namespace

// Files of two blocks and a few bytes, of exactly one block, and of a few bytes: every
// request asks for one whole block, into a page-aligned buffer, at a block-aligned
// offset, and none is made past a short read at the file's end.
TEST_F(RunTest, ReadBackRequestsAreAlignedWholeBlocksFromAnUnbufferedOpen) {
    MakePackage(3);
    const std::string large(2 * kReadBackBlockSize + 5, 'L');
    const std::string oneBlock(kReadBackBlockSize, 'B');
    package.write(config.fileNames[0], large);
    package.write(config.fileNames[1], oneBlock);
    config.checksums[0] = ContentChecksum(large);
    config.checksums[1] = ContentChecksum(oneBlock);
    RecordingAccess access;
    RunUpdate(config, view, access);
    EXPECT_EQ(view.events, Success(3));
    EXPECT_EQ(access.readBackOpens, (std::vector<DWORD>{kUnbuffered, kUnbuffered, kUnbuffered}));
    ASSERT_EQ(access.requests.size(), 3u + 2u + 1u);
    for (const RecordingAccess::Request& request : access.requests) {
        EXPECT_EQ(request.address % kLargestSectorSize, 0u);
        EXPECT_EQ(request.size, kReadBackBlockSize);
        EXPECT_EQ(request.offset % kReadBackBlockSize, 0);
    }
}

TEST_F(RunTest, ARefusedUnbufferedOpenIsReadTheCachedWay) {
    MakePackage(2);
    RecordingAccess access;
    access.refuseUnbuffered = ERROR_INVALID_PARAMETER;
    RunUpdate(config, view, access);
    EXPECT_EQ(view.events, Success(2));
    const DWORD cached = FILE_FLAG_SEQUENTIAL_SCAN;
    EXPECT_EQ(access.readBackOpens, (std::vector<DWORD>{kUnbuffered, cached, kUnbuffered, cached}));
}

// Only a refused flag is worked around: a copy that cannot be opened for another
// reason, or a read-back without memory for its block, is a failure with its code.
TEST_F(RunTest, AnOpenFailingForAnotherReasonOrNoMemoryFailsTheVerification) {
    MakePackage(1);
    const std::vector<std::string> old = PutOldFiles();
    RecordingAccess denied;
    denied.refuseUnbuffered = ERROR_ACCESS_DENIED;
    RunUpdate(config, view, denied);
    EXPECT_EQ(view.messages, (Events{"Open bin file failed! Err:5", "It is failed!!!!\n The check sum is 0000"}));
    EXPECT_EQ(denied.readBackOpens, (std::vector<DWORD>{kUnbuffered}));
    view = RecordingView();
    RecordingAccess noMemory;
    noMemory.refuseMemory = true;
    RunUpdate(config, view, noMemory);
    EXPECT_EQ(view.messages, (Events{"Open bin file failed! Err:8", "It is failed!!!!\n The check sum is 0000"}));
    EXPECT_TRUE(HoldsOnly(old));
}

// A program that holds a new copy open for writing, letting others read and write,
// fails neither the flush nor the read-back.
TEST_F(RunTest, ACopyAnotherProgramHoldsOpenForWritingIsFlushedAndVerified) {
    MakePackage(3);
    RecordingAccess access;
    access.holdCopiesForWriting = true;
    RunUpdate(config, view, access);
    EXPECT_EQ(access.holders.size(), 2 * 3u);  // each staged copy, then each name after the renames
    for (const HANDLE holder : access.holders) EXPECT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(view.events, Success(3));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetContent(i), FileContent(i)) << i;
}

// The flags reach the system: the read-back's handle bypasses the cache and reads
// in sequence, as its mode, queried back, shows.
TEST_F(RunTest, TheSystemSeamPassesTheUnbufferedFlagsToTheOpen) {
    MakePackage(1);
    using QueryFile = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
    constexpr int kFileModeInformation = 16;
    constexpr ULONG kNoIntermediateBuffering = 0x8, kSequentialOnly = 0x4;  // FILE_NO_INTERMEDIATE_BUFFERING, ...
    const auto query = reinterpret_cast<QueryFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    ASSERT_NE(nullptr, query);
    const HANDLE file = SystemCopyAccess().Open(package.pathOf(config.fileNames[0]), GENERIC_READ, FILE_SHARE_READ, kUnbuffered);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ULONG_PTR status[2] = {};
    ULONG mode = 0;
    EXPECT_EQ(0, query(file, status, &mode, sizeof mode, kFileModeInformation));
    CloseHandle(file);
    EXPECT_EQ(kNoIntermediateBuffering | kSequentialOnly, mode & (kNoIntermediateBuffering | kSequentialOnly));
}

namespace {

// Another program's handle on path, sharing reading and writing but not deletion,
// as a photo importer or scanner may open a file on the camera.
HANDLE HoldWithoutDeleteSharing(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Closes a handle a while after it is started, well within the run's retry time.
class ReleaseLater {
public:
    explicit ReleaseLater(HANDLE held) : held_(held), thread_(CreateThread(nullptr, 0, Release, this, 0, nullptr)) {}
    ~ReleaseLater() {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    ReleaseLater(const ReleaseLater&) = delete;
    ReleaseLater& operator=(const ReleaseLater&) = delete;

private:
    static constexpr DWORD kHoldMs = 400;
    static DWORD WINAPI Release(void* self) {
        Sleep(kHoldMs);
        CloseHandle(static_cast<ReleaseLater*>(self)->held_);
        return 0;
    }
    HANDLE held_;
    HANDLE thread_;
};

}  // namespace

// A file held open without delete sharing refuses the open for deletion that a
// rename makes: checked before any rename, it leaves the camera as it was.
TEST_F(RunTest, AFileHeldOpenWithoutDeleteSharingAtTheCommitLeavesTheCameraAsItWas) {
    MakePackage(3);
    const std::vector<std::string> old = PutOldFiles();
    const HANDLE holder = HoldWithoutDeleteSharing(TargetPath(1));
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    RunUpdate(config, view);
    CloseHandle(holder);
    EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "pos 2", "pos 3",
                                   "message Copy files failed! Err:32\n" + package.pathOf("fw1.bin"), "pos 0",
                                   "start timer"}));
    EXPECT_TRUE(HoldsOnly(old));
}

// Holds that end within the retry time, one at the check and one taken between the
// check and the renames, still end in success.
TEST_F(RunTest, HoldsThatEndWithinTheRetryTimeStillEndInSuccess) {
    MakePackage(3);
    PutOldFiles();
    RecordingAccess access;
    const HANDLE atTheCheck = HoldWithoutDeleteSharing(TargetPath(1));
    ASSERT_NE(INVALID_HANDLE_VALUE, atTheCheck);
    std::unique_ptr<ReleaseLater> checkHold(new ReleaseLater(atTheCheck));
    std::unique_ptr<ReleaseLater> renameHold;
    access.onOpen = [&](const std::string& path, DWORD desired) {
        if (desired == DELETE && BaseName(path) == "fw2.bin" && !renameHold)
            renameHold.reset(new ReleaseLater(HoldWithoutDeleteSharing(StagedPath(0))));
    };
    RunUpdate(config, view, access);
    EXPECT_EQ(view.events, Success(3));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetContent(i), FileContent(i)) << i;
    EXPECT_NE(nullptr, renameHold);
}

// After the checks, each staged copy replaces its old file in one step written
// through, and then every name is opened for writing and flushed.
TEST_F(RunTest, TheCommitRenamesWrittenThroughAndFlushesEveryNameAfterwards) {
    MakePackage(2);
    RecordingAccess access;
    RunUpdate(config, view, access);
    EXPECT_EQ(view.events, Success(2));
    const std::string replace = std::to_string(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    EXPECT_EQ(access.changes,
              (Events{"write-open ~STAGE00.TMP", "write-open ~STAGE01.TMP", "delete-open ~STAGE00.TMP",
                      "delete-open fw0.bin", "delete-open ~STAGE01.TMP", "delete-open fw1.bin",
                      "move ~STAGE00.TMP fw0.bin " + replace, "move ~STAGE01.TMP fw1.bin " + replace,
                      "write-open fw0.bin", "write-open fw1.bin"}));
}

// A rename the device refuses, or one after which the name holds a file of another
// size, is no success. A refused rename into place leaves the old file under its
// name, also on 95/98/ME, where it was set aside just before.
TEST_F(RunTest, ARenameRefusedOrNotKeptIsACopyFailureAndARefusedOneLeavesTheOldFile) {
    MakePackage(2);
    for (const bool windows9x : {false, true}) {
        for (const bool refused : {true, false}) {
            const std::string run = std::string(windows9x ? "95/98/ME, " : "NT, ") + (refused ? "refused" : "grown");
            const std::vector<std::string> old = PutOldFiles();
            view = RecordingView();
            RecordingAccess access;
            access.windows9x = windows9x;
            (refused ? access.refused : access.grownMoveTarget) = refused ? "move ~STAGE01.TMP fw1.bin" : "fw1.bin";
            RunUpdate(config, view, access);
            const DWORD error = refused ? ERROR_WRITE_PROTECT : ERROR_WRITE_FAULT;
            EXPECT_EQ(view.messages, (Events{"Copy files failed! Err:" + std::to_string(error) + "\n" + package.pathOf("fw1.bin")}))
                << run;
            EXPECT_EQ(view.events.back(), "start timer") << run;
            if (refused) {
                EXPECT_EQ(TargetContent(1), old[1]) << run;
            }
            EXPECT_FALSE(NameIsTaken(AsideFileName(1))) << run;
        }
    }
}

// A refusal with the code of a holder (5 or 32) is tried again, with pauses, until
// the retry time is over: the renames into place and aside, and the flushes after
// them. Held throughout, the file fails the run with the holder's code after a
// number of tries that only the pauses keep small.
TEST_F(RunTest, RefusalsOfAHolderAreTriedAgainWithPausesForTheRetryTime) {
    MakePackage(2);
    const struct {
        bool windows9x;
        const char* refused;
        DWORD error;
    } holds[] = {
        {false, "move ~STAGE01.TMP fw1.bin", ERROR_ACCESS_DENIED},
        {true, "move fw1.bin ~OLD01.TMP", ERROR_SHARING_VIOLATION},
        {true, "move ~STAGE01.TMP fw1.bin", ERROR_SHARING_VIOLATION},
        {false, "write-open fw1.bin", ERROR_SHARING_VIOLATION},
        {true, "write-open fw1.bin", ERROR_ACCESS_DENIED},
    };
    constexpr int kBriefHold = 3;
    for (const auto& hold : holds) {
        PutOldFiles();
        view = RecordingView();
        RecordingAccess access;
        access.windows9x = hold.windows9x;
        access.refused = hold.refused;
        access.refusedError = hold.error;
        access.refusedTimes = kBriefHold;
        RunUpdate(config, view, access);
        EXPECT_EQ(view.events, Success(2)) << hold.refused;
        EXPECT_EQ(access.refusals, kBriefHold) << hold.refused;
        EXPECT_EQ(TargetContent(1), FileContent(1)) << hold.refused;
    }
    // 2 s of tries 50 ms apart, with room for a pause that ends early.
    constexpr int kMostTriesInTheRetryTime = 60;
    view = RecordingView();
    RecordingAccess held;
    held.refused = "move ~STAGE01.TMP fw1.bin";
    held.refusedError = ERROR_SHARING_VIOLATION;
    RunUpdate(config, view, held);
    EXPECT_EQ(view.messages, (Events{"Copy files failed! Err:32\n" + package.pathOf("fw1.bin")}));
    EXPECT_GT(held.refusals, kBriefHold);
    EXPECT_LE(held.refusals, kMostTriesInTheRetryTime);
}

// On Windows 95/98/ME each old file is renamed aside, its staged copy takes its name,
// and then the old file is deleted. A run cut off after every number of these steps
// (the last cut falls before the flushes), then the next run's clear-up: every name
// holds its old or its new file, and no set-aside file stays.
TEST_F(RunTest, On95And98ACommitCutAtAnyStepLeavesEveryNameOldOrNewAfterTheNextClearUp) {
    MakePackage(3);
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) sources.push_back(package.pathOf(config.fileNames[i]));
    constexpr int kStepsPerFile = 3;
    constexpr int kCommitSteps = 3 * kStepsPerFile + 1;  // and the removal of the record of names
    int cut = 0;
    for (;; ++cut) {
        ASSERT_LE(cut, kCommitSteps + 1);
        RemoveFolderTree(kTestDriveTarget);
        const std::vector<std::string> old = PutOldFiles();
        view = RecordingView();
        RecordingAccess access;
        access.windows9x = true;
        access.cutAfter = cut;
        RunUpdate(config, view, access);
        if (view.messages == Events{"Copy OK!"}) break;
        ASSERT_EQ(view.messages.size(), 1u) << cut;
        EXPECT_EQ(view.messages[0].rfind("Copy files failed! Err:" + std::to_string(ERROR_DEV_NOT_EXIST), 0), 0u) << cut;
        RecordingAccess next;
        next.windows9x = true;
        StagedUpdate(config, sources, next).ClearLeftovers();
        for (int i = 0; i < 3; ++i) {
            const std::string held = TargetContent(i);
            EXPECT_TRUE(held == old[static_cast<std::size_t>(i)] || held == FileContent(i)) << "cut " << cut << ": " << i;
            EXPECT_FALSE(NameIsTaken(AsideFileName(i))) << "cut " << cut << ": " << i;
        }
        EXPECT_FALSE(NameIsTaken(kAsideRecordName)) << "cut " << cut;
    }
    EXPECT_EQ(cut, kCommitSteps + 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetContent(i), FileContent(i)) << i;
    EXPECT_FALSE(NameIsTaken(kAsideRecordName));
}

// A run of one package cut off with an old file set aside, then runs of another
// package with other names: the old file goes back under the name it came from,
// whether the other package has a file of its slot or not, never under another
// name, and the other package is installed. While the put-back fails, the file
// keeps its name in the record, and a run that needs its slot is refused. A
// set-aside file whose name no record knows stays as it is.
TEST_F(RunTest, On95And98ASetAsideFileGoesBackOnlyUnderTheNameItCameFrom) {
    constexpr int kStepsPerFile = 3;
    constexpr int kOtherFiles = 2;
    for (const int aside : {1, 2}) {
        RemoveFolderTree(kTestDriveTarget);
        MakePackage(3);
        const std::vector<std::string> old = PutOldFiles();
        RecordingAccess cut;
        cut.windows9x = true;
        cut.cutAfter = aside * kStepsPerFile + 1;
        RunUpdate(config, view, cut);
        ASSERT_EQ(TargetContent(aside), "<missing>") << aside;
        const std::string unknown = AsideFileName(5);
        WriteBytes(InTarget(unknown), "set aside by an earlier program");
        const std::string oldName = config.fileNames[aside];
        MakePackage(kOtherFiles, "other");
        view = RecordingView();
        RecordingAccess refusing;
        refusing.windows9x = true;
        refusing.refused = "move " + AsideFileName(aside);
        RunUpdate(config, view, refusing);
        EXPECT_EQ(view.messages.back() == "Copy OK!", aside >= kOtherFiles) << aside;
        EXPECT_TRUE(NameIsTaken(AsideFileName(aside))) << aside;
        view = RecordingView();
        RecordingAccess next;
        next.windows9x = true;
        RunUpdate(config, view, next);
        EXPECT_EQ(view.events, Success(kOtherFiles)) << aside;
        EXPECT_EQ(TargetFileContent(oldName), old[static_cast<std::size_t>(aside)]) << aside;
        for (int i = 0; i < kOtherFiles; ++i) EXPECT_EQ(TargetContent(i), FileContent(i)) << aside << ": " << i;
        EXPECT_FALSE(NameIsTaken(AsideFileName(aside))) << aside;
        EXPECT_EQ(TargetFileContent(unknown), "set aside by an earlier program") << aside;
        EXPECT_FALSE(NameIsTaken(kAsideRecordName)) << aside;
    }
}

// On 95/98/ME a set-aside name that the commit needs and the clear-up could not free
// (a folder of that name, a file whose name no record knows) refuses the run before
// the first rename: the camera stays as it was, the leftover too.
TEST_F(RunTest, On95And98ASetAsideNameThatCannotBeClearedRefusesTheRunBeforeTheFirstRename) {
    MakePackage(3);
    const std::string aside = InTarget(AsideFileName(1));
    for (const bool folder : {true, false}) {
        RemoveFolderTree(kTestDriveTarget);
        const std::vector<std::string> old = PutOldFiles();
        if (folder)
            CreateDirectoryA(aside.c_str(), nullptr);
        else
            WriteBytes(aside, "set aside, name unknown");
        view = RecordingView();
        RecordingAccess access;
        access.windows9x = true;
        RunUpdate(config, view, access);
        EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "pos 2", "pos 3",
                                       "message Copy files failed! Err:183\n" + package.pathOf("fw1.bin"), "pos 0",
                                       "start timer"}))
            << folder;
        for (const std::string& change : access.changes) EXPECT_NE(change.rfind("move ", 0), 0u) << folder << ": " << change;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetContent(i), old[static_cast<std::size_t>(i)]) << folder << ": " << i;
        EXPECT_EQ(folder ? "<missing>" : "set aside, name unknown", TargetFileContent(AsideFileName(1))) << folder;
        EXPECT_TRUE(NameIsTaken(AsideFileName(1))) << folder;
    }
}

// Whatever ends the run, here no memory while a copy is read back, the staged copies
// go and the watch runs again before the exception goes on to be reported.
TEST_F(RunTest, AnExceptionFromTheWorkRemovesTheStagedCopiesAndRestartsTheWatch) {
    MakePackage(3);
    const std::vector<std::string> old = PutOldFiles();
    RecordingAccess access;
    access.throwOnRead = true;
    EXPECT_THROW(RunUpdate(config, view, access), std::bad_alloc);
    EXPECT_EQ(view.events, (Events{"stop timer", "pos 1", "pos 2", "pos 3", "pos 0", "start timer"}));
    EXPECT_TRUE(HoldsOnly(old));
}
