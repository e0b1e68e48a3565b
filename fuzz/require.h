// What a fuzz target asserts of a rule: a broken invariant is printed and ends the run
// as a finding, as a sanitizer report does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void Require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

// The input as a text the system would read: up to its first zero byte (profile
// values and C strings end there), and at most limit characters.
inline std::string InputText(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    std::string text(reinterpret_cast<const char*>(data), size);
    return text.substr(0, std::min(text.find('\0'), limit));
}

// value as "%X" writes it: upper-case hexadecimal without leading zeros.
inline std::string HexText(std::uint16_t value) {
    char text[8] = {};
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}
