// A USB device's first hardware ID as the 9x/ME path tests it: two identifier bytes
// each for an entry's VID and PID, then the ID in its 255-byte buffer. Upper-casing
// touches only a-z, and the test is two substring tests of "%X" texts.
#include <vector>

#include "id_text.h"
#include "require.h"

namespace {

constexpr std::size_t kHardwareIdCapacity = 255;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint16_t vid = TakeIdentifier(data, size);
    const std::uint16_t pid = TakeIdentifier(data, size);
    const std::string text = InputText(data, size, kHardwareIdCapacity);
    std::vector<char> id(text.begin(), text.end());  // exactly the ID and its terminator
    id.push_back('\0');
    ToUpperAscii(id.data());

    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    Require(upper == id.data(), "only a-z change, into A-Z");

    const bool carries = upper.find(HexText(vid)) != std::string::npos && upper.find(HexText(pid)) != std::string::npos;
    Require(HardwareIdCarries(id.data(), vid, pid) == carries, "both identifiers occur anywhere in the ID");
    Require(UpperHex(vid) == HexText(vid), "an identifier's text is \"%X\"");
    return 0;
}
