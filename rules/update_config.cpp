#include "update_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "package_files.h"

namespace {

constexpr std::size_t kIdDigits = 4;

// A package names at least one file and never more than the format allows.
constexpr int kMaxFileCountInFormat = 255;

// Each checksum keeps at most 15 characters.
constexpr std::size_t kChecksumLength = 15;

// The hexadecimal number in the 4 characters after marker, read as "%x" reads it.
// Without the marker or without digits there the identifier is 0, which names no device.
std::uint16_t ParseIdAfter(const std::string& idText, const char* marker) {
    const std::string::size_type at = idText.find(marker);
    if (at == std::string::npos) return 0;
    const std::string digits = idText.substr(at + std::char_traits<char>::length(marker), kIdDigits);
    unsigned int value = 0;
    if (std::sscanf(digits.c_str(), "%x", &value) != 1) return 0;
    return static_cast<std::uint16_t>(value);
}

// One line of checksum.ini as a checksum: without its CR line end, in lower case.
// Only a CR is removed: a line with an LF-only end, or a last line without a line
// end, keeps all its digits. A longer text than a checksum slot holds is cut; it
// cannot be the text of a 32-bit sum, so its file still fails the verification.
std::string ChecksumFromLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.resize(std::min(line.size(), kChecksumLength));
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return line;
}

}  // namespace

void ParseDeviceIds(UpdateConfig& config, const std::string& value) {
    const std::string idText = value.substr(0, kIdTextLength);
    config.vid = ParseIdAfter(idText, "VID_");
    config.pid = ParseIdAfter(idText, "PID_");
}

// The text ends at the first zero byte or after the first bytes, whichever comes first.
std::string ReadChecksumFileText(std::FILE* file) {
    char bytes[kChecksumFileBytes + 1] = {};
    std::fread(bytes, 1, kChecksumFileBytes, file);
    return std::string(bytes);
}

// Splits the text at runs of LF, as strtok does, and stores the pieces in order.
// checksumCount counts every piece, also those beyond the 10 slots: the update run
// finds no checksum for them, so their files fail the verification instead of
// passing unchecked.
void StoreChecksums(UpdateConfig& config, const std::string& text) {
    int count = 0;
    std::string::size_type start = text.find_first_not_of('\n');
    while (start != std::string::npos) {
        const std::string::size_type end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (count < kChecksumSlots) config.checksums[count] = ChecksumFromLine(line);
        ++count;
        start = text.find_first_not_of('\n', end);
    }
    config.checksumCount = count;
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos &&
           !IsDeviceName(name);
}

// Windows takes the part before the first dot, without trailing spaces, as the
// device's name: "nul.bin" and "CON .txt" open the device, not a file.
bool IsDeviceName(const std::string& name) {
    static const char* const kDevices[] = {"NUL", "CON", "PRN", "AUX"};
    // COM1..COM9 and LPT1..LPT9: the three letters and one digit from 1 to 9.
    static const char* const kNumberedDevices[] = {"COM", "LPT"};
    constexpr std::size_t kNumberedPrefixLength = 3;
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : kDevices) {
        if (stem == device) return true;
    }
    for (const char* device : kNumberedDevices) {
        if (stem.size() == kNumberedPrefixLength + 1 && stem.compare(0, kNumberedPrefixLength, device) == 0 &&
            stem[kNumberedPrefixLength] >= '1' && stem[kNumberedPrefixLength] <= '9')
            return true;
    }
    return false;
}

// A count from 31 to 255 is valid in the file format but names more files than
// the record has slots for. Such a package is refused like an out-of-range count:
// copying only part of it and then reporting success would leave the camera with
// an incomplete firmware.
const std::string& FileNameAt(const UpdateConfig& config, int i) {
    static const std::string kNoName;
    return i >= 0 && i < kFileNameSlots ? config.fileNames[i] : kNoName;
}

bool IsUsableFileCount(std::int32_t count) {
    static_assert(kFileNameSlots <= kMaxFileCountInFormat, "slots within the format's range");
    return count >= 1 && count <= kFileNameSlots;
}

int ProgressEnd(std::int32_t fileCount) {
    return static_cast<int>(static_cast<std::uint32_t>(fileCount) + 1u);
}

void UpdateConfig::setTargetFolder(const std::string& folder) {
    targetFolder = folder.substr(0, kPathBufferSize - 1);
}
