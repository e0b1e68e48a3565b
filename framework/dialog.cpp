#include "dialog.h"

#include <commctrl.h>

#include "exception_report.h"
#include "system_library.h"
#include "win_app.h"
#include "window_centring.h"

namespace {

// The innermost modal dialog running on this thread: the owner of a dialog opened
// without a parent from one of its handlers.
thread_local CDialog* runningDialog = nullptr;

// comctl32.dll is no known DLL: imported, it would be looked for in the program's
// folder first. Its first version (Windows 95) has no InitCommonControlsEx; there
// InitCommonControls registers every class, the progress bar's too.
bool RegisterCommonControlClasses() {
    const HMODULE comctl32 = LoadSystemLibrary("comctl32.dll");
    decltype(&::InitCommonControlsEx) initEx = nullptr;
    if (BindFunction(comctl32, "InitCommonControlsEx", initEx)) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        return initEx(&controls) != FALSE;
    }
    decltype(&::InitCommonControls) init = nullptr;
    if (!BindFunction(comctl32, "InitCommonControls", init)) return false;
    init();
    return true;
}

void RegisterCommonControls() {
    static const bool registered = RegisterCommonControlClasses();
    (void)registered;
}

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT id) {
    switch (id) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

CDialog::CDialog(int templateId, CDialog* parent) : templateId_(templateId), parent_(parent) {}

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    const HWND owner = ResolveOwner();
    enclosing_ = runningDialog;
    runningDialog = this;
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                        &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    runningDialog = enclosing_;
    window_ = nullptr;
    return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(window_, result); }

void CDialog::UpdateData(bool save) {
    DataExchange exchange(window_, save);
    DoDataExchange(exchange);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

HWND CDialog::ResolveOwner() const {
    if (parent_) return parent_->window();
    if (runningDialog) return runningDialog->window();
    const CWinApp* app = CWinApp::Current();
    const CDialog* main = app ? app->mainWindow() : nullptr;
    return main && main != this ? main->window() : nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
    if (id == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window_ = window;
        return dialog->HandleInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    return dialog ? dialog->HandleMessage({id, wParam, lParam}) : FALSE;
}

INT_PTR CDialog::HandleInitDialog() {
    RECT placed;
    GetWindowRect(window_, &placed);
    bool focusFirstTabStop = false;
    try {
        focusFirstTabStop = OnInitDialog();
    } catch (...) {
        // The initialisation stops where it failed: the dialog opens where its
        // template put it and nothing gets the focus.
        ReportCurrentException(window_);
        return FALSE;
    }
    CentreUnplacedDialog(window_, placed);
    return focusFirstTabStop ? TRUE : FALSE;
}

INT_PTR CDialog::HandleMessage(const Message& message) {
    LRESULT result = 0;
    try {
        if (!Dispatch(message, result)) return FALSE;
    } catch (...) {
        ReportCurrentException(window_);
        return TRUE;
    }
    if (ReturnsResultDirectly(message.id)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialog::Dispatch(const Message& message, LRESULT& result) {
    return OnMessage(message, result) || RouteOkCancel(message);
}

bool CDialog::RouteOkCancel(const Message& message) {
    if (message.id != WM_COMMAND || HIWORD(message.wParam) != BN_CLICKED) return false;
    switch (LOWORD(message.wParam)) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}
