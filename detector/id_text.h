// USB identifiers as the detection paths compare them: upper-case hexadecimal text
// without leading zeros, searched inside upper-cased device ID texts.
#pragma once

#include <cstdint>
#include <string>

// The identifier as "%x" writes it, upper-cased: 0x0ABC gives "ABC", 0 gives "0".
std::string UpperHex(std::uint16_t value);

// Upper-cases ASCII letters a-z in place; every other byte stays as it is.
void ToUpperAscii(char* text);

// True when needle occurs anywhere inside haystack.
bool Contains(const char* haystack, const std::string& needle);
