// The USB device identifier text of FirmWare.ini's PID_VID: USB\VID_vvvv&PID_pppp,
// four upper-case hexadecimal digits each.
#pragma once

#include <cstdint>
#include <string>

std::string UsbDeviceId(std::uint16_t vid, std::uint16_t pid);

// A 16-bit identifier as four upper-case hexadecimal digits: 0x0ABC gives "0ABC".
std::string FourHexDigits(std::uint16_t value);
