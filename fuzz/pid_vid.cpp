// The PID_VID value of FirmWare.ini: only its first 21 characters count, 4 hexadecimal
// digits after the marker are the identifier, a missing marker gives 0, and what the
// package tool writes reads back as written.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "package_files.h"
#include "require.h"
#include "update_config.h"
#include "usb_device_id.h"

namespace {

constexpr std::size_t kValueLength = kPathBufferSize - 1;  // the profile lookup's buffer
constexpr std::size_t kDigits = 4;

// The identifier after marker where the 4 characters after it are hexadecimal digits;
// 0 without the marker; otherwise the text gives no expectation.
bool Expected(const std::string& idText, const char* marker, std::uint16_t& value) {
    const std::string::size_type at = idText.find(marker);
    if (at == std::string::npos) {
        value = 0;
        return true;
    }
    const std::string digits = idText.substr(at + std::char_traits<char>::length(marker), kDigits);
    const auto isDigit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (digits.size() != kDigits || !std::all_of(digits.begin(), digits.end(), isDigit)) return false;
    value = static_cast<std::uint16_t>(std::strtoul(digits.c_str(), nullptr, 16));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value = InputText(data, size, kValueLength);
    UpdateConfig config;
    ParseDeviceIds(config, value);

    UpdateConfig cut;
    ParseDeviceIds(cut, value.substr(0, kIdTextLength));
    Require(config.vid == cut.vid && config.pid == cut.pid, "nothing after the first 21 characters counts");

    const std::string idText = value.substr(0, kIdTextLength);
    std::uint16_t expected = 0;
    if (Expected(idText, "VID_", expected)) Require(config.vid == expected, "the digits after VID_");
    if (Expected(idText, "PID_", expected)) Require(config.pid == expected, "the digits after PID_");

    UpdateConfig written;
    ParseDeviceIds(written, UsbDeviceId(config.vid, config.pid) + value);
    Require(written.vid == config.vid && written.pid == config.pid, "the package tool's text reads back");
    return 0;
}
