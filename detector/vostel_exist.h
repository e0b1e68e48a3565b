/* The one export of detector.dll and the record of its result table.
   Shared by the library, the update program and any other build of the library. */
#ifndef DETECTOR_VOSTEL_EXIST_H
#define DETECTOR_VOSTEL_EXIST_H

#include <stdint.h>

#include "found_device.h"

#ifdef DETECTOR_BUILDING
#define DETECTOR_API __declspec(dllexport)
#else
#define DETECTOR_API __declspec(dllimport)
#endif

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
