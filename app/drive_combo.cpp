#include "drive_combo.h"

namespace {

const char kDriveEntrySuffix[] = ":\\";

// The first character of entry index: the letter of its drive; false for no entry.
bool EntryLetter(HWND combo, int index, char& letter) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 1) return false;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    if (SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0])) < 1)
        return false;
    letter = text[0];
    return true;
}

}  // namespace

void FillDriveEntries(HWND combo, const std::string& letters, int selected) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const char letter : letters) {
        const std::string entry = letter + std::string(kDriveEntrySuffix);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

std::string DriveEntryLetters(HWND combo) {
    std::string letters;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    char letter;
    for (int i = 0; i < count && EntryLetter(combo, i, letter); ++i) letters += letter;
    return letters;
}

bool SelectedEntryLetter(HWND combo, char& letter) {
    const int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    return index >= 0 && EntryLetter(combo, index, letter);
}
