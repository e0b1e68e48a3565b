#include "resource_string.h"

#include <windows.h>

namespace {

constexpr int kMaxResourceString = 256;  // longest string table entry the program reads

}  // namespace

std::string LoadResourceString(unsigned id) {
    char text[kMaxResourceString] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text, kMaxResourceString);
    return std::string(text, length > 0 ? length : 0);
}
