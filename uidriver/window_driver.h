// Working a program's windows from outside through ordinary window messages, as a
// person at the keyboard would: finding dialogs and message boxes, reading their
// controls, pressing buttons and choosing entries. Used by the dialog tests (from a
// second thread) and by the demo driver (from a second process). Texts are read
// with the wide messages, which also work across processes, and narrowed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uidriver {

constexpr DWORD kDefaultWaitMs = 15000;  // how long a wait for a window lasts at most

using WindowFilter = std::function<bool(HWND)>;

// The first top-level window that matches, polled until timeoutMs; nullptr if none came.
HWND WaitForWindow(const WindowFilter& match, DWORD timeoutMs = kDefaultWaitMs);
// Polls condition until it holds or timeoutMs passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultWaitMs);

// Filters: a dialog-class window (#32770) of one thread or one process.
bool IsDialogWindow(HWND window);
WindowFilter DialogOfThread(DWORD threadId);
WindowFilter DialogOfProcess(DWORD processId);
// A message box: a dialog with the message static (id 0xFFFF).
bool IsMessageBox(HWND window);
// A dialog without an owner: the program's main dialog.
bool IsUnowned(HWND window);

// The control that has the keyboard focus in the thread of window.
HWND FocusOf(HWND window);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int controlId);
std::string MessageBoxText(HWND box);
// The icon a message box shows (its icon static), nullptr for none.
HICON MessageBoxIcon(HWND box);

std::vector<std::string> ComboEntries(HWND combo);
int ComboSelection(HWND combo);
// The index of the combo box's entry with this text, -1 when there is none.
int ComboEntryIndex(HWND combo, const std::string& entry);

// Sends the notification a click on a push button sends to its dialog.
void ClickButton(HWND dialog, int controlId);
// Selects entry index of a combo box as the user does: the selection, then CBN_SELCHANGE.
void ChooseComboEntry(HWND dialog, int controlId, int index);
// Presses Enter on a control of a dialog: focus it, then the key goes through the dialog's loop.
void PressEnterOn(HWND dialog, int controlId);
// Presses OK of a message box (or the default button of any dialog).
void Answer(HWND box);

// Writes what the screen shows of window (frame included) as a 24-bit BMP file.
bool SaveWindowImage(HWND window, const std::string& bmpPath);

}  // namespace uidriver
