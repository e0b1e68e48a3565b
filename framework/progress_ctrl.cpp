#include "progress_ctrl.h"

#include <commctrl.h>

void CProgressCtrl::Attach(HWND control) {
    if (!window_) window_ = control;
}

void CProgressCtrl::SetRange(int lower, int upper) {
    SendMessageA(window_, PBM_SETRANGE, 0,
                 MAKELPARAM(static_cast<WORD>(lower), static_cast<WORD>(upper)));
}

void CProgressCtrl::SetPos(int position) {
    SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
