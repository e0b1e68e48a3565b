#include "staged_update.h"

#include <windows.h>

#include <cstdio>

#include "copy_readback.h"
#include "failure_code.h"
#include "file_paths.h"
#include "staged_name.h"
#include "system_library.h"

namespace {

// Staged copies are found by this pattern and removed only when their long name is
// exactly a staged name.
constexpr char kStagedPattern[] = "~STAGE??.TMP";

// Deletes a file in the target folder, clearing its read-only attribute first.
// Failures are ignored: the caller knows what a file that stays means.
void DeleteTargetFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// The size of the file at path, or false when there is no such file.
bool FileSizeAt(const std::string& path, FileBytes& size) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    size = (FileBytes{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    return true;
}

// Writes a finished copy through to the device: a write error of the device shows
// here, before the copy counts. Flushing needs the file open for writing, and
// CopyFileA gives the copy its source's attributes: a read-only copy has the
// attribute cleared for the flush and set again afterwards. The open shares reading
// and writing, so that a virus scanner or indexer that opened the new file does not
// fail the update; the read-back decides whether the copy is good. Returns 0 or the
// system error code.
DWORD FlushCopy(CopyAccess& access, const std::string& copy) {
    const DWORD attributes = GetFileAttributesA(copy.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesA(copy.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DWORD error = ERROR_SUCCESS;
    const HANDLE file = access.Open(copy, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (file == INVALID_HANDLE_VALUE) {
        error = FailureCode();
    } else {
        if (!FlushFileBuffers(file)) error = FailureCode();
        CloseHandle(file);
    }
    if (readOnly && !SetFileAttributesA(copy.c_str(), attributes) && error == ERROR_SUCCESS) error = FailureCode();
    return error;
}

// MoveFileExA replaces a file in one step and writes the change through; Windows
// 95/98/ME do not carry it out, so there the old file is deleted and the staged copy
// renamed. It is bound at run time, so that its absence cannot keep the program
// from starting.
decltype(&::MoveFileExA) BindMoveFileEx() {
    constexpr DWORD kWindows9xBit = 0x80000000;  // GetVersion's bit for 95/98/ME
    decltype(&::MoveFileExA) moveFileEx = nullptr;
    if ((GetVersion() & kWindows9xBit) == 0) BindFunction(GetModuleHandleA("kernel32.dll"), "MoveFileExA", moveFileEx);
    return moveFileEx;
}

DWORD ReplaceWith(const std::string& staged, const std::string& target) {
    static const auto moveFileEx = BindMoveFileEx();
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (moveFileEx != nullptr) {
        return moveFileEx(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? ERROR_SUCCESS
                   : FailureCode();
    }
    if (!DeleteFileA(target.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return FailureCode();
    return MoveFileA(staged.c_str(), target.c_str()) ? ERROR_SUCCESS : FailureCode();
}

}  // namespace

StagedUpdate::StagedUpdate(const UpdateConfig& config, const std::vector<std::string>& sources, CopyAccess& access)
    : config_(config), sources_(sources), access_(access) {}

std::string StagedUpdate::StagedPath(int i) const { return JoinPath(config_.targetFolder, StagedFileName(i)); }

std::string StagedUpdate::TargetPath(int i) const {
    return JoinPath(config_.targetFolder, FileNameAt(config_, i));
}

void StagedUpdate::ClearLeftovers() const {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(JoinPath(config_.targetFolder, kStagedPattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (IsStagedFileName(found.cFileName)) DeleteTargetFile(JoinPath(config_.targetFolder, found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<FileBytes> StagedUpdate::OldFileSizes() const {
    std::vector<FileBytes> sizes(sources_.size(), 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) FileSizeAt(TargetPath(static_cast<int>(i)), sizes[i]);
    return sizes;
}

// Files that are missing or cannot be opened are left alone.
void StagedUpdate::DeleteOldFiles() const {
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        const std::string target = TargetPath(static_cast<int>(i));
        std::FILE* file = std::fopen(target.c_str(), "r");
        if (file == nullptr) continue;
        std::fclose(file);
        DeleteTargetFile(target);
    }
}

unsigned long StagedUpdate::Stage(int i) const {
    const std::string staged = StagedPath(i);
    const std::string& source = sources_.at(static_cast<std::size_t>(i));
    const DWORD error = CopyFileA(source.c_str(), staged.c_str(), FALSE) ? FlushCopy(access_, staged) : FailureCode();
    if (error != ERROR_SUCCESS) DeleteTargetFile(staged);
    return error;
}

void StagedUpdate::Discard() const {
    for (std::size_t i = 0; i < sources_.size(); ++i) DeleteTargetFile(StagedPath(static_cast<int>(i)));
}

unsigned long StagedUpdate::PutInPlace(int i) const { return ReplaceWith(StagedPath(i), TargetPath(i)); }

// A name that holds no file, or one of another size, means the device did not
// keep the rename.
unsigned long StagedUpdate::CheckInPlace(int i, FileBytes size) const {
    FileBytes held = 0;
    if (!FileSizeAt(TargetPath(i), held)) return FailureCode();
    return held == size ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
