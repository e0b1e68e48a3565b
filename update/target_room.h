// Whether the target drive can hold a package's new files, counted in the drive's
// whole clusters: beside the old files, only in their place, or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using FileBytes = std::uint64_t;

enum class Room {
    BesideOld,     // the new files fit while the old ones stay
    InPlaceOfOld,  // they fit once the old files of the same names are deleted
    TooSmall,      // they do not fit even then
    Unknown,       // the drive does not say how much it holds
};

struct RoomCheck {
    Room room;
    int firstNotFitting;  // with TooSmall: the first file, in package order, that does not fit
};

// newSizes[i] is the size of new file i; oldSizes[i] that of the old file of the
// same name in folder, 0 where there is none.
RoomCheck CheckRoom(const std::string& folder, const std::vector<FileBytes>& newSizes,
                    const std::vector<FileBytes>& oldSizes);
