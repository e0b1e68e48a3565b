// CUpdateDlg: the program's one dialog. It holds the firmware package's configuration,
// shows version, drive list and progress, lets the user choose the target drive,
// watches for the camera (device_watch.cpp), runs the update on Start and holds the
// hidden Compare and browse commands (compare_browse.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "busy_dialog.h"
#include "dialog.h"
#include "progress_ctrl.h"
#include "update_config.h"
#include "update_view.h"

class CUpdateDlg : public CDialog, public UpdateView {
public:
    CUpdateDlg();

    void ShowMessage(const std::string& text) override;
    void ShowOutcome(const std::string& text) override;
    void ShowConfigFields() override;
    void SetProgressPos(int position) override;
    void StartWatchTimer() override;
    void StopWatchTimer() override;
    unsigned long AwaitFileWork(const std::function<unsigned long()>& work) override;

    UpdateConfig config;
    CProgressCtrl progressBar;
    int targetDiskIndex = -1;       // selected entry of the drive combo box
    HICON appIcon;
    std::uint32_t deviceFound = 0;  // set by the device watch
    std::string targetDrive = "F";  // letter of the target drive, without colon
    UINT_PTR timerId = 0;           // the watch timer, as SetTimer returned it
    std::string iniPath;            // full path of FirmWare.ini

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnMessage(const Message& message, LRESULT& result) override;
    void OnCancel() override;

private:
    static const MessageRoute<CUpdateDlg> kRoutes[];

    bool OnSysCommand(WPARAM command, LPARAM position);
    bool OnPaint();
    HICON OnQueryDragIcon();
    void OnStart();
    void OnTargetDiskChange();
    bool WatchTick();
    void OnCompare();
    void OnBrowse();

    void WatchForCamera();

    void AddAboutToSystemMenu();
    void SetWindowIcons();
    HWND DriveCombo() const;
    void FillDriveCombo();
    void RefillDriveCombo();
    bool DriveComboShowsTarget() const;
    void SetTargetDrive(const std::string& drive);
    void ShowTitle();

    bool watchTickRunning_ = false;  // a watch tick is running (inside the detector, say)
    bool updateRunning_ = false;     // Start's run is going on, its message boxes included
    SessionHolder runSession_;       // held by Start's run while it changes the camera
};

// The target folder on a drive: letter + ":\DCIM"; empty for no drive.
std::string TargetFolderOnDrive(const std::string& driveLetter);

// The letter of the drive a folder lies on ('G' for G:\DCIM); 0 for a folder
// without a drive letter, the empty one included.
char DriveOfFolder(const std::string& folder);
