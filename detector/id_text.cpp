#include "id_text.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr std::size_t kHexTextSize = 8;  // four digits of a 16-bit value and room to spare
}

std::string UpperHex(std::uint16_t value) {
    char text[kHexTextSize] = {};
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    ToUpperAscii(text);
    return text;
}

void ToUpperAscii(char* text) {
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
    }
}

bool Contains(const char* haystack, const std::string& needle) {
    return std::strstr(haystack, needle.c_str()) != nullptr;
}
