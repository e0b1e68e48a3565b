// The firmware checksum: every byte of a file, taken as unsigned, added into a
// 32-bit sum that wraps, written as lower-case hexadecimal without leading zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Adds the bytes of a block to sum and returns the new sum (wrapping at 2^32).
std::uint32_t SumBytes(const unsigned char* data, std::size_t size, std::uint32_t sum = 0);

// The text of a sum: lower-case hexadecimal without leading zeros ("0" for 0).
std::string ChecksumText(std::uint32_t sum);

// Reads an open file from its current position to its end and stores the
// checksum text of those bytes in text. Returns false if reading fails.
bool FileChecksumText(std::FILE* file, std::string& text);

// Whether two checksum texts are equal ignoring letter case.
bool ChecksumsMatch(const std::string& a, const std::string& b);
