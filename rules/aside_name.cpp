#include "aside_name.h"

#include <cctype>

#include "update_config.h"

namespace {

constexpr char kStem[] = "~OLD";
constexpr char kExtension[] = ".TMP";
static_assert(kFileNameSlots <= 100, "every slot has a two-digit set-aside name");

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

}  // namespace

std::string AsideFileName(int slot) {
    if (slot < 0 || slot >= kFileNameSlots) return std::string();
    return kStem + std::to_string(slot / 10) + std::to_string(slot % 10) + kExtension;
}

int AsideFileSlot(const std::string& name) {
    for (int slot = 0; slot < kFileNameSlots; ++slot) {
        if (SameIgnoringCase(name, AsideFileName(slot))) return slot;
    }
    return -1;
}
