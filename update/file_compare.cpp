#include "file_compare.h"

#include <cstring>

SourceComparison::SourceComparison(std::FILE* source) : source_(source), differs_(source == nullptr) {}

void SourceComparison::Restart(std::FILE* source) {
    source_ = source;
    differs_ = source == nullptr;
}

bool SourceComparison::Next(const unsigned char* block, std::size_t size) {
    if (differs_) return false;
    if (sourceBlock_.size() < size) sourceBlock_.resize(size);
    const std::size_t read = std::fread(sourceBlock_.data(), 1, size, source_);
    differs_ = read != size || std::memcmp(sourceBlock_.data(), block, size) != 0;
    return !differs_;
}

bool SourceComparison::Same() {
    // The source must end where the other file ended, and must have been read without error.
    if (!differs_) differs_ = std::fgetc(source_) != EOF || std::ferror(source_) != 0;
    return !differs_;
}
