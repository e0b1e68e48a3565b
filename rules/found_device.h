/* FoundDevice: one record of the detector's result table, as the library writes it
   and the program reads it across the library boundary. */
#ifndef RULES_FOUND_DEVICE_H
#define RULES_FOUND_DEVICE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define FOUND_DEVICE_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define FOUND_DEVICE_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* One drive of an attached known device. The layout is fixed byte by byte: 32 bytes,
   little-endian, every reserved byte zero. */
typedef struct FoundDevice {
    uint8_t Reserved0[12];
    int16_t DriveIndex;    /* drive letter minus 'A': 0 for A:, 25 for Z: */
    uint16_t VID;          /* identifiers of the Detect.ini entry that matched */
    uint16_t PID;
    uint8_t Reserved1[2];
    uint32_t RecordLength; /* always 32 */
    uint32_t Reserved2;
    uint32_t Reserved3;
} FoundDevice;

#define FOUND_DEVICE_RECORD_LENGTH 32u

FOUND_DEVICE_STATIC_ASSERT(offsetof(FoundDevice, DriveIndex) == 12, "DriveIndex at byte 12");
FOUND_DEVICE_STATIC_ASSERT(offsetof(FoundDevice, VID) == 14, "VID at byte 14");
FOUND_DEVICE_STATIC_ASSERT(offsetof(FoundDevice, PID) == 16, "PID at byte 16");
FOUND_DEVICE_STATIC_ASSERT(offsetof(FoundDevice, RecordLength) == 20, "RecordLength at byte 20");
FOUND_DEVICE_STATIC_ASSERT(sizeof(FoundDevice) == FOUND_DEVICE_RECORD_LENGTH, "records are 32 bytes");

#endif
