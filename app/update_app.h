// CUpdateApp: the update program's application object; it shows the main dialog.
#pragma once

#include "win_app.h"

class CUpdateApp : public CWinApp {
public:
    // Shows the main dialog modally; the program ends when it closes.
    bool InitInstance() override;
};
