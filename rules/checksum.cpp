#include "checksum.h"

#include <cctype>
#include <vector>

namespace {

// Firmware files are read in blocks of this size: large enough that reading is
// not the slow part, small enough that memory use does not grow with the file.
constexpr std::size_t kReadBlockSize = 1 << 20;

}  // namespace

std::uint32_t SumBytes(const unsigned char* data, std::size_t size, std::uint32_t sum) {
    // A plain loop over unsigned bytes into an unsigned 32-bit sum: the compiler
    // turns it into vector code that widens the bytes into 32-bit lanes.
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

std::string ChecksumText(std::uint32_t sum) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[sum & 0xF]);
        sum >>= 4;
    } while (sum != 0);
    return text;
}

bool FileChecksumText(std::FILE* file, std::string& text) {
    std::vector<unsigned char> block(kReadBlockSize);
    std::uint32_t sum = 0;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) sum = SumBytes(block.data(), got, sum);
    if (std::ferror(file)) return false;
    text = ChecksumText(sum);
    return true;
}

bool ChecksumsMatch(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
