#include "update_run.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "checksum.h"
#include "copy_readback.h"
#include "failure_code.h"
#include "file_compare.h"
#include "file_paths.h"
#include "staged_name.h"
#include "staged_update.h"
#include "target_room.h"
#include "update_view.h"

namespace {

// The bar's last position after the verification: the default file count plus one,
// which fills the bar exactly for the usual package of 11 files.
constexpr int kFinalProgressPos = kDefaultFileCount + 1;

std::string WithErrorCode(const char* text, DWORD error) {
    return text + std::to_string(error);
}

std::string CopyFailureText(DWORD error, const std::string& source) {
    return WithErrorCode("Copy files failed! Err:", error) + "\n" + source;
}

// Whether file i has a checksum line that the record holds.
bool HasChecksum(const UpdateConfig& config, int i) {
    return i >= 0 && i < config.checksumCount && i < kChecksumSlots;
}

// The package's files in the program's folder, as the pre-flight found them.
struct Package {
    std::vector<std::string> sources;
    std::vector<FileBytes> sizes;
};

// Opens the file at path for reading, sharing only reading, and gives its size.
// Returns 0 or the system error code.
DWORD OpenSource(const std::string& path, FileBytes& size) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailureCode();
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = GetFileSize(file, &high);
    const DWORD error = low == INVALID_FILE_SIZE ? GetLastError() : ERROR_SUCCESS;
    CloseHandle(file);
    size = (FileBytes{high} << 32) | low;
    return error;
}

// Runs step(i) for the files 0, 1, ... on the worker, as one piece of work, up to
// the first that fails. Returns that file's index and its error code, or -1.
template <typename Step>
int FirstFailure(int files, const Step& step, DWORD& error, UpdateView& view) {
    int failed = -1;
    error = view.AwaitFileWork([&]() -> unsigned long {
        for (int i = 0; i < files; ++i) {
            const DWORD result = step(i);
            if (result != ERROR_SUCCESS) {
                failed = i;
                return result;
            }
        }
        return ERROR_SUCCESS;
    });
    return failed;
}

// Pre-flight: nothing on the target is touched before the whole package is known
// to be there and to open. A file named like one of the run's own (a staged copy, a
// set-aside old file) would be taken for a leftover of an interrupted run, and a
// name that Windows takes for another's would stage two files onto one name, so such
// a package is refused. The first source that fails is reported as its copy would
// report it.
bool CheckPackage(const UpdateConfig& config, const std::string& sourceFolder, UpdateView& view, Package& package) {
    for (int i = 0; i < config.fileCount; ++i) {
        package.sources.push_back(JoinPath(sourceFolder, FileNameAt(config, i)));
        package.sizes.push_back(0);
    }
    DWORD error = ERROR_SUCCESS;
    const int failed = FirstFailure(
        config.fileCount,
        [&](int i) {
            const std::size_t file = static_cast<std::size_t>(i);
            return HasNameClash(config, i) ? static_cast<DWORD>(ERROR_INVALID_NAME)
                                           : OpenSource(package.sources[file], package.sizes[file]);
        },
        error, view);
    if (failed < 0) return true;
    view.ShowOutcome(CopyFailureText(error, package.sources[static_cast<std::size_t>(failed)]));
    return false;
}

