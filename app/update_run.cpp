#include "update_run.h"

#include <windows.h>

#include <algorithm>

#include "checksum.h"
#include "copy_readback.h"
#include "failure_code.h"
#include "file_compare.h"
#include "file_paths.h"
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

// The name of file i, or an empty name past the table's slots. An empty name
// gives a path that names no file, so such an entry fails where it is used.
const std::string& FileNameAt(const UpdateConfig& config, int i) {
    static const std::string kNoName;
    return i >= 0 && i < kFileNameSlots ? config.fileNames[i] : kNoName;
}

// Whether file i is verified by a checksum of checksum.ini: it has a line there
// that the record holds. Any other file is compared with its source.
bool HasChecksum(const UpdateConfig& config, int i) {
    return i >= 0 && i < config.checksumCount && i < kChecksumSlots;
}

// Opens the file at path for reading and closes it again. Returns 0 or the
// system error code.
DWORD OpenForReading(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailureCode();
    CloseHandle(file);
    return ERROR_SUCCESS;
}

// Nothing on the target is touched before the whole package is known to be there:
// a missing source found only during the copy would leave the camera with its old
// firmware deleted and part of the new one. The first source that cannot be opened
// is reported as its copy would report it.
bool SourcesReadable(const UpdateConfig& config, const std::string& sourceFolder, UpdateView& view) {
    for (int i = 0; i < config.fileCount; ++i) {
        const std::string source = JoinPath(sourceFolder, FileNameAt(config, i));
        const DWORD error = view.AwaitFileWork([&] { return OpenForReading(source); });
        if (error != ERROR_SUCCESS) {
            view.ShowMessage(CopyFailureText(error, source));
            return false;
        }
    }
    return true;
}

// Deletes a firmware file on the target, clearing its read-only attribute first.
// Failures are ignored: a file that stays is replaced or reported by the copy.
void DeleteTargetFile(const std::string& target) {
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(target.c_str());
}

// Removes the old firmware files, read-only ones included. Files that are
// missing or cannot be opened are left alone; failures do not matter here.
void PurgeOldFiles(const UpdateConfig& config) {
    for (int i = 0; i < config.fileCount; ++i) {
        const std::string target = JoinPath(config.targetFolder, FileNameAt(config, i));
        std::FILE* file = std::fopen(target.c_str(), "r");
        if (file == nullptr) continue;
        std::fclose(file);
        DeleteTargetFile(target);
    }
}

