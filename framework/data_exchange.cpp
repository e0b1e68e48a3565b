#include "data_exchange.h"

#include "progress_ctrl.h"

void DataExchange::Control(int controlId, CProgressCtrl& control) {
    control.Attach(item(controlId));
}

void DataExchange::Text(int controlId, std::string& value) {
    const HWND control = item(controlId);
    if (!saving_) {
        SetWindowTextA(control, value.c_str());
        return;
    }
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    value = text;
}

void DataExchange::ComboIndex(int controlId, int& index) {
    const HWND control = item(controlId);
    if (saving_) {
        index = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}
