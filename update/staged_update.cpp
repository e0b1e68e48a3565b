#include "staged_update.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "copy_readback.h"
#include "failure_code.h"
#include "file_compare.h"
#include "file_paths.h"
#include "staged_name.h"

namespace {

// Staged copies left over are found by this pattern and removed only when their long
// name is exactly one of the run's own names.
constexpr char kStagedPattern[] = "~STAGE??.TMP";

// A file that another program holds open refuses its deletion or rename with one of
// these codes. Scanners, indexers and photo importers that open a new file on the
// camera let it go again within about this time, so the operation is tried again
// until then before its failure counts.
constexpr DWORD kHeldFileRetryMs = 2000;
constexpr DWORD kHeldFileRetryPauseMs = 50;

bool IsHeldOpen(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

// Runs operation (returning 0 or a system error code) until it succeeds, fails
// otherwise than as refused by a holder, or the retry time is over.
template <typename Operation>
DWORD RetryWhileHeld(const Operation& operation) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD error = operation();
        if (!IsHeldOpen(error) || GetTickCount() - start >= kHeldFileRetryMs) return error;
        Sleep(kHeldFileRetryPauseMs);
    }
}

// Moves from to to as access does, tried again while a holder refuses it. Returns 0
// or the system error code.
DWORD MoveWhenFree(CopyAccess& access, const std::string& from, const std::string& to, DWORD flags) {
    return RetryWhileHeld([&] { return access.Move(from, to, flags) ? ERROR_SUCCESS : FailureCode(); });
}

// Whether anything, a file or a folder, has the name of path.
bool NameIsTaken(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Calls each with the name of every file in folder that pattern finds.
template <typename Each>
void ForEachFound(const std::string& folder, const char* pattern, const Each& each) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(JoinPath(folder, pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do each(std::string(found.cFileName));
    while (FindNextFileA(search, &found));
    FindClose(search);
}

// The names the record at path holds. It is read no further than one byte beyond
// the longest record, so that a longer file, no record of the run's, shows as such.
AsideNames ReadAsideRecord(const std::string& path) {
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return AsideNames();
    std::string text(kAsideRecordMaxBytes + 1, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file.get()));
    return AsideRecordNames(text);
}

// Writes text as the whole file at path and through to the device, so that it is
// there before any change it describes. Returns 0 or the system error code.
DWORD WriteThrough(const std::string& path, const std::string& text) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailureCode();
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || !FlushFileBuffers(file))
        error = FailureCode();
    else if (written != text.size())
        error = ERROR_WRITE_FAULT;
    CloseHandle(file);
    return error;
}

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

// Opens the file at path for deletion, sharing everything, and closes it again: it
// fails while another program holds the file without sharing its deletion, as a
// rename of it would. Windows 95/98/ME know neither delete access nor
// FILE_SHARE_DELETE (they refuse the flag); there an open for reading, sharing
// reading and writing, fails where a holder shares less. A file that is not there
// stands in no rename's way.
DWORD OpenForDeletion(CopyAccess& access, const std::string& path) {
    const bool ntFamily = access.ReplacesInOneStep();
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (ntFamily ? FILE_SHARE_DELETE : 0);
    const HANDLE file = access.Open(path, ntFamily ? DELETE : GENERIC_READ, share, 0);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = FailureCode();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    CloseHandle(file);
    return ERROR_SUCCESS;
}

DWORD FreeToReplace(CopyAccess& access, const std::string& path) {
    return RetryWhileHeld([&] { return OpenForDeletion(access, path); });
}

}  // namespace

StagedUpdate::StagedUpdate(const UpdateConfig& config, const std::vector<std::string>& sources, CopyAccess& access)
    : config_(config), sources_(sources), access_(access) {}

std::string StagedUpdate::StagedPath(int i) const { return JoinPath(config_.targetFolder, StagedFileName(i)); }

std::string StagedUpdate::TargetPath(int i) const {
    return JoinPath(config_.targetFolder, FileNameAt(config_, i));
}

std::string StagedUpdate::AsidePath(int i) const { return JoinPath(config_.targetFolder, AsideFileName(i)); }

std::string StagedUpdate::AsideRecordPath() const { return JoinPath(config_.targetFolder, kAsideRecordName); }

// A set-aside file goes back only under the name the record says it came from: its
// slot alone does not tell, since a run of another package numbers other names, and
// would put one package's old file under another's name or delete it. A file whose
// name the record does not know (the record missing, foreign or damaged) may be the
// only copy of a firmware file: it stays as it is, and a commit on 95/98/ME that
// needs its name is refused until it is moved away by hand.
void StagedUpdate::ClearLeftovers() const {
    const std::string& folder = config_.targetFolder;
    ForEachFound(folder, kStagedPattern, [&](const std::string& name) {
        if (IsStagedFileName(name)) DeleteTargetFile(JoinPath(folder, name));
    });
    const AsideNames names = ReadAsideRecord(AsideRecordPath());
    for (std::size_t slot = 0; slot < names.size(); ++slot) {
        const std::string aside = AsidePath(static_cast<int>(slot));
        if (!names[slot].empty() && IsFile(aside)) PutBackOrRemove(aside, JoinPath(folder, names[slot]));
    }
    RemoveSpentAsideRecord();
}

