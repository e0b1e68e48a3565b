// A VX5207 camera as the Windows 95/98/ME detection path sees one, made of registry
// entries alone: Wine has no USB disks. Attached, SetupAPI lists a present USB device
// whose hardware ID carries the first device of Detect.ini (current folder), and
// HKLM\Enum\SCSI\<its SubKey98>\DEMO0001 gives that instance the drive letter.
#pragma once

#include <string>

class SimulatedCamera {
public:
    // Reads the identifiers from Detect.ini; driveLetter is the drive the camera shows as.
    explicit SimulatedCamera(char driveLetter);
    bool Attach() const;
    bool Detach() const;
    // "USB\VID_0ABC&PID_1D2E", "HKLM\Enum\SCSI\NOLVETRAVX5207\DEMO0001 = G" and the like.
    std::string UsbDeviceName() const;
    std::string ScsiInstanceName() const;

private:
    std::string UsbId() const;         // VID_0ABC&PID_1D2E
    std::string InterfaceKey() const;  // the device's key of the USB device interface class
    std::string ScsiModelKey() const;  // Enum\SCSI\<SubKey98>

    std::string vid_;
    std::string pid_;
    std::string scsiModel_;
    char driveLetter_;
};
