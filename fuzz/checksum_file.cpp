// checksum.ini as the loader reads it: the first bytes up to a zero byte, split at runs
// of LF into checksums without their CR, in lower case, cut to a slot.
#include <algorithm>
#include <cctype>
#include <vector>

#include "package_files.h"
#include "require.h"
#include "update_config.h"

namespace {

constexpr std::size_t kChecksumLength = 15;

// The lines of a text as strtok(text, "\n") gives them.
std::vector<std::string> Pieces(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c != '\n') pieces.back() += c;
        else if (!pieces.back().empty()) pieces.emplace_back();
    }
    if (pieces.back().empty()) pieces.pop_back();
    return pieces;
}

std::string Checksum(std::string piece) {
    if (piece.back() == '\r') piece.pop_back();
    for (char& c : piece) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return piece.substr(0, kChecksumLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file == nullptr) return 0;
    const std::string text = ReadChecksumFileText(file);
    std::fclose(file);
    Require(text == InputText(data, size, kChecksumFileBytes), "the text is the first bytes, up to a zero byte");

    UpdateConfig config;
    StoreChecksums(config, text);
    const std::vector<std::string> pieces = Pieces(text);
    Require(config.checksumCount == static_cast<std::int32_t>(pieces.size()), "every line is counted");
    for (int i = 0; i < kChecksumSlots; ++i) {
        const std::string expected = i < config.checksumCount ? Checksum(pieces[i]) : std::string();
        Require(config.checksums[i] == expected, "each slot holds its line without CR, lower case, cut");
    }
    return 0;
}