// Creates the target folder, one level. An existing folder is fine, and a
// missing parent shows up as the failure of the first copy.
void CreateTargetFolder(const UpdateConfig& config, UpdateView& view) {
    const DWORD error = view.AwaitFileWork([&] {
        return CreateDirectoryA(config.targetFolder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
    });
    if (error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS || error == ERROR_PATH_NOT_FOUND) return;
    // Not the outcome: the copy follows.
    view.ShowMessage(WithErrorCode("Can not create the folder! Err:", error));
}

// Runs a file operation whose failures do not matter: what it leaves is dealt with
// by the steps after it.
template <typename Work>
void AwaitQuietly(UpdateView& view, const Work& work) {
    view.AwaitFileWork([&]() -> unsigned long {
        work();
        return ERROR_SUCCESS;
    });
}

void DiscardStagedCopies(const StagedUpdate& staging, UpdateView& view) {
    AwaitQuietly(view, [&] { staging.Discard(); });
}

// Makes room for the staged copies. Returns false, having said so, when the camera
// cannot hold the new files even in place of the old ones that can be deleted: then
// nothing changes. Once old files were deleted, the room is counted again from what
// their deletion really freed. A drive that does not say how much it holds is tried
// all the same; the copy reports what fails.
bool MakeRoom(const StagedUpdate& staging, const Package& package, const UpdateConfig& config,
              UpdateView& view) {
    RoomCheck room = {Room::Unknown, -1};
    AwaitQuietly(view, [&] { room = CheckRoom(config.targetFolder, package.sizes, staging.FreeableOldFileSizes()); });
    if (room.room == Room::InPlaceOfOld) {
        AwaitQuietly(view, [&] {
            staging.DeleteOldFiles();
            room = CheckRoom(config.targetFolder, package.sizes, {});
        });
    }
    if (room.room != Room::TooSmall) return true;
    view.ShowOutcome(CopyFailureText(ERROR_DISK_FULL, package.sources.at(static_cast<std::size_t>(room.firstNotFitting))));
    return false;
}

// Copies every file under its staged name, the bar at i + 1 after file i. The
// first failure is reported and every staged copy removed.
bool StageNewFiles(const StagedUpdate& staging, const Package& package, UpdateView& view) {
    for (int i = 0; i < static_cast<int>(package.sources.size()); ++i) {
        const DWORD error = view.AwaitFileWork([&] { return staging.Stage(i); });
        if (error != ERROR_SUCCESS) {
            DiscardStagedCopies(staging, view);
            view.ShowOutcome(CopyFailureText(error, package.sources[static_cast<std::size_t>(i)]));
            return false;
        }
        view.SetProgressPos(i + 1);
    }
    return true;
}

// What the verification of a run reads into, kept for all its files.
struct VerifyMemory {
    explicit VerifyMemory(CopyAccess& access) : block(access) {}
    ReadBackBlock block;
    SourceComparison comparison;
};

// Reads the copy at copyPath back from the device once and checks it on that one
// read: byte for byte against its source, and against its checksum line when it
// has one. computedChecksum keeps the sum of what the device holds. A copy that
// cannot be opened or read is reported and counts as failed.
bool VerifyCopy(UpdateConfig& config, int i, const std::string& copyPath, const std::string& sourcePath,
                CopyAccess& access, VerifyMemory& memory, UpdateView& view) {
    std::uint32_t sum = 0;
    bool same = false;
    const DWORD error = view.AwaitFileWork([&] {
        const FileHandle source(std::fopen(sourcePath.c_str(), "rb"));
        memory.comparison.Restart(source.get());
        const DWORD readError =
            ReadBackCopy(access, memory.block, copyPath, [&](const unsigned char* block, std::size_t size) {
                sum = SumBytes(block, size, sum);
                memory.comparison.Next(block, size);
            });
        same = memory.comparison.Same();
        return readError;
    });
    if (error != ERROR_SUCCESS) {
        // Not the outcome: the failed verification is told after it, once any staged
        // copies are discarded.
        view.ShowMessage(WithErrorCode("Open bin file failed! Err:", error));
        return false;
    }
    config.computedChecksum = ChecksumText(sum);
    return same && (!HasChecksum(config, i) || ChecksumsMatch(config.computedChecksum, config.checksums[i]));
}

// Every file is verified, copyPath giving where its copy lies. checksum.ini lines
// beyond the files name no file and fail. Verification stops at the first file
// that fails.
template <typename CopyPath>
bool VerifyCopies(UpdateConfig& config, const std::string& sourceFolder, const CopyPath& copyPath,
                  CopyAccess& access, UpdateView& view) {
    VerifyMemory memory(access);
    const int entries = std::max(config.fileCount, config.checksumCount);
    for (int i = 0; i < entries; ++i) {
        const std::string source = JoinPath(sourceFolder, FileNameAt(config, i));
        if (!VerifyCopy(config, i, copyPath(i), source, access, memory, view)) return false;
    }
    return true;
}

// Runs step(i) for every file of the package as FirstFailure does. The first
// failure ends the run: once cleanUp has run, it is reported for its file's source.
template <typename Step, typename CleanUp>
bool EveryFileSucceeds(const Package& package, const Step& step, const CleanUp& cleanUp, UpdateView& view) {
    DWORD error = ERROR_SUCCESS;
    const int failed = FirstFailure(static_cast<int>(package.sources.size()), step, error, view);
    if (failed < 0) return true;
    cleanUp();
    view.ShowOutcome(CopyFailureText(error, package.sources[static_cast<std::size_t>(failed)]));
    return false;
}

// A rename that another program's handle refuses halfway through the renames would
// leave old and new files mixed: each file must be free to be renamed before the
// first rename. Otherwise the staged copies go and the camera stays as it was.
bool NothingHoldsTheFiles(const StagedUpdate& staging, const Package& package, UpdateView& view) {
    return EveryFileSucceeds(
        package, [&](int i) { return staging.CheckFreeToReplace(i); }, [&] { DiscardStagedCopies(staging, view); },
        view);
}

// The staged copies take the files' names, and each name is then written through
// to the device and must hold a file of its source's size. A failure is reported
// for its file; the next run completes or clears up what is left.
bool PutNewFilesInPlace(const StagedUpdate& staging, const Package& package, UpdateView& view) {
    const auto nothingToUndo = [] {};
    return EveryFileSucceeds(package, [&](int i) { return staging.PutInPlace(i); }, nothingToUndo, view) &&
           EveryFileSucceeds(
               package, [&](int i) { return staging.SettleInPlace(i, package.sizes[static_cast<std::size_t>(i)]); },
               nothingToUndo, view);
}

// The run ends before anything was verified: the bar goes back to 0 and the watch runs again.
void EndUnfinished(UpdateView& view) {
    view.SetProgressPos(0);
    view.StartWatchTimer();
}

// The device watch stays stopped after a failed verification: the target stays as
// it is until the user starts the next run.
void EndFailedVerification(const UpdateConfig& config, UpdateView& view) {
    view.SetProgressPos(kFinalProgressPos);
    view.ShowOutcome("It is failed!!!!\n The check sum is " + config.computedChecksum);
}

void EndWithSuccess(UpdateView& view) {
    view.SetProgressPos(kFinalProgressPos);
    view.ShowOutcome("Copy OK!");
    view.SetProgressPos(0);
    view.StartWatchTimer();
}

// The run from the staging on, once the package is known to be there.
void UpdateThroughStaging(UpdateConfig& config, const std::string& sourceFolder, const Package& package,
                          const StagedUpdate& staging, CopyAccess& access, UpdateView& view) {
    AwaitQuietly(view, [&] { staging.ClearLeftovers(); });
    if (!MakeRoom(staging, package, config, view)) return EndUnfinished(view);
    CreateTargetFolder(config, view);
    if (!StageNewFiles(staging, package, view)) return EndUnfinished(view);
    // Entries beyond the files have no staged copy; they name the file they name.
    const auto staged = [&](int i) { return i < config.fileCount ? staging.StagedPath(i) : staging.TargetPath(i); };
    if (!VerifyCopies(config, sourceFolder, staged, access, view)) {
        DiscardStagedCopies(staging, view);
        return EndFailedVerification(config, view);
    }
    if (!NothingHoldsTheFiles(staging, package, view) || !PutNewFilesInPlace(staging, package, view))
        return EndUnfinished(view);
    EndWithSuccess(view);
}

}  // namespace

