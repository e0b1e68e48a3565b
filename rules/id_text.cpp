#include "id_text.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kHexTextSize = 8;  // four digits of a 16-bit value and room to spare
// The VID and PID texts are held in 10-byte buffers: VID_0ABC fits with room to spare,
// and the PID text is "0x", up to 7 characters and the terminator.
constexpr std::ptrdiff_t kMaxVidTextLength = 9;
constexpr std::ptrdiff_t kMaxPidDigits = 7;
constexpr char kPidPrefix[] = "0x";
// The PID part ends at the serial's backslash, or at the "&MI_nn" of a composite
// device's function, whichever comes first.
constexpr char kPidTerminators[] = "&\\";

}  // namespace

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

bool ParseUsbIdTexts(const char* id, UsbIdTexts& texts) {
    if (!std::strstr(id, "USB")) return false;
    const char* vid = std::strstr(id, "VID");
    if (!vid) return false;
    const char* ampersand = std::strchr(vid, '&');
    if (!ampersand || ampersand - vid > kMaxVidTextLength) return false;
    const char* underscore = std::strchr(ampersand + 1, '_');
    if (!underscore) return false;
    const char* pidDigits = underscore + 1;
    const char* pidEnd = pidDigits + std::strcspn(pidDigits, kPidTerminators);
    if (*pidEnd == '\0' || pidEnd - pidDigits > kMaxPidDigits) return false;
    texts.vid.assign(vid, ampersand);
    texts.pid = kPidPrefix + std::string(pidDigits, pidEnd);
    return true;
}

bool UsbIdTextsMatch(const UsbIdTexts& texts, std::uint16_t vid, std::uint16_t pid) {
    return Contains(texts.vid.c_str(), UpperHex(vid)) && Contains(texts.pid.c_str(), UpperHex(pid));
}

bool HardwareIdCarries(const char* hardwareId, std::uint16_t vid, std::uint16_t pid) {
    return Contains(hardwareId, UpperHex(pid)) && Contains(hardwareId, UpperHex(vid));
}
