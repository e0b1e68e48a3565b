#include "device_entry.h"

#include <cstdio>

namespace {

constexpr char kHexPrefix[] = "0x";
constexpr std::size_t kMaxIdDigits = kIdentifierTextSize - sizeof kHexPrefix;

}  // namespace

std::string DeviceSectionName(std::uint32_t number) {
    return "Device" + std::to_string(number);
}

std::uint16_t IdentifierFromDigits(const std::string& digits, HexTextToInt convert) {
    if (digits.empty() || digits.size() > kMaxIdDigits) return 0;
    char prefixed[kIdentifierTextSize] = {};
    std::snprintf(prefixed, sizeof prefixed, "%s%s", kHexPrefix, digits.c_str());
    int value = 0;
    if (!convert(prefixed, value)) return 0;
    return static_cast<std::uint16_t>(value);
}
