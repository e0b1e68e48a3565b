// Drive detection on the Windows NT family: USB disks are linked to their volumes by
// the storage device number both report, and volumes to drive letters through the DOS
// device names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device_table.h"
#include "system_api.h"
#include "vostel_exist.h"

#include <winioctl.h>

constexpr std::int32_t kUnknownDeviceNumber = -1;

// The storage device a disk or volume lives on, as the system numbers it: disks and
// CD-ROM drives are numbered apart, so the type belongs to the number.
struct StorageDeviceNumber {
    DEVICE_TYPE DeviceType = 0;
    std::int32_t DeviceNumber = kUnknownDeviceNumber;

    bool known() const { return DeviceNumber != kUnknownDeviceNumber; }
};

// What the path knows about one present disk or volume interface.
struct StorageInterface {
    std::wstring DevicePath;          // opens the device
    std::wstring PhysicalDeviceName;  // e.g. \Device\HarddiskVolume3; empty if unreadable
    std::wstring ParentDeviceId;      // e.g. USB\VID_0ABC&PID_1D2E\serial; empty if unknown
    StorageDeviceNumber Device;       // for a volume, the disk it lives on
};

// Finds the drives of attached USB disks that match an entry, installs them as the
// current table (the drive found last first) and writes their number to count.
// Answers the table, or null (and count 0) when no drive is found.
FoundDevice* DetectDrivesNt(std::int32_t* count, std::uint32_t entryCount,
                            const DeviceEntry* entries);

// The present interfaces of one class, in the system's order. When the class cannot
// be listed the user is told in a message box and the list is empty.
std::vector<StorageInterface> EnumerateStorageInterfaces(const SetupApiNt& setup,
                                                         const GUID& interfaceClass);

// A text registry property of a device, or empty when it cannot be read.
std::wstring ReadDeviceTextProperty(const SetupApiNt& setup, HDEVINFO set,
                                    SP_DEVINFO_DATA& device, DWORD property);

// The device instance ID of the device's immediate parent, or empty.
std::wstring GetParentDeviceId(const SetupApiNt& setup, DEVINST device);

// The storage device the device reports it lives on; its number is kUnknownDeviceNumber
// when the device cannot be opened or does not answer.
StorageDeviceNumber QueryStorageDeviceNumber(const std::wstring& devicePath);

// The DOS device names whose target is exactly physicalDeviceName, in the system's order.
std::vector<std::wstring> FindDosNames(const std::wstring& physicalDeviceName);
