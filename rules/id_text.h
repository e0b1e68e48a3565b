// USB identifiers as the detection paths compare them: upper-case hexadecimal text
// without leading zeros, searched inside upper-cased device ID texts. The tests are
// deliberately loose substring tests: an entry text "D" is found in every VID text,
// "0" in every PID text.
#pragma once

#include <cstdint>
#include <string>

// The identifier as "%x" writes it, upper-cased: 0x0ABC gives "ABC", 0 gives "0".
std::string UpperHex(std::uint16_t value);

// Upper-cases ASCII letters a-z in place; every other byte stays as it is.
void ToUpperAscii(char* text);

// True when needle occurs anywhere inside haystack.
bool Contains(const char* haystack, const std::string& needle);

// The VID and PID parts of a USB parent ID as the NT path tests them: "VID_0ABC" and "0x1D2E".
struct UsbIdTexts {
    std::string vid;
    std::string pid;
};

// USB\VID_0ABC&PID_1D2E\serial and a composite function's USB\VID_0ABC&PID_1D2E&MI_00\serial
// (upper-cased) both give "VID_0ABC" and "0x1D2E". IDs without "USB" or "VID", and IDs
// whose parts have no end or run longer than their texts hold, give false: nothing is
// guessed.
bool ParseUsbIdTexts(const char* id, UsbIdTexts& texts);

// The NT path's test: the VID text holds the entry's VID text and the PID text its PID text.
bool UsbIdTextsMatch(const UsbIdTexts& texts, std::uint16_t vid, std::uint16_t pid);

// The 9x/ME path's test: the upper-cased first hardware ID holds both texts, each anywhere.
bool HardwareIdCarries(const char* hardwareId, std::uint16_t vid, std::uint16_t pid);
