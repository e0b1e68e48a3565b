// A dialog while its thread waits for work that must not be cut (worker_wait.h):
// the user can still move, minimise and restore it, but it takes no command, does
// not close and shows work going on in the background; and while the work changes
// things, an idle PC is kept from going to sleep and the end of the Windows session
// is refused.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "message_route.h"

// The system's calls that hold the session, bound at run time: Windows 95 has no
// SetThreadExecutionState and Windows before Vista no ShutdownBlockReason*, and one
// unresolved import would keep the program from starting there. Null where the
// system lacks one: that part of the hold is left out. Tests replace them to see
// what is asked, since Wine blocks no shutdown.
struct SessionHoldCalls {
    EXECUTION_STATE(WINAPI* setExecutionState)(EXECUTION_STATE);
    BOOL(WINAPI* blockShutdown)(HWND, LPCWSTR);
    BOOL(WINAPI* unblockShutdown)(HWND);
};
SessionHoldCalls& SessionHold();

// Holds the session on a window's behalf, from Begin to End: the PC stays awake and
// the end of the session is refused. Ended when destroyed.
class SessionHolder {
public:
    SessionHolder() = default;
    ~SessionHolder();
    SessionHolder(const SessionHolder&) = delete;
    SessionHolder& operator=(const SessionHolder&) = delete;

    // reason: the short text Windows shows for the window when the user ends the
    // session meanwhile (Vista and later).
    void Begin(HWND window, const wchar_t* reason);
    // Nothing when the session is not held.
    void End();

    // Refuses the end of the session while it is held; false for every other message
    // and when not held.
    bool Answer(const Message& message, LRESULT& result) const;

private:
    HWND window_ = nullptr;  // null while not held
};

// Held on the dialog's thread for as long as the work lasts. The controls named are
// disabled meanwhile and then given back the state they had, the focus too. The
// session is held from the start; the work may end the hold sooner (SessionHolder::End)
// when what is left of it changes nothing, and the scope ends it at the latest.
class BusyDialogScope {
public:
    BusyDialogScope(HWND dialog, std::initializer_list<int> controls, SessionHolder& session,
                    const wchar_t* shutdownReason);
    ~BusyDialogScope();
    BusyDialogScope(const BusyDialogScope&) = delete;
    BusyDialogScope& operator=(const BusyDialogScope&) = delete;

private:
    struct HeldControl {
        HWND control;
        bool wasDisabled;
    };

    HWND dialog_;
    HWND focus_;
    std::vector<HeldControl> controls_;
    SessionHolder& session_;
};

// Answers a message that reaches a busy dialog: the cursor shows work going on,
// commands (closing included) and the program's own system menu entries are dropped.
// False for every other message, which is routed as usual: the system's window
// commands (move, minimise, restore) stay. The end of the session is the
// SessionHolder's to answer.
bool AnswerWhileBusy(const Message& message, LRESULT& result);
