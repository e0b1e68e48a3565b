// A dialog while its thread waits for work that must not be cut (worker_wait.h):
// the user can still move, minimise and restore it, but it takes no command, does
// not close, shows work going on in the background, keeps an idle PC from going to
// sleep and refuses the end of the Windows session.
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

// Held on the dialog's thread for as long as the work lasts. The controls named are
// disabled meanwhile and then given back the state they had, the focus too.
class BusyDialogScope {
public:
    // shutdownReason: the short text Windows shows for the dialog when the user ends
    // the session meanwhile (Vista and later).
    BusyDialogScope(HWND dialog, std::initializer_list<int> controls, const wchar_t* shutdownReason);
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
};

// Answers a message that reaches a busy dialog: the end of the session is refused,
// the cursor shows work going on, commands (closing included) and the program's own
// system menu entries are dropped. False for every other message, which is routed
// as usual: the system's window commands (move, minimise, restore) stay.
bool AnswerWhileBusy(const Message& message, LRESULT& result);
