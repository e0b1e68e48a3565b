#include "modal_run.h"

#include <thread>

#include "window_driver.h"

namespace {

constexpr DWORD kCloseWaitMs = 5000;

// Cancels the dialog thread's windows, owned ones (boxes, nested dialogs) first, until none is left.
void CancelDialogsOf(DWORD threadId) {
    uidriver::WaitUntil([threadId] {
        const uidriver::WindowFilter ofThread = uidriver::DialogOfThread(threadId);
        HWND open = uidriver::WaitForWindow([&](HWND w) { return ofThread(w) && !uidriver::IsUnowned(w); }, 0);
        if (!open) open = uidriver::WaitForWindow(ofThread, 0);
        if (!open) return true;
        PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return false;
    }, kCloseWaitMs);
}

}  // namespace

INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND)>& script) {
    const DWORD dialogThread = GetCurrentThreadId();
    std::thread driver([&] {
        uidriver::WaitUntil([&dialog] { return dialog.window() != nullptr; });
        if (const HWND window = dialog.window()) script(window);
        CancelDialogsOf(dialogThread);
    });
    const INT_PTR result = dialog.DoModal();
    driver.join();
    return result;
}

HWND WaitForMessageBox(DWORD dialogThread, DWORD timeoutMs) {
    return uidriver::WaitForWindow([dialogThread](HWND w) {
        return uidriver::DialogOfThread(dialogThread)(w) && uidriver::IsMessageBox(w);
    }, timeoutMs);
}
