// Text that every Windows reads alike. Windows 10 from version 1903 on reads the
// package's ini files as UTF-8, which the programs' manifest asks for, and older
// Windows read them in the system's code page: only ASCII means the same to both.
#pragma once

#include <cstddef>
#include <string>

// Where the first byte outside ASCII is in text; std::string::npos for none.
std::size_t FindNonAscii(const std::string& text);

// Why a byte outside ASCII matters, as a finding says it.
extern const char kNonAsciiReason[];
