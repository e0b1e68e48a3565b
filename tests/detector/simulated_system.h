// A simulated Windows for the detection paths: a SetupAPI device tree of disks,
// volumes and USB devices, the storage device numbers behind their paths, the DOS
// device name table and message boxes. It replaces only those entries of the system
// table; the registry, the profile functions and text conversion stay real.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "system_api.h"

constexpr std::int32_t kNoDeviceNumber = -1;
constexpr DWORD kWindows98Version = 0xC0000A04;

// One present disk or volume interface. As Windows answers the device-number request,
// a disk reports its own number and a volume the number of the disk it lives on.
struct SimulatedInterface {
    std::wstring devicePath;
    std::wstring physicalName;  // empty: the property cannot be read
    std::wstring parentId;      // empty: the parent cannot be found
    std::int32_t deviceNumber = kNoDeviceNumber;
    bool opens = true;          // false: CreateFileW fails
    bool answers = true;        // false: the device-number query fails
    DEVICE_TYPE deviceType = FILE_DEVICE_DISK;  // FILE_DEVICE_CD_ROM for a CD volume
};

struct SimulatedDosName {
    std::wstring name;
    std::wstring target;
    bool readable = true;       // false: its target cannot be queried
};

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT style;
};

struct SimulatedSystem {
    std::optional<DWORD> version;  // GetVersion's answer; unset: the real one
    bool setupApiBindable = true;
    std::vector<SimulatedInterface> disks;
    std::vector<SimulatedInterface> volumes;
    std::vector<SimulatedDosName> dosNames;
    bool diskSetFails = false;
    bool volumeSetFails = false;
    int diskDetailFailsAt = -1;    // member index whose interface detail cannot be read
    bool allocationFails = false;  // listing the disks throws std::bad_alloc
    bool usbSetFails = false;
    // Hardware ID lists of present USB devices, first ID first; an empty list cannot be read.
    std::vector<std::vector<std::string>> usbDevices;
    std::set<std::string> unopenableKeys;  // registry subkey names that fail to open

    // What the paths did.
    std::vector<MessageBoxCall> messageBoxes;
    int openSets = 0;
    int openHandles = 0;
    int openKeys = 0;
    int dosListQueries = 0;

    // A USB camera disk numbered deviceNumber, with its parent ID and one volume per
    // drive letter; the volumes are numbered in the order of the whole volume list
    // (\Device\HarddiskVolumeN) and the letters' DOS names target them.
    void AddCameraDisk(const std::wstring& parentId, std::int32_t deviceNumber,
                       const std::vector<std::wstring>& driveNames);
};

// Installs a simulated system for its lifetime and the real table again after it.
class SimulatedSystemScope {
public:
    explicit SimulatedSystemScope(SimulatedSystem& system);
    ~SimulatedSystemScope();
    SimulatedSystemScope(const SimulatedSystemScope&) = delete;
    SimulatedSystemScope& operator=(const SimulatedSystemScope&) = delete;
};
