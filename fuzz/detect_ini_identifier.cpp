// A PID or VID value of Detect.ini as the detector reads it (at most 19 characters):
// the conversion sees "0x" and the digits, terminated within its buffer, only for 1 to
// 17 digits; the identifier is the low 16 bits of its answer, or 0.
#include <cstring>
#include <cstdlib>

#include "device_entry.h"
#include "require.h"

namespace {

constexpr std::size_t kMaxDigits = 17;

std::string seen;

// Stands in for StrToIntExA with STIF_SUPPORT_HEX: reads the digits after "0x".
bool ConvertHex(const char* text, int& value) {
    Require(std::memchr(text, '\0', kIdentifierTextSize) != nullptr, "the converted text ends within its buffer");
    seen = text;
    char* end = nullptr;
    value = static_cast<int>(std::strtoul(text, &end, 16));
    return end != text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string digits = InputText(data, size, kIdentifierTextSize - 1);
    seen = "(not converted)";
    const std::uint16_t value = IdentifierFromDigits(digits, ConvertHex);
    if (digits.empty() || digits.size() > kMaxDigits) {
        Require(value == 0 && seen == "(not converted)", "an empty or overlong text is not converted and gives 0");
        return 0;
    }
    Require(seen == "0x" + digits, "the conversion sees 0x and the digits");
    int expected = 0;
    const std::uint16_t low = ConvertHex(seen.c_str(), expected) ? static_cast<std::uint16_t>(expected) : 0;
    Require(value == low, "the identifier is the low 16 bits of the conversion, or 0");
    return 0;
}
