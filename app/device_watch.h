// The device watch: once a second the main dialog asks the detector which drives
// belong to known USB devices, recognises the camera by its identifiers and makes
// its DCIM folder the target. The tick itself is CUpdateDlg::WatchTick, defined in
// device_watch.cpp; the parts declared here do not need the dialog.
#pragma once

#include <windows.h>

#include <cstdint>

#include "vostel_exist.h"

// 1 while the camera counts as attached; one latch per process, cleared when the
// main dialog is constructed.
extern std::int32_t devicePresent;

// The USB device interface class {A5DCBF10-6530-11D2-901F-00C04FB951ED}.
extern const GUID kUsbDeviceInterfaceClass;

// Registers recipient for device-interface notifications of classGuid and stores
// the notification handle (none on failure) in *handle. A failure is written to
// standard output and changes nothing else.
bool RegisterUsbNotification(HWND recipient, GUID classGuid, HDEVNOTIFY* handle);

// The drive letter of the camera among the detector's records, or 0 when none of
// them is the camera. With several records of the camera the last one decides.
char FindCameraDriveLetter(const FoundDevice* table, std::uint32_t count,
                           std::uint16_t vid, std::uint16_t pid);

enum class WatchChange { none, cameraArrived, cameraLeft };

// Moves the presence latch (0 or 1) by what the latest tick found and says what changed.
WatchChange UpdatePresence(std::int32_t& devicePresent, bool deviceFound);
