// Drive detection on Windows 95/98/ME: SetupAPI tells whether an entry's USB device
// is attached, and HKLM\Enum\SCSI\<SubKey98>\<instance> gives its drive letters.
#pragma once

#include <cstdint>

#include "device_table.h"
#include "vostel_exist.h"

// Installs the drives of attached entries as the current table, entry by entry and
// within an entry in registry order, and writes their number to count. Answers the
// table (an empty, non-null one when nothing is found), or null with count 0 when
// an attached entry's SubKey98 key cannot be opened: the whole query is abandoned.
FoundDevice* DetectDrives9x(std::int32_t* count, std::uint32_t entryCount,
                            const DeviceEntry* entries);

// True when some present USB device's first hardware ID contains the entry's PID and
// VID as upper-case hexadecimal text, anywhere and case ignored.
bool IsUsbDevicePresent(const DeviceEntry& entry);