void RunUpdate(UpdateConfig& config, UpdateView& view) { RunUpdate(config, view, SystemCopyAccess()); }

void RunUpdate(UpdateConfig& config, UpdateView& view, CopyAccess& access) {
    view.StopWatchTimer();
    // Only a package the record holds in full is installed. After a failed load the
    // count may be 0, negative or beyond the slots; the user has already been told,
    // and the run leaves the target alone instead of calling an empty or partial
    // copy a success.
    if (config.targetFolder.empty() || !IsUsableFileCount(config.fileCount)) {
        view.StartWatchTimer();
        return;
    }
    const std::string sourceFolder = CurrentFolder();
    Package package;
    const StagedUpdate staging(config, package.sources, access);
    bool stagingStarted = false;
    try {
        if (!CheckPackage(config, sourceFolder, view, package)) return EndUnfinished(view);
        // A package started from the target folder itself is already in place: it is
        // only verified there.
        if (IsSameFolder(sourceFolder, config.targetFolder)) {
            const auto inPlace = [&](int i) { return JoinPath(config.targetFolder, FileNameAt(config, i)); };
            if (!VerifyCopies(config, sourceFolder, inPlace, access, view)) return EndFailedVerification(config, view);
            return EndWithSuccess(view);
        }
        stagingStarted = true;
        UpdateThroughStaging(config, sourceFolder, package, staging, access, view);
    } catch (...) {
        // Whatever ends the run (no memory for the work, say) ends it as a failure
        // does before the renames, then goes on to be reported. The discard runs on
        // this thread: the worker may be what failed.
        if (stagingStarted) staging.Discard();
        EndUnfinished(view);
        throw;
    }
}
