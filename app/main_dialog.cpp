#include "main_dialog.h"

#include "about_dialog.h"
#include "device_watch.h"
#include "drive_combo.h"
#include "drive_list.h"
#include "file_paths.h"
#include "flag_scope.h"
#include "message_box.h"
#include "package_files.h"
#include "resource_string.h"
#include "resources/resource.h"
#include "update_config_loader.h"
#include "update_run.h"
#include "worker_wait.h"

namespace {

constexpr UINT_PTR kWatchTimerId = 1;
constexpr UINT kWatchPeriodMs = 1000;
constexpr WPARAM kSystemCommandMask = 0xFFF0;  // the low four bits belong to the system
const char kTargetFolderSuffix[] = ":\\DCIM";
// What Windows shows for the program when the session is ended during a run.
const wchar_t kRunShutdownReason[] = L"Updating the camera's firmware";

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

char DriveOfFolder(const std::string& folder) {
    const bool onDrive = folder.size() >= 2 && folder[1] == ':' && IsDriveLetter(folder[0]);
    return onDrive ? folder[0] : 0;
}

CUpdateDlg::CUpdateDlg()
    : CDialog(IDD_UPDATE_DIALOG),
      appIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    devicePresent = 0;
}

bool CUpdateDlg::OnMessage(const Message& message, LRESULT& result) {
    // The run's waits keep dispatching messages, and a command can come as a
    // message sent or posted by another program or thread: during the run none is
    // carried out, so no second run starts, the dialog does not close and the
    // target does not change under the run. Nor does the session end while the run
    // changes the camera: Windows would end the program between two steps.
    if (runSession_.Answer(message, result)) return true;
    if (updateRunning_ && AnswerWhileBusy(message, result)) return true;
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

HWND CUpdateDlg::DriveCombo() const { return GetDlgItem(window(), IDC_TARGET_DISK); }

void CUpdateDlg::FillDriveCombo() {
    const std::string letters = DriveListLetters();
    // The last drive, which is the initial target; with no drive this selects -1: no entry.
    FillDriveEntries(DriveCombo(), letters, static_cast<int>(letters.size()) - 1);
}

// Start writes wherever the target points, so the list must show that drive: its
// entry is selected, whether the target is the camera's drive, the user's choice or
// what was left when the camera went. A target on a drive the list no longer holds
// is dropped while the camera is absent, leaving no selection: otherwise a drive that
// takes a departed camera's letter would receive the firmware without being shown.
// While the camera is attached its drive stays the target whatever the list holds.
void CUpdateDlg::RefillDriveCombo() {
    const std::string letters = DriveListLetters();
    const int targetEntry = DriveIndexIn(letters, DriveOfFolder(config.targetFolder));
    if (targetEntry < 0 && !devicePresent && !config.targetFolder.empty()) SetTargetDrive(std::string());
    FillDriveEntries(DriveCombo(), letters, targetEntry);
}

// Whether the entries are the drives of the latest refresh and, while the camera
// is attached and each tick sets the target anew, its drive is the selected one.
// While it is absent only the user's choices move the selection, and they move
// the target with it.
bool CUpdateDlg::DriveComboShowsTarget() const {
    const std::string entries = DriveEntryLetters(DriveCombo());
    if (entries != DriveListLetters()) return false;
    if (!devicePresent) return true;
    const int selected = static_cast<int>(SendMessageA(DriveCombo(), CB_GETCURSEL, 0, 0));
    return selected == DriveIndexIn(entries, DriveOfFolder(config.targetFolder));
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

void CUpdateDlg::OnStart() {
    const FlagScope running(updateRunning_);
    const BusyDialogScope busy(window(), {IDC_START, IDCANCEL, IDC_TARGET_DISK}, runSession_, kRunShutdownReason);
    RunUpdate(config, *this);
}

void CUpdateDlg::OnTargetDiskChange() {
    // The drive is the chosen entry's own letter: the drive list may have been
    // refreshed since the entries were made (a choice made while a tick is inside
    // the detector), and its letter at the same index can be another drive.
    // No selection leaves the target as it is. The selection is looked at before
    // the exchange out of the controls: the watch does not refresh the hidden
    // target field, and its older value must not become the target.
    char letter;
    if (!SelectedEntryLetter(DriveCombo(), letter)) return;
    UpdateData(true);
    SetTargetDrive(std::string(1, letter));
    UpdateData(false);
}

void CUpdateDlg::OnCancel() {
    StopWatchTimer();
    EndDialog(IDCANCEL);
}

void CUpdateDlg::ShowMessage(const std::string& text) {
    // Input given while the run took none would otherwise reach the box: an Enter
    // typed during the copy would close its outcome unseen.
    if (updateRunning_) DropQueuedInput();
    ShowMessageBox(window(), text, MB_OK | MB_ICONEXCLAMATION);
}

// The session is held through the run's messages that more file work follows ("Can
// not create the folder!" before the copy, say): the camera may be half changed
// then, and the run finishes the change once the user answers. Its last message
// holds nothing: a "Copy OK!" left open overnight would refuse every log-off and keep
// the PC awake with nothing being written. The dialog takes no input until that
// message is answered, as during the rest of the run.
void CUpdateDlg::ShowOutcome(const std::string& text) {
    runSession_.End();
    ShowMessage(text);
}

void CUpdateDlg::ShowConfigFields() { UpdateData(false); }

void CUpdateDlg::SetProgressPos(int position) { progressBar.SetPos(position); }

void CUpdateDlg::StartWatchTimer() { timerId = SetTimer(window(), kWatchTimerId, kWatchPeriodMs, nullptr); }

void CUpdateDlg::StopWatchTimer() { KillTimer(window(), timerId); }

unsigned long CUpdateDlg::AwaitFileWork(const std::function<unsigned long()>& work) {
    return AwaitWorkWithoutInput(work);
}
