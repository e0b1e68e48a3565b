#include "staged_name.h"

#include <algorithm>
#include <cctype>

#include "checksum.h"

namespace {

constexpr char kStagedStem[] = "~STAGE";
constexpr char kAsideStem[] = "~OLD";
constexpr char kExtension[] = ".TMP";
constexpr int kSlotDigits = 2;
static_assert(kFileNameSlots <= 100, "every slot has a two-digit name of each kind");
constexpr char kAsideRecordFirstLine[] = "~ASIDE 1";  // the kind of file, and its version
constexpr char kAsideRecordLastLineStart[] = "END ";
constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndLength = sizeof kLineEnd - 1;
// What Windows drops from the end of the last part of a path.
constexpr char kDroppedAtTheEnd[] = ". ";

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The name as Windows compares it: without what it drops at the end, in capitals.
std::string ComparedName(const std::string& name) {
    const std::string::size_type kept = name.find_last_not_of(kDroppedAtTheEnd);
    return UpperCase(name.substr(0, kept == std::string::npos ? 0 : kept + 1));
}

bool EndsInDotOrBlank(const std::string& name) {
    return !name.empty() && std::string(kDroppedAtTheEnd).find(name.back()) != std::string::npos;
}

// stem + the slot's two digits + .TMP; empty for a slot outside the table.
std::string SlotFileName(const char* stem, int slot) {
    if (slot < 0 || slot >= kFileNameSlots) return std::string();
    const char digits[kSlotDigits + 1] = {static_cast<char>('0' + slot / 10), static_cast<char>('0' + slot % 10), '\0'};
    return stem + std::string(digits) + kExtension;
}

// The slot whose name of stem's kind name is, as Windows compares names, or -1.
int SlotOfFileName(const char* stem, const std::string& name) {
    const std::string compared = ComparedName(name);
    for (int slot = 0; slot < kFileNameSlots; ++slot) {
        if (compared == SlotFileName(stem, slot)) return slot;
    }
    return -1;
}

// The record's last line for the text before it: its checksum, which a record cut
// short or damaged fails.
std::string AsideRecordLastLine(const std::string& before) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(before.data());
    return kAsideRecordLastLineStart + ChecksumText(SumBytes(bytes, before.size())) + kLineEnd;
}

// The lines of text, each of which ends in CR LF; false when the text does not end so.
bool SplitLines(const std::string& text, std::vector<std::string>& lines) {
    for (std::string::size_type start = 0; start < text.size();) {
        const std::string::size_type end = text.find(kLineEnd, start);
        if (end == std::string::npos) return false;
        lines.push_back(text.substr(start, end - start));
        start = end + kLineEndLength;
    }
    return true;
}

// Whether a record's text is whole: its first line, a line per slot and its last line,
// which matches the text before it.
bool IsWholeAsideRecord(const std::string& text, const std::vector<std::string>& lines) {
    constexpr std::size_t kLines = 1 + kFileNameSlots + 1;
    if (lines.size() != kLines || lines.front() != kAsideRecordFirstLine) return false;
    const std::string before = text.substr(0, text.size() - lines.back().size() - kLineEndLength);
    return AsideRecordLastLine(before) == lines.back() + kLineEnd;
}

// Whether a record's line names a firmware file the run may have set aside.
bool IsRecordableName(const std::string& name) {
    return IsPlainFileName(name) && FindNameClash({name}, 0) == NameClash::none;
}

}  // namespace

std::string StagedFileName(int slot) { return SlotFileName(kStagedStem, slot); }

bool IsStagedFileName(const std::string& name) { return SlotOfFileName(kStagedStem, name) >= 0; }

std::string AsideFileName(int slot) { return SlotFileName(kAsideStem, slot); }

int AsideFileSlot(const std::string& name) { return SlotOfFileName(kAsideStem, name); }

std::string AsideRecordText(const AsideNames& names) {
    std::string text = std::string(kAsideRecordFirstLine) + kLineEnd;
    for (const std::string& name : names) text += name + kLineEnd;
    return text + AsideRecordLastLine(text);
}

AsideNames AsideRecordNames(const std::string& text) {
    AsideNames names;
    std::vector<std::string> lines;
    if (text.size() > kAsideRecordMaxBytes || !SplitLines(text, lines) || !IsWholeAsideRecord(text, lines))
        return names;
    for (std::size_t slot = 0; slot < names.size(); ++slot) {
        const std::string& line = lines[1 + slot];
        if (IsRecordableName(line)) names[slot] = line;
    }
    return names;
}

NameClash FindNameClash(const std::vector<std::string>& names, std::size_t i) {
    if (i >= names.size()) return NameClash::none;
    const std::string compared = ComparedName(names[i]);
    if (IsStagedFileName(names[i]) || AsideFileSlot(names[i]) >= 0 || compared == kAsideRecordName)
        return NameClash::stagedName;
    if (EndsInDotOrBlank(names[i])) return NameClash::trailingDotOrBlank;
    const auto earlier = names.begin() + static_cast<std::ptrdiff_t>(i);
    const bool repeated = std::any_of(names.begin(), earlier,
                                      [&](const std::string& name) { return ComparedName(name) == compared; });
    return repeated ? NameClash::earlierName : NameClash::none;
}

std::vector<std::string> PackageFileNames(const UpdateConfig& config) {
    const int count = std::max(0, std::min(static_cast<int>(config.fileCount), kFileNameSlots));
    return std::vector<std::string>(config.fileNames, config.fileNames + count);
}

bool HasNameClash(const UpdateConfig& config, int i) {
    return i >= 0 && FindNameClash(PackageFileNames(config), static_cast<std::size_t>(i)) != NameClash::none;
}
