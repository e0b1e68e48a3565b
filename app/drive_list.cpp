#include "drive_list.h"

#include <windows.h>

std::uint32_t driveCount = 0;
char driveLetters[kDriveLetterSlots] = {};

namespace {

constexpr std::size_t kCharsPerDrive = 4;  // letter, ':', '\', NUL

}  // namespace

std::string RefreshDriveList() {
    char strings[kDriveStringsBuffer] = {};
    const DWORD length = GetLogicalDriveStringsA(kDriveStringsBuffer, strings);
    return StoreDriveStrings(strings, length);
}

std::string StoreDriveStrings(const char* strings, std::size_t length) {
    // A longer answer means the buffer was too small and holds nothing; no drive is
    // read from beyond the buffer.
    if (length > kDriveStringsBuffer) length = 0;
    driveCount = static_cast<std::uint32_t>(length / kCharsPerDrive);
    for (std::uint32_t k = 0; k < driveCount && k < kDriveLetterSlots; ++k) {
        driveLetters[k] = strings[k * kCharsPerDrive];
    }
    // With no drive there is no last letter; the caller then has no target drive.
    if (driveCount == 0) return std::string();
    return std::string(1, strings[(driveCount - 1) * kCharsPerDrive]);
}

bool DriveLetterAt(int index, char& letter) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= driveCount) return false;
    letter = driveLetters[index];
    return true;
}

std::string DriveListLetters() {
    std::string letters;
    char letter;
    for (int k = 0; DriveLetterAt(k, letter); ++k) letters += letter;
    return letters;
}

bool IsDriveLetter(char letter) {
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

namespace {

char UpperCaseDrive(char letter) { return letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter; }

}  // namespace

int DriveIndexIn(const std::string& letters, char drive) {
    if (!IsDriveLetter(drive)) return -1;
    for (std::size_t k = 0; k < letters.size(); ++k) {
        if (UpperCaseDrive(letters[k]) == UpperCaseDrive(drive)) return static_cast<int>(k);
    }
    return -1;
}
