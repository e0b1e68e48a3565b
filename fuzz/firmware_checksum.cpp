// A firmware file's checksum: the rule against a plain sum of its bytes, its text
// against "%x", and the case-blind comparison. (The reading of a file in blocks of
// 1 MiB is left to the unit tests: each input here would allocate a block.)
#include <cctype>

#include "checksum.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t plain = 0;
    for (std::size_t i = 0; i < size; ++i) plain = static_cast<std::uint32_t>(plain + data[i]);
    const std::size_t half = size / 2;
    Require(SumBytes(data, size) == plain, "the sum of the bytes");
    Require(SumBytes(data + half, size - half, SumBytes(data, half)) == plain, "a sum goes on from a block to the next");

    char hex[16] = {};
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(plain));
    const std::string text = ChecksumText(plain);
    Require(text == hex, "the text is lower-case hexadecimal without leading zeros");

    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Require(ChecksumsMatch(text, upper) && !ChecksumsMatch(text, text + "0"), "letter case alone does not count");
    return 0;
}
