// Runs a dialog of the test program modally on the test's thread while a driver
// thread works it through window messages, the way a user would.
#pragma once

#include <windows.h>

#include <functional>

#include "dialog.h"
#include "window_driver.h"

// Runs dialog.DoModal() here; script runs on a second thread with the dialog's window
// as soon as it exists (before it is shown when the initialisation shows a message).
// Whatever the script leaves open (message boxes, nested dialogs, the dialog itself)
// is then cancelled, so a failed script cannot hang the test. Returns DoModal's result.
INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND dialogWindow)>& script);

// Waits for a message box of this process's dialog thread and returns it.
HWND WaitForMessageBox(DWORD dialogThread, DWORD timeoutMs = uidriver::kDefaultWaitMs);
