// How the update run reaches the copies it writes on the target: the one seam
// through which it opens them (for the flushes, the read-back and the check that
// nothing holds them), reads them and puts them in place, and the read-back that
// bypasses the system's cache.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// The system calls the run makes on its copies. The program uses the system's own;
// tests put a recording or refusing one in their place.
class CopyAccess {
public:
    virtual ~CopyAccess() = default;
    // As CreateFileA with OPEN_EXISTING.
    virtual HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD flags) = 0;
    // As ReadFile without OVERLAPPED; got receives the bytes read.
    virtual bool Read(HANDLE file, void* buffer, DWORD size, DWORD& got) = 0;
    // As VirtualAlloc of size committed bytes at a page boundary, and VirtualFree.
    virtual void* Allocate(DWORD size) = 0;
    virtual void Free(void* block) = 0;
    // Whether the system replaces a file by a rename in one step: MoveFileExA, which
    // the NT family has and Windows 95/98/ME lack.
    virtual bool ReplacesInOneStep() = 0;
    // As MoveFileExA with flags where the system replaces in one step, else as
    // MoveFileA, which replaces no file (flags are then ignored).
    virtual bool Move(const std::string& from, const std::string& to, DWORD flags) = 0;
    // As DeleteFileA.
    virtual bool Delete(const std::string& path) = 0;
};

// The system's CreateFileA, ReadFile, VirtualAlloc, VirtualFree, MoveFileExA or
// MoveFileA, and DeleteFileA.
CopyAccess& SystemCopyAccess();

// The largest sector size of the disks the camera's card can sit in (512 and 4096
// bytes are the ones in use); every smaller one divides it.
constexpr DWORD kLargestSectorSize = 4096;
// Every read-back request asks for this many bytes, into a buffer at a page
// boundary, at an offset that is a whole number of requests: a multiple of every
// sector size, as unbuffered reads require.
constexpr DWORD kReadBackBlockSize = 256 * kLargestSectorSize;
static_assert(kReadBackBlockSize % kLargestSectorSize == 0, "read-back requests are whole sectors on any disk");

// The memory every read-back request reads into: kReadBackBlockSize bytes at a page
// boundary, from access. Under Wine a fresh megabyte costs about what reading a whole
// copy does, so a run keeps one block for all its copies.
class ReadBackBlock {
public:
    explicit ReadBackBlock(CopyAccess& access);
    ~ReadBackBlock();
    ReadBackBlock(const ReadBackBlock&) = delete;
    ReadBackBlock& operator=(const ReadBackBlock&) = delete;
    // Null when the memory could not be had; failure() then tells why.
    unsigned char* data() const { return data_; }
    unsigned long failure() const { return failure_; }

private:
    CopyAccess& access_;
    unsigned char* data_;
    unsigned long failure_;
};

using ReadBackSink = std::function<void(const unsigned char* block, std::size_t size)>;

// Reads the file at path once from the device, not from the system's cache, into
// block and hands each block read to sink in order. Returns 0, or the system error
// code when the block is missing or the file cannot be opened or read.
unsigned long ReadBackCopy(CopyAccess& access, ReadBackBlock& block, const std::string& path, const ReadBackSink& sink);
