#include "modal_run.h"

#include <stdexcept>
#include <string>

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

// The driver thread's work. A Windows thread and not std::thread: the 32-bit build
// uses the win32 thread model, whose C++ library has no std::thread.
struct DriverRun {
    CDialog& dialog;
    const std::function<void(HWND)>& script;
    DWORD dialogThread;
};

DWORD WINAPI DriveDialog(void* parameter) {
    const DriverRun& run = *static_cast<const DriverRun*>(parameter);
    uidriver::WaitUntil([&run] { return run.dialog.window() != nullptr; });
    if (const HWND window = run.dialog.window()) run.script(window);
    CancelDialogsOf(run.dialogThread);
    return 0;
}

}  // namespace

INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND)>& script) {
    DriverRun run{dialog, script, GetCurrentThreadId()};
    const HANDLE driver = CreateThread(nullptr, 0, DriveDialog, &run, 0, nullptr);
    if (!driver) throw std::runtime_error("cannot start the driver thread: " + std::to_string(GetLastError()));
    const INT_PTR result = dialog.DoModal();
    WaitForSingleObject(driver, INFINITE);
    CloseHandle(driver);
    return result;
}

HWND WaitForMessageBox(DWORD dialogThread, DWORD timeoutMs) {
    return uidriver::WaitForWindow([dialogThread](HWND w) {
        return uidriver::DialogOfThread(dialogThread)(w) && uidriver::IsMessageBox(w);
    }, timeoutMs);
}
