// CDialog: a modal dialog created from a template resource of the program, with its
// message routing, data exchange, default OK/Cancel handling, centring and the
// reporting of exceptions that escape its initialisation or a handler.
#pragma once

#include <windows.h>

#include "data_exchange.h"
#include "message_route.h"

class CDialog {
public:
    // parent: the owner; nullptr makes the dialog running on this thread (or else
    // the application's main window) the owner when the dialog opens.
    explicit CDialog(int templateId, CDialog* parent = nullptr);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog and runs its modal loop; returns the code it was ended with,
    // or -1 when it could not be created.
    INT_PTR DoModal();
    // The dialog's window while it runs, nullptr otherwise.
    HWND window() const { return window_; }
    void EndDialog(int result);
    // One data exchange: save = true copies controls into members, false the reverse.
    void UpdateData(bool save);

protected:
    // Called on WM_INITDIALOG. The base exchanges data into the controls. Return
    // true to let the system put the focus on the first tab stop.
    virtual bool OnInitDialog();
    // Lists the dialog's bindings between members and controls.
    virtual void DoDataExchange(DataExchange&) {}
    // Routes one message; false leaves it to the defaults. Override with Route().
    virtual bool OnMessage(const Message&, LRESULT&) { return false; }
    // Enter without a focused push button. The base saves data and ends with IDOK.
    virtual void OnOK();
    // Esc, the close box and the IDCANCEL button. The base ends with IDCANCEL.
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleInitDialog();
    INT_PTR HandleMessage(const Message& message);
    bool Dispatch(const Message& message, LRESULT& result);
    bool RouteOkCancel(const Message& message);
    HWND ResolveOwner() const;

    int templateId_;
    CDialog* parent_;
    HWND window_ = nullptr;
    CDialog* enclosing_ = nullptr;  // the dialog that ran on this thread when this one opened
};
