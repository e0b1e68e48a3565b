// CAboutDlg: the About box opened from the main dialog's system menu.
#pragma once

#include "dialog.h"

class CAboutDlg : public CDialog {
public:
    // No parent: the main dialog running on this thread becomes its owner.
    CAboutDlg();
};
