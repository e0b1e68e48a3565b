// CProgressCtrl: a progress bar control of a dialog, attached by data exchange.
#pragma once

#include <windows.h>

class CProgressCtrl {
public:
    bool attached() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    // Binds the object to the control; later calls keep the first binding.
    void Attach(HWND control);

    // Sets the range; both bounds are taken to 16 bits, as the control keeps them.
    void SetRange(int lower, int upper);
    void SetPos(int position);

private:
    HWND window_ = nullptr;
};
