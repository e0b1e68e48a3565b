#include "ascii_text.h"

#include <algorithm>

namespace {

constexpr unsigned char kLastAscii = 0x7F;

}  // namespace

const char kNonAsciiReason[] =
    "Windows 10 from version 1903 on reads the package's files as UTF-8, older Windows in the system's code page: "
    "only ASCII reads the same on both";

std::size_t FindNonAscii(const std::string& text) {
    const auto found = std::find_if(text.begin(), text.end(),
                                    [](char c) { return static_cast<unsigned char>(c) > kLastAscii; });
    return found == text.end() ? std::string::npos : static_cast<std::size_t>(found - text.begin());
}
