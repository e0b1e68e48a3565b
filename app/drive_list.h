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

// The letters of the current list, in its order.
std::string DriveListLetters();

// Whether letter names a drive: Windows takes a..z as the same drives as A..Z.
bool IsDriveLetter(char letter);

// The position of drive among letters, either case taken as the same drive; -1
// when letters do not hold it or drive names none.
int DriveIndexIn(const std::string& letters, char drive);
