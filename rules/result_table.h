// The library's current result table: the one global table that VostelExist hands
// out, its installation by a detection path and its release.
#pragma once

#include <cstdint>
#include <vector>

#include "device_entry.h"
#include "found_device.h"

// Null when the library is loaded; otherwise a block of exactly as many records as
// the count last reported (the 9x path also installs an empty block).
extern FoundDevice* currentTable;

// Frees the current table and leaves currentTable null.
void ReleaseCurrentTable();

// Allocates a table of exactly records.size() records (an empty, non-null block for
// none), copies the records into it and installs it as currentTable. Answers the
// table, or null when it cannot be allocated (currentTable stays null then).
FoundDevice* InstallCurrentTable(const std::vector<FoundDevice>& records);

// A record for one drive of a device that matched entry: everything but the drive
// index, the identifiers and the record length is zero.
FoundDevice MakeFoundDevice(std::int16_t driveIndex, const DeviceEntry& entry);