// A run cut off between setting an old file aside and renaming its staged copy left
// the name empty: the old file goes back. Where the name holds a file, the new one
// took it and the old one goes.
void StagedUpdate::PutBackOrRemove(const std::string& aside, const std::string& target) const {
    if (IsFile(target))
        DeleteTargetFile(aside);
    else
        access_.Move(aside, target, 0);
}

// The record's names whose set-aside files are still there.
AsideNames StagedUpdate::RemainingAsideNames() const {
    AsideNames names = ReadAsideRecord(AsideRecordPath());
    for (std::size_t slot = 0; slot < names.size(); ++slot) {
        if (!IsFile(AsidePath(static_cast<int>(slot)))) names[slot].clear();
    }
    return names;
}

// The names of an earlier run's set-aside files that are still there stay in the
// record beside this package's: the check before the commit keeps those off the
// slots this commit uses.
unsigned long StagedUpdate::RecordAsideNames() const {
    AsideNames names = RemainingAsideNames();
    for (std::size_t i = 0; i < sources_.size() && i < names.size(); ++i) names[i] = FileNameAt(config_, static_cast<int>(i));
    const std::string text = AsideRecordText(names);
    return RetryWhileHeld([&] { return WriteThrough(AsideRecordPath(), text); });
}

void StagedUpdate::RemoveSpentAsideRecord() const {
    const AsideNames names = RemainingAsideNames();
    const bool spent = std::all_of(names.begin(), names.end(), [](const std::string& name) { return name.empty(); });
    if (spent && IsFile(AsideRecordPath())) access_.Delete(AsideRecordPath());
}

std::vector<FileBytes> StagedUpdate::FreeableOldFileSizes() const {
    std::vector<FileBytes> sizes(sources_.size(), 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string target = TargetPath(static_cast<int>(i));
        if (FileSizeAt(target, sizes[i]) && OpenForDeletion(access_, target) != ERROR_SUCCESS) sizes[i] = 0;
    }
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

bool StagedUpdate::IsLastFile(int i) const { return i + 1 == static_cast<int>(sources_.size()); }

// On 95/98/ME a set-aside name that the clear-up could not free would refuse the
// setting aside halfway through the commit.
unsigned long StagedUpdate::CheckFreeToReplace(int i) const {
    const bool setsAside = !access_.ReplacesInOneStep();
    if (setsAside && NameIsTaken(AsidePath(i))) return ERROR_ALREADY_EXISTS;
    DWORD error = FreeToReplace(access_, StagedPath(i));
    if (error == ERROR_SUCCESS) error = FreeToReplace(access_, TargetPath(i));
    return error == ERROR_SUCCESS && setsAside && IsLastFile(i) ? RecordAsideNames() : error;
}

// MoveFileExA replaces the old file in one step and writes the change through to
// the device. The read-only attribute of an old file would refuse its replacement.
unsigned long StagedUpdate::PutInPlace(int i) const {
    const std::string target = TargetPath(i);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!access_.ReplacesInOneStep()) {
        const DWORD error = SetAsideAndReplace(i);
        if (error != ERROR_SUCCESS || IsLastFile(i)) RemoveSpentAsideRecord();
        return error;
    }
    return MoveWhenFree(access_, StagedPath(i), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Windows 95/98/ME rename over no file. Setting the old file aside first, instead of
// deleting it, keeps it on the camera until its name holds the new one: a cut in
// between leaves it for the next run to put back, and a refused rename into place
// puts it back at once. Its deletion may fail; the next run's clear-up deletes it then.
unsigned long StagedUpdate::SetAsideAndReplace(int i) const {
    const std::string target = TargetPath(i);
    const std::string aside = AsidePath(i);
    const DWORD setAside = MoveWhenFree(access_, target, aside, 0);
    if (setAside != ERROR_SUCCESS && setAside != ERROR_FILE_NOT_FOUND) return setAside;
    const DWORD replaced = MoveWhenFree(access_, StagedPath(i), target, 0);
    if (setAside != ERROR_SUCCESS) return replaced;
    if (replaced == ERROR_SUCCESS)
        access_.Delete(aside);
    else
        MoveWhenFree(access_, aside, target, 0);
    return replaced;
}

// Renames change only the folder's entries, which no write-through of the copies
// covered and which MOVEFILE_WRITE_THROUGH does not promise for a rename on one
// volume (95/98/ME have no such flag at all): flushing the file written under its
// new name writes them to the device. A name that then holds no file, or one of
// another size, means the device did not keep the rename.
unsigned long StagedUpdate::SettleInPlace(int i, FileBytes size) const {
    const std::string target = TargetPath(i);
    const DWORD flushed = RetryWhileHeld([&] { return FlushCopy(access_, target); });
    if (flushed != ERROR_SUCCESS) return flushed;
    FileBytes held = 0;
    if (!FileSizeAt(target, held)) return FailureCode();
    return held == size ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
