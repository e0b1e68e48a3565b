#include "window_centring.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT WorkArea() {
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT CentringArea(HWND dialog) {
    const HWND owner = GetWindow(dialog, GW_OWNER);
    RECT area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &area)) return area;
    return WorkArea();
}

// Keeps start within [low, high - size] where the range allows it.
LONG Clamp(LONG start, LONG size, LONG low, LONG high) {
    if (start + size > high) start = high - size;
    return start < low ? low : start;
}

}  // namespace

void CentreUnplacedDialog(HWND dialog, const RECT& placed) {
    if (GetWindowLongA(dialog, GWL_STYLE) & (DS_CENTER | DS_ABSALIGN)) return;
    RECT now;
    GetWindowRect(dialog, &now);
    if (!SameRect(now, placed)) return;
    const RECT area = CentringArea(dialog);
    const RECT work = WorkArea();
    const LONG width = now.right - now.left;
    const LONG height = now.bottom - now.top;
    const LONG left = Clamp((area.left + area.right - width) / 2, width, work.left, work.right);
    const LONG top = Clamp((area.top + area.bottom - height) / 2, height, work.top, work.bottom);
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
