#include "update_run.h"

#include <windows.h>

#include "file_checksum.h"
#include "failure_code.h"
#include "file_paths.h"
#include "update_view.h"

namespace {

// The bar's last position after the verification: the default file count plus one,
// which fills the bar exactly for the usual package of 11 files.
constexpr int kFinalProgressPos = kDefaultFileCount + 1;

std::string WithErrorCode(const char* text, DWORD error) {
    return text + std::to_string(error);
}

// The name of file i, or an empty name past the table's slots. An empty name
// gives a path that names no file, so such an entry fails where it is used.
const std::string& FileNameAt(const UpdateConfig& config, int i) {
    static const std::string kNoName;
    return i >= 0 && i < kFileNameSlots ? config.fileNames[i] : kNoName;
}

// The expected checksum of file i, or an empty text past the table's slots,
// which no file matches.
const std::string& ChecksumAt(const UpdateConfig& config, int i) {
    static const std::string kNoChecksum;
    return i >= 0 && i < kChecksumSlots ? config.checksums[i] : kNoChecksum;
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
    if (CreateDirectoryA(config.targetFolder.c_str(), nullptr)) return;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_PATH_NOT_FOUND) return;
    view.ShowMessage(WithErrorCode("Can not create the folder! Err:", error));
}

// Writes a finished copy through to the device. CopyFileA can return while the
// data still sits in the system's cache, and the verification would then re-read
// the cache; a write error of the device shows here instead, before the copy
// counts. Flushing needs the file open for writing, and CopyFileA gives the copy
// its source's attributes: a read-only copy has the attribute cleared for the flush
// and set again afterwards. It is opened unshared: a copy that another program
// holds open is not one this run can vouch for. Returns 0 or the system error code.
DWORD FlushCopy(const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesA(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DWORD error = ERROR_SUCCESS;
    const HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
DWORD CopyToTarget(const std::string& source, const std::string& target) {
    const DWORD error = CopyFileA(source.c_str(), target.c_str(), FALSE) ? FlushCopy(target) : FailureCode();
    if (error != ERROR_SUCCESS) DeleteTargetFile(target);
    return error;
}

bool CopyNewFiles(const UpdateConfig& config, UpdateView& view) {
    const std::string sourceFolder = CurrentFolder();
    CreateTargetFolder(config, view);
    for (int i = 0; i < config.fileCount; ++i) {
        const std::string& name = FileNameAt(config, i);
        const std::string source = JoinPath(sourceFolder, name);
        const DWORD error = CopyToTarget(source, JoinPath(config.targetFolder, name));
        if (error != ERROR_SUCCESS) {
            view.ShowMessage(WithErrorCode("Copy files failed! Err:", error) + "\n" + source);
            return false;
        }
        view.SetProgressPos(i + 1);
    }
    return true;
}

// Re-reads copied file i and compares its checksum with the expected one, keeping
// the checksum read in computedChecksum. A file that cannot be opened or read is
// reported and counts as failed.
bool VerifyFile(UpdateConfig& config, int i, UpdateView& view) {
    std::string checksum;
    const DWORD error = ReadFileChecksum(JoinPath(config.targetFolder, FileNameAt(config, i)), checksum);
    if (error != ERROR_SUCCESS) {
        view.ShowMessage(WithErrorCode("Open bin file failed! Err:", error));
        return false;
    }
    config.computedChecksum = checksum;
    return ChecksumsMatch(checksum, ChecksumAt(config, i));
}

// The checksum list decides how many files are verified. Verification stops at
// the first file that fails.
bool VerifyCopiedFiles(UpdateConfig& config, UpdateView& view) {
    for (int i = 0; i < config.checksumCount; ++i) {
        if (!VerifyFile(config, i, view)) return false;
    }
    return true;
}

}  // namespace

void RunUpdate(UpdateConfig& config, UpdateView& view) {
    view.StopWatchTimer();
    // Only a package the record holds in full is installed. After a failed load the
    // count may be 0, negative or beyond the slots; the user has already been told,
    // and the run leaves the target alone instead of calling an empty or partial
    // copy a success.
    if (config.targetFolder.empty() || !IsUsableFileCount(config.fileCount)) {
        view.StartWatchTimer();
        return;
    }
    PurgeOldFiles(config);
    if (!CopyNewFiles(config, view)) {
        view.SetProgressPos(0);
        view.StartWatchTimer();
        return;
    }
    if (!VerifyCopiedFiles(config, view)) {
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
