// The drive combo box of the main dialog: one entry per drive, its letter followed
// by ":\", in the order of the drive list; its entries read back as drive letters.
#pragma once

#include <windows.h>

#include <string>

// Replaces the entries by one per letter and selects entry selected (-1: none).
void FillDriveEntries(HWND combo, const std::string& letters, int selected);

// The drive letters of the entries, in their order.
std::string DriveEntryLetters(HWND combo);

// The letter of the selected entry; false with no selection.
bool SelectedEntryLetter(HWND combo, char& letter);
