// The byte-for-byte comparison of a firmware file with another copy of it, shared by
// the Compare command and the update run's verification of files without a checksum.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// A C file stream closed when it goes out of scope.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Compares a source file, read from its current position, with the bytes of the
// other file as they arrive block by block.
class SourceComparison {
public:
    // A null source (one that could not be opened) matches nothing.
    explicit SourceComparison(std::FILE* source = nullptr);
    // Starts over with another source, keeping the memory it reads into: under Wine
    // a fresh megabyte costs about what reading a whole firmware file does.
    void Restart(std::FILE* source);
    // Takes the next block of the other file; false once the two differ.
    bool Next(const unsigned char* block, std::size_t size);
    // Whether the blocks so far, taken as the whole other file, equal the source.
    bool Same();

private:
    std::FILE* source_;
    bool differs_;
    std::vector<unsigned char> sourceBlock_;
};
