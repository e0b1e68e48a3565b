#include "busy_dialog.h"

#include "system_library.h"

namespace {

constexpr WPARAM kSystemCommandMask = 0xFFF0;         // the low four bits belong to the system
constexpr WPARAM kFirstSystemWindowCommand = 0xF000;  // SC_SIZE; lower ones are the program's menu entries

// kernel32 and user32 are loaded in every window program: no load is needed.
template <typename Function>
Function BoundIn(const char* module, const char* name) {
    Function function = nullptr;
    BindFunction(GetModuleHandleA(module), name, function);
    return function;
}

void KeepSystemAwake(bool awake) {
    // ES_CONTINUOUS alone clears what this thread asked for before.
    if (SessionHold().setExecutionState)
        SessionHold().setExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

// Over the dialog and its controls the cursor shows work going on in the background.
// HTERROR: the dialog is disabled behind a message box of the work, and the default
// answer points the user to the box.
bool ShowBusyCursor(LPARAM hit, LRESULT& result) {
    if (static_cast<short>(LOWORD(hit)) == HTERROR) return false;
    SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
    result = TRUE;
    return true;
}

// The program's own entries of the system menu (About, say): what they open would
// hold the work's next step until closed. The system's window commands stay.
bool IsProgramsSystemCommand(WPARAM command) { return (command & kSystemCommandMask) < kFirstSystemWindowCommand; }

}  // namespace

SessionHoldCalls& SessionHold() {
    static SessionHoldCalls calls = {
        BoundIn<decltype(SessionHoldCalls::setExecutionState)>("kernel32.dll", "SetThreadExecutionState"),
        BoundIn<decltype(SessionHoldCalls::blockShutdown)>("user32.dll", "ShutdownBlockReasonCreate"),
        BoundIn<decltype(SessionHoldCalls::unblockShutdown)>("user32.dll", "ShutdownBlockReasonDestroy"),
    };
    return calls;
}

SessionHolder::~SessionHolder() { End(); }

void SessionHolder::Begin(HWND window, const wchar_t* reason) {
    window_ = window;
    KeepSystemAwake(true);
    if (SessionHold().blockShutdown) SessionHold().blockShutdown(window_, reason);
}

void SessionHolder::End() {
    if (!window_) return;
    if (SessionHold().unblockShutdown) SessionHold().unblockShutdown(window_);
    KeepSystemAwake(false);
    window_ = nullptr;
}

bool SessionHolder::Answer(const Message& message, LRESULT& result) const {
    if (!window_ || message.id != WM_QUERYENDSESSION) return false;
    result = FALSE;
    return true;
}

BusyDialogScope::BusyDialogScope(HWND dialog, std::initializer_list<int> controls, SessionHolder& session,
                                 const wchar_t* shutdownReason)
    : dialog_(dialog), focus_(GetFocus()), session_(session) {
    session_.Begin(dialog_, shutdownReason);
    for (const int id : controls) {
        const HWND control = GetDlgItem(dialog_, id);
        // EnableWindow answers whether the window was disabled before.
        controls_.push_back({control, EnableWindow(control, FALSE) != FALSE});
    }
}

BusyDialogScope::~BusyDialogScope() {
    for (const HeldControl& held : controls_) EnableWindow(held.control, held.wasDisabled ? FALSE : TRUE);
    // Disabling the control that had the focus took the focus away.
    if (focus_) SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus_), TRUE);
    session_.End();
}

bool AnswerWhileBusy(const Message& message, LRESULT& result) {
    switch (message.id) {
    case WM_SETCURSOR:
        return ShowBusyCursor(message.lParam, result);
    case WM_SYSCOMMAND:
        return IsProgramsSystemCommand(message.wParam);
    // Closing needs no refusal of its own: the close box, Close in the system menu and
    // a close request end up as the Exit button's command, which is dropped.
    case WM_COMMAND:
        return true;
    default:
        return false;
    }
}
