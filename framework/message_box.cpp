#include "message_box.h"

#include "win_app.h"

int ShowMessageBox(HWND owner, const std::string& text, UINT type) {
    return MessageBoxA(owner, text.c_str(), ApplicationName().c_str(), type);
}
