#include "staged_name.h"

#include <cctype>

#include "update_config.h"

namespace {

constexpr char kStem[] = "~STAGE";
constexpr char kExtension[] = ".TMP";
constexpr int kSlotDigits = 2;
static_assert(kFileNameSlots <= 100, "every slot has a two-digit staged name");

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string StagedFileName(int slot) {
    if (slot < 0 || slot >= kFileNameSlots) return std::string();
    const char digits[kSlotDigits + 1] = {static_cast<char>('0' + slot / 10), static_cast<char>('0' + slot % 10), '\0'};
    return kStem + std::string(digits) + kExtension;
}

bool IsStagedFileName(const std::string& name) {
    const std::string upper = UpperCase(name);
    for (int slot = 0; slot < kFileNameSlots; ++slot) {
        if (upper == StagedFileName(slot)) return true;
    }
    return false;
}
