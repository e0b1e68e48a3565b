#include "main_dialog.h"

#include "about_dialog.h"
#include "device_watch.h"
#include "drive_list.h"
#include "file_paths.h"
#include "message_box.h"
#include "package_files.h"
#include "resource_string.h"
#include "resources/resource.h"
#include "update_config_loader.h"
#include "update_run.h"

namespace {

constexpr UINT_PTR kWatchTimerId = 1;
constexpr UINT kWatchPeriodMs = 1000;
constexpr WPARAM kSystemCommandMask = 0xFFF0;  // the low four bits belong to the system
const char kTargetFolderSuffix[] = ":\\DCIM";
const char kDriveEntrySuffix[] = ":\\";

}  // namespace

const MessageRoute<CUpdateDlg> CUpdateDlg::kRoutes[] = {
    MessageEntry<CUpdateDlg, &CUpdateDlg::OnSysCommand>(WM_SYSCOMMAND),
    MessageEntry<CUpdateDlg, &CUpdateDlg::OnPaint>(WM_PAINT),
    MessageEntry<CUpdateDlg, &CUpdateDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
    CommandEntry<CUpdateDlg, &CUpdateDlg::OnStart>(IDC_START, BN_CLICKED),
    CommandEntry<CUpdateDlg, &CUpdateDlg::OnTargetDiskChange>(IDC_TARGET_DISK, CBN_SELCHANGE),
    MessageEntry<CUpdateDlg, &CUpdateDlg::WatchTick>(WM_TIMER),
    CommandEntry<CUpdateDlg, &CUpdateDlg::OnBrowse>(IDC_BROWSE, BN_CLICKED),
    CommandEntry<CUpdateDlg, &CUpdateDlg::OnCompare>(IDC_COMPARE, BN_CLICKED),
};

std::string TargetFolderOnDrive(const std::string& driveLetter) {
    // With no drive there is no folder to write to; an empty target makes Start do nothing.
    return driveLetter.empty() ? std::string() : driveLetter + kTargetFolderSuffix;
}

CUpdateDlg::CUpdateDlg()
    : CDialog(IDD_UPDATE_DIALOG),
      appIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    devicePresent = 0;
}

bool CUpdateDlg::OnMessage(const Message& message, LRESULT& result) {
    return Route(*this, kRoutes, message, result);
}

void CUpdateDlg::DoDataExchange(DataExchange& dx) {
    dx.Control(IDC_PROGRESS, progressBar);
    dx.Text(IDC_CHECKSUM, config.checksums[0]);
    std::string folder = config.targetFolder;
    dx.Text(IDC_TARGET_FOLDER, folder);
    config.setTargetFolder(folder);
    dx.Text(IDC_VERSION, config.firmwareVersion);
    dx.ComboIndex(IDC_TARGET_DISK, targetDiskIndex);
}

bool CUpdateDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutToSystemMenu();
    SetWindowIcons();
    // The path is kept whole even when it is longer than the 260 bytes the profile
    // functions take: a cut path would name another file, a whole one simply fails
    // to open and every key takes its default.
    iniPath = JoinPath(CurrentFolder(), kFirmwareIniName);
    // A failed load has shown its message; the dialog opens all the same.
    LoadUpdateConfig(config, iniPath, *this);
    // Arrivals are found by the watch's polling; the registration only lets the
    // system tell the window, and its handle is not needed.
    HDEVNOTIFY notification = nullptr;
    RegisterUsbNotification(window(), kUsbDeviceInterfaceClass, &notification);
    targetDrive = RefreshDriveList();
    FillDriveCombo();
    UpdateData(true);
    StartWatchTimer();
    progressBar.SetRange(0, ProgressEnd(config.fileCount));
    progressBar.SetPos(0);
    SetTargetDrive(targetDrive);
    UpdateData(false);
    ShowTitle();
    return true;
}

void CUpdateDlg::AddAboutToSystemMenu() {
    const HMENU menu = GetSystemMenu(window(), FALSE);
    if (!menu) return;
    const std::string about = LoadResourceString(IDS_ABOUTBOX);
    if (about.empty()) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void CUpdateDlg::SetWindowIcons() {
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
}

void CUpdateDlg::FillDriveCombo() {
    const HWND combo = GetDlgItem(window(), IDC_TARGET_DISK);
    for (std::uint32_t k = 0; k < driveCount && k < kDriveLetterSlots; ++k) {
        const std::string entry = driveLetters[k] + std::string(kDriveEntrySuffix);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    // With no drive this selects -1: no entry.
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(static_cast<int>(driveCount) - 1), 0);
}

void CUpdateDlg::RefillDriveCombo(bool enabled) {
    const HWND combo = GetDlgItem(window(), IDC_TARGET_DISK);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    FillDriveCombo();
    EnableWindow(combo, enabled ? TRUE : FALSE);
}

void CUpdateDlg::SetTargetDrive(const std::string& drive) {
    targetDrive = drive;
    config.setTargetFolder(TargetFolderOnDrive(drive));
}

void CUpdateDlg::ShowTitle() {
    const std::string title = config.productName + LoadResourceString(IDS_TITLE_SUFFIX);
    SetWindowTextA(window(), title.c_str());
}

bool CUpdateDlg::OnSysCommand(WPARAM command, LPARAM) {
    if ((command & kSystemCommandMask) != IDM_ABOUTBOX) return false;
    CAboutDlg about;
    about.DoModal();
    return true;
}

bool CUpdateDlg::OnPaint() {
    if (!IsIconic(window())) return false;
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window(), &paint);
    SendMessageA(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(window(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(window(), &paint);
    return true;
}

HICON CUpdateDlg::OnQueryDragIcon() { return appIcon; }

void CUpdateDlg::OnStart() { RunUpdate(config, *this); }

void CUpdateDlg::OnTargetDiskChange() {
    const int index = static_cast<int>(SendDlgItemMessageA(window(), IDC_TARGET_DISK, CB_GETCURSEL, 0, 0));
    // No selection, or an entry the refreshed list no longer has: the target stays.
    // The selection is looked at before the exchange out of the controls: the
    // watch does not refresh the hidden target field, and its older value must
    // not become the target.
    char letter;
    if (!DriveLetterAt(index, letter)) return;
    UpdateData(true);
    SetTargetDrive(std::string(1, letter));
    UpdateData(false);
}

void CUpdateDlg::OnCancel() {
    StopWatchTimer();
    EndDialog(IDCANCEL);
}

void CUpdateDlg::ShowMessage(const std::string& text) {
    ShowMessageBox(window(), text, MB_OK | MB_ICONEXCLAMATION);
}

void CUpdateDlg::ShowConfigFields() { UpdateData(false); }

void CUpdateDlg::SetProgressPos(int position) { progressBar.SetPos(position); }

void CUpdateDlg::StartWatchTimer() { timerId = SetTimer(window(), kWatchTimerId, kWatchPeriodMs, nullptr); }

void CUpdateDlg::StopWatchTimer() { KillTimer(window(), timerId); }
