#include "usb_device_id.h"

#include <cstdio>

namespace {
constexpr std::size_t kFourDigitsSize = 5;  // four digits and the terminator
}

std::string FourHexDigits(std::uint16_t value) {
    char text[kFourDigitsSize] = {};
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::string UsbDeviceId(std::uint16_t vid, std::uint16_t pid) {
    return "USB\\VID_" + FourHexDigits(vid) + "&PID_" + FourHexDigits(pid);
}