// Creates the target folder, one level. An existing folder is fine, and a
// missing parent shows up as the failure of the first copy.
void CreateTargetFolder(const UpdateConfig& config, UpdateView& view) {
    const DWORD error = view.AwaitFileWork(
        [&] { return CreateDirectoryA(config.targetFolder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError(); });
    if (error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS || error == ERROR_PATH_NOT_FOUND) return;
    view.ShowMessage(WithErrorCode("Can not create the folder! Err:", error));
}

// Writes a finished copy through to the device: a write error of the device shows
// here, before the copy counts. Flushing needs the file open for writing, and
// CopyFileA gives the copy its source's attributes: a read-only copy has the
// attribute cleared for the flush and set again afterwards. The open shares reading
// and writing, so that a virus scanner or indexer that opened the new file does not
// fail the update; the read-back decides whether the copy is good. Returns 0 or the
// system error code.
DWORD FlushCopy(CopyAccess& access, const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesA(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DWORD error = ERROR_SUCCESS;
    const HANDLE file = access.Open(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (file == INVALID_HANDLE_VALUE) {
        error = FailureCode();
    } else {
        if (!FlushFileBuffers(file)) error = FailureCode();
        CloseHandle(file);
    }
    if (readOnly && !SetFileAttributesA(target.c_str(), attributes) && error == ERROR_SUCCESS) error = FailureCode();
    return error;
}

// Copies one file and writes it through to the device. Returns 0 or the system
// error code. A copy that failed part way would leave a truncated firmware file
// under its real name, which the camera might load: it is removed.
DWORD CopyToTarget(CopyAccess& access, const std::string& source, const std::string& target) {
    const DWORD error = CopyFileA(source.c_str(), target.c_str(), FALSE) ? FlushCopy(access, target) : FailureCode();
    if (error != ERROR_SUCCESS) DeleteTargetFile(target);
    return error;
}

bool CopyNewFiles(const UpdateConfig& config, const std::string& sourceFolder, CopyAccess& access,
                  UpdateView& view) {
    CreateTargetFolder(config, view);
    for (int i = 0; i < config.fileCount; ++i) {
        const std::string& name = FileNameAt(config, i);
        const std::string source = JoinPath(sourceFolder, name);
        const std::string target = JoinPath(config.targetFolder, name);
        const DWORD error = view.AwaitFileWork([&] { return CopyToTarget(access, source, target); });
        if (error != ERROR_SUCCESS) {
            view.ShowMessage(CopyFailureText(error, source));
            return false;
        }
        view.SetProgressPos(i + 1);
    }
    return true;
}

// Reads copy i back from the device once, keeping its checksum in computedChecksum,
// and checks it: against its checksum from checksum.ini when it has one, otherwise
// byte for byte against its source. A copy that cannot be opened or read is
// reported and counts as failed.
bool VerifyFile(UpdateConfig& config, int i, const std::string& sourceFolder, CopyAccess& access,
                UpdateView& view) {
    const std::string& name = FileNameAt(config, i);
    const bool byChecksum = HasChecksum(config, i);
    const FileHandle source(byChecksum ? nullptr : std::fopen(JoinPath(sourceFolder, name).c_str(), "rb"));
    SourceComparison comparison(source.get());
    std::uint32_t sum = 0;
    const std::string target = JoinPath(config.targetFolder, name);
    const DWORD error = view.AwaitFileWork([&] {
        return ReadBackCopy(access, target, [&](const unsigned char* block, std::size_t size) {
            sum = SumBytes(block, size, sum);
            if (!byChecksum) comparison.Next(block, size);
        });
    });
    if (error != ERROR_SUCCESS) {
        view.ShowMessage(WithErrorCode("Open bin file failed! Err:", error));
        return false;
    }
    config.computedChecksum = ChecksumText(sum);
    return byChecksum ? ChecksumsMatch(config.computedChecksum, config.checksums[i]) : comparison.Same();
}

// Every copied file is verified; checksum.ini lines beyond the files name no file
// and fail. Verification stops at the first file that fails.
bool VerifyCopiedFiles(UpdateConfig& config, const std::string& sourceFolder, CopyAccess& access,
                       UpdateView& view) {
    const int entries = std::max(config.fileCount, config.checksumCount);
    for (int i = 0; i < entries; ++i) {
        if (!VerifyFile(config, i, sourceFolder, access, view)) return false;
    }
    return true;
}

// The run ends before anything was verified: the bar goes back to 0 and the watch runs again.
void EndUnfinished(UpdateView& view) {
    view.SetProgressPos(0);
    view.StartWatchTimer();
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
    if (!SourcesReadable(config, sourceFolder, view)) {
        EndUnfinished(view);
        return;
    }
    // A package started from the target folder itself is already in place: the
    // purge would delete the very files it is about to copy. It is only verified.
    if (!IsSameFolder(sourceFolder, config.targetFolder)) {
        view.AwaitFileWork([&] {
            PurgeOldFiles(config);
            return ERROR_SUCCESS;
        });
        if (!CopyNewFiles(config, sourceFolder, access, view)) {
            EndUnfinished(view);
            return;
        }
    }
    if (!VerifyCopiedFiles(config, sourceFolder, access, view)) {
        // The device watch stays stopped after a failed verification: the target
        // stays as it is until the user starts the next run.
        view.SetProgressPos(kFinalProgressPos);
        view.ShowMessage("It is failed!!!!\n The check sum is " + config.computedChecksum);
        return;
    }
    view.SetProgressPos(kFinalProgressPos);
    view.ShowMessage("Copy OK!");
    view.SetProgressPos(0);
    view.StartWatchTimer();
}
