#include "device_watch.h"

#include <dbt.h>

#include <cstdio>

#include "drive_list.h"
#include "exception_report.h"
#include "flag_scope.h"
#include "main_dialog.h"
#include "system_library.h"

std::int32_t devicePresent = 0;

namespace {

// The detector's answer of the latest tick. The table belongs to the detector and
// is valid only until its next call, so it is read within the tick only.
FoundDevice* foundTable = nullptr;
std::int32_t foundCount = 0;

// The records of an answer that may be read: none when the count is 0, and none for
// a count no detector can mean (negative) or a table that is missing.
std::uint32_t ReadableRecords(const FoundDevice* table, std::int32_t count) {
    return table != nullptr && count > 0 ? static_cast<std::uint32_t>(count) : 0;
}

// Windows 95 has no RegisterDeviceNotificationA, and one unresolved import would keep
// the program from starting there: it is looked up in user32 (imported, so loaded)
// when the dialog registers. Where it is missing the registration fails as any other.
HDEVNOTIFY RegisterDeviceNotificationBound(HANDLE recipient, LPVOID filter, DWORD flags) {
    static decltype(&::RegisterDeviceNotificationA) registerNotification = nullptr;
    static const bool bound =
        BindFunction(GetModuleHandleA("user32.dll"), "RegisterDeviceNotificationA", registerNotification);
    if (!bound) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    return registerNotification(recipient, filter, flags);
}

}  // namespace

const GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

bool RegisterUsbNotification(HWND recipient, GUID classGuid, HDEVNOTIFY* handle) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = classGuid;
    *handle = RegisterDeviceNotificationBound(recipient, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (*handle != nullptr) return true;
    std::printf("RegisterDeviceNotification failed: %lx.\n", GetLastError());
    std::fflush(stdout);
    return false;
}

namespace {

// The letter a record's drive index names: 'A' plus its low byte, in 8-bit arithmetic.
char LetterOfRecord(const FoundDevice& record) {
    return static_cast<char>('A' + static_cast<std::uint8_t>(record.DriveIndex));
}

}  // namespace

char FindCameraDriveLetter(const FoundDevice* table, std::uint32_t count,
                           std::uint16_t vid, std::uint16_t pid) {
    char found = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const FoundDevice& record = table[i];
        if (record.VID != vid || record.PID != pid) continue;
        // A record whose index names no drive (the 95/98/ME detection gives -65 for
        // an instance without a letter) would make a target on no drive: skip it.
        // A lower-case letter, as the 95/98/ME detection reports it from the
        // registry, names the same drive as the upper-case one.
        const char letter = LetterOfRecord(record);
        if (IsDriveLetter(letter)) found = letter;
    }
    return found;
}

WatchChange UpdatePresence(std::int32_t& devicePresent, bool deviceFound) {
    if (!devicePresent && deviceFound) {
        devicePresent = 1;
        return WatchChange::cameraArrived;
    }
    if (devicePresent && !deviceFound) {
        devicePresent = 0;
        return WatchChange::cameraLeft;
    }
    return WatchChange::none;
}

bool CUpdateDlg::WatchTick() {
    // The detector's error box runs a modal loop, which delivers the next tick while
    // this one is still inside the detector. That tick does nothing: a second call
    // would show another box inside the first, every second, until the stack ran out.
    // A failure is reported while the tick still counts as running, for the same reason.
    if (watchTickRunning_) return false;
    // The mark is cleared however the tick ends: a tick that threw must not leave
    // it set, or every later tick would do nothing.
    const FlagScope running(watchTickRunning_);
    try {
        WatchForCamera();
    } catch (...) {
        ReportCurrentException(window());
    }
    // The tick runs no data exchange: the hidden target field keeps its last value.
    return false;
}

void CUpdateDlg::WatchForCamera() {
    RefreshDriveList();
    foundTable = VostelExist(&foundCount);
    const char letter = FindCameraDriveLetter(foundTable, ReadableRecords(foundTable, foundCount),
                                              config.vid, config.pid);
    // A camera on a drive the refreshed list lacks (the list and the detector raced,
    // or a stale 95/98/ME letter) is not found yet: the list could not show it as
    // where Start writes. Target, list and latch stay until a tick finds it listed.
    if (letter != 0 && DriveIndexIn(DriveListLetters(), letter) < 0) {
        deviceFound = 0;
        return;
    }
    deviceFound = letter != 0 ? 1 : 0;
    if (deviceFound) SetTargetDrive(std::string(1, letter));
    const WatchChange change = UpdatePresence(devicePresent, deviceFound != 0);
    if (change != WatchChange::none || !DriveComboShowsTarget()) RefillDriveCombo();
    // The list is locked while the camera is attached.
    if (change != WatchChange::none) EnableWindow(DriveCombo(), devicePresent ? FALSE : TRUE);
}
