// A USB device's first hardware ID as the 9x/ME path tests it: two identifier bytes
// each for an entry's VID and PID, then the ID in its 255-byte buffer. Upper-casing
// touches only a-z, and the test is two substring tests of "%X" texts.
#include "device_id_input.h"

namespace {

constexpr std::size_t kHardwareIdCapacity = 255;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DeviceIdInput input = ReadDeviceIdInput(data, size, kHardwareIdCapacity);

    std::string upper = input.text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    Require(upper == input.id.data(), "only a-z change, into A-Z");

    const bool carries =
        upper.find(HexText(input.vid)) != std::string::npos && upper.find(HexText(input.pid)) != std::string::npos;
    Require(HardwareIdCarries(input.id.data(), input.vid, input.pid) == carries,
            "both identifiers occur anywhere in the ID");
    Require(UpperHex(input.vid) == HexText(input.vid), "an identifier's text is \"%X\"");
    return 0;
}
