// DataExchange: copies values between a dialog's members and its controls, in the
// direction the exchange was made for. A dialog's DoDataExchange lists its bindings:
//
//   void CMyDlg::DoDataExchange(DataExchange& dx) {
//       dx.Control(IDC_PROGRESS, progress);
//       dx.Text(IDC_NAME, name);
//       dx.ComboIndex(IDC_LIST, listIndex);
//   }
//
// No binding validates, so an exchange never fails.
#pragma once

#include <windows.h>

#include <string>

class CProgressCtrl;

class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    // True when controls are copied into members, false when members go into controls.
    bool saving() const { return saving_; }

    // Attaches control to the dialog's control controlId, once.
    void Control(int controlId, CProgressCtrl& control);
    // The control's window text.
    void Text(int controlId, std::string& value);
    // A combo box's selected index (-1 for none).
    void ComboIndex(int controlId, int& index);

private:
    HWND item(int controlId) const { return GetDlgItem(dialog_, controlId); }

    HWND dialog_;
    bool saving_;
};
