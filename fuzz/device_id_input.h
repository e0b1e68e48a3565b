// The input of the ID targets: two bytes each for an entry's VID and PID, then the ID
// text, held as the detection paths hold it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "id_text.h"
#include "require.h"

struct DeviceIdInput {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string text;      // as read, at most limit characters
    std::vector<char> id;  // exactly the text and its terminator, upper-cased as the paths do
};

// Two leading bytes of the input as a 16-bit identifier, consumed; 0 when too short.
inline std::uint16_t TakeIdentifier(const std::uint8_t*& data, std::size_t& size) {
    if (size < 2) return 0;
    const auto value = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    data += 2;
    size -= 2;
    return value;
}

inline DeviceIdInput ReadDeviceIdInput(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    DeviceIdInput input;
    input.vid = TakeIdentifier(data, size);
    input.pid = TakeIdentifier(data, size);
    input.text = InputText(data, size, limit);
    input.id.assign(input.text.begin(), input.text.end());
    input.id.push_back('\0');
    ToUpperAscii(input.id.data());
    return input;
}
