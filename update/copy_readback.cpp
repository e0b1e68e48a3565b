#include "copy_readback.h"

#include <memory>

#include "failure_code.h"
#include "system_library.h"

// Unbuffered reads (the system's "File Buffering" documentation): with
// FILE_FLAG_NO_BUFFERING every file offset and every request size must be a whole
// multiple of the volume's sector size, and the buffer must lie at an address that
// is such a multiple too; VirtualAlloc gives page-aligned memory, and since pages
// and sectors are both powers of two, that suffices. Such a read writes out and
// drops cached data for the range first, then reads the device: the copy is proven
// by what the camera stores, not by what the PC still holds.

namespace {

constexpr DWORD kUnbufferedFlags = FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN;

// MoveFileExA is bound at run time, so that its absence cannot keep the program from
// starting; Windows 95/98/ME export it but do not carry it out, so there it is not bound.
decltype(&::MoveFileExA) BindMoveFileEx() {
    constexpr DWORD kWindows9xBit = 0x80000000;  // GetVersion's bit for 95/98/ME
    decltype(&::MoveFileExA) moveFileEx = nullptr;
    if ((GetVersion() & kWindows9xBit) == 0) BindFunction(GetModuleHandleA("kernel32.dll"), "MoveFileExA", moveFileEx);
    return moveFileEx;
}

class SystemAccess : public CopyAccess {
public:
    SystemAccess() : moveFileEx_(BindMoveFileEx()) {}
    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD flags) override {
        return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    }
    bool Read(HANDLE file, void* buffer, DWORD size, DWORD& got) override {
        return ReadFile(file, buffer, size, &got, nullptr) != FALSE;
    }
    void* Allocate(DWORD size) override { return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }
    void Free(void* block) override { VirtualFree(block, 0, MEM_RELEASE); }
    bool ReplacesInOneStep() override { return moveFileEx_ != nullptr; }
    bool Move(const std::string& from, const std::string& to, DWORD flags) override {
        if (moveFileEx_ != nullptr) return moveFileEx_(from.c_str(), to.c_str(), flags) != FALSE;
        return MoveFileA(from.c_str(), to.c_str()) != FALSE;
    }
    bool Delete(const std::string& path) override { return DeleteFileA(path.c_str()) != FALSE; }

private:
    const decltype(&::MoveFileExA) moveFileEx_;
};

// Opens the copy for an unbuffered read. Some file systems (network shares,
// those of Windows 95/98/ME) refuse the flag with ERROR_INVALID_PARAMETER: there
// the copy is read the cached way, the best those systems offer.
HANDLE OpenForReadBack(CopyAccess& access, const std::string& path) {
    const HANDLE file = access.Open(path, GENERIC_READ, FILE_SHARE_READ, kUnbufferedFlags);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER) return file;
    return access.Open(path, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
}

// Reads whole blocks until one comes back short: that one held the end of the
// file. Stopping there keeps every request at a block-aligned offset; a further
// read would start at the file's unaligned end.
DWORD ReadBlocks(CopyAccess& access, const ReadBackBlock& block, HANDLE file, const ReadBackSink& sink) {
    for (;;) {
        DWORD got = 0;
        if (!access.Read(file, block.data(), kReadBackBlockSize, got)) return FailureCode();
        if (got > 0) sink(block.data(), got);
        if (got < kReadBackBlockSize) return ERROR_SUCCESS;
    }
}

}  // namespace

ReadBackBlock::ReadBackBlock(CopyAccess& access)
    : access_(access), data_(static_cast<unsigned char*>(access.Allocate(kReadBackBlockSize))),
      failure_(data_ != nullptr ? ERROR_SUCCESS : FailureCode()) {}

ReadBackBlock::~ReadBackBlock() {
    if (data_ != nullptr) access_.Free(data_);
}

CopyAccess& SystemCopyAccess() {
    static SystemAccess system;
    return system;
}

unsigned long ReadBackCopy(CopyAccess& access, ReadBackBlock& block, const std::string& path, const ReadBackSink& sink) {
    if (block.data() == nullptr) return block.failure();
    // Cleared first, so that a code left by an earlier call is not taken for the open's.
    SetLastError(ERROR_SUCCESS);
    const HANDLE file = OpenForReadBack(access, path);
    if (file == INVALID_HANDLE_VALUE) return FailureCode();
    // Closed however the reading ends: an open copy could not be removed afterwards.
    const std::unique_ptr<void, decltype(&CloseHandle)> closer(file, &CloseHandle);
    return ReadBlocks(access, block, file, sink);
}
