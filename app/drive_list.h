// The drive list: the drives the system reports, in its order, refreshed at the
// dialog's initialisation and on every device watch tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kDriveLetterSlots = 256;    // bytes of driveLetters
constexpr std::size_t kDriveStringsBuffer = 255;  // bytes asked from the system per refresh

// Number of drives of the last refresh.
extern std::uint32_t driveCount;
// One drive letter per byte. Not cleared between refreshes: bytes at and beyond
// driveCount keep letters of earlier refreshes.
extern char driveLetters[kDriveLetterSlots];

// Refills the list from GetLogicalDriveStringsA; returns the letter of the last drive
// as a one-letter text, or an empty text when the system reports no drive.
std::string RefreshDriveList();

// Refills the list from the first length bytes of a GetLogicalDriveStringsA answer
// (letter, ':', '\', NUL per drive) held in a buffer of kDriveStringsBuffer bytes.
std::string StoreDriveStrings(const char* strings, std::size_t length);

// The letter at index of the current list; false when index is outside it.
bool DriveLetterAt(int index, char& letter);
