/* The one export of detector.dll and the record of its result table.
   Shared by the library, the update program and any other build of the library. */
#ifndef DETECTOR_VOSTEL_EXIST_H
#define DETECTOR_VOSTEL_EXIST_H

#include <stddef.h>
#include <stdint.h>

#ifdef DETECTOR_BUILDING
#define DETECTOR_API __declspec(dllexport)
#else
#define DETECTOR_API __declspec(dllimport)
#endif

#ifdef __cplusplus
#define DETECTOR_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define DETECTOR_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* One drive of an attached known device. The program reads the table across the
   library boundary, so the layout is fixed byte by byte: 32 bytes, little-endian,
   every reserved byte zero. */
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

DETECTOR_STATIC_ASSERT(offsetof(FoundDevice, DriveIndex) == 12, "DriveIndex at byte 12");
DETECTOR_STATIC_ASSERT(offsetof(FoundDevice, VID) == 14, "VID at byte 14");
DETECTOR_STATIC_ASSERT(offsetof(FoundDevice, PID) == 16, "PID at byte 16");
DETECTOR_STATIC_ASSERT(offsetof(FoundDevice, RecordLength) == 20, "RecordLength at byte 20");
DETECTOR_STATIC_ASSERT(sizeof(FoundDevice) == FOUND_DEVICE_RECORD_LENGTH, "records are 32 bytes");

#ifdef __cplusplus
extern "C" {
#endif

/* Reads Detect.ini from the current directory, detects afresh and answers the drives
   of attached known devices: writes their number to *count and returns the table,
   which belongs to the library and stays valid until the next call or until the
   library is unloaded. With a count of 0 no record may be read. Not thread-safe. */
DETECTOR_API FoundDevice* __cdecl VostelExist(int32_t* count);

#ifdef __cplusplus
}
#endif

#endif
