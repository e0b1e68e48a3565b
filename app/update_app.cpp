#include "update_app.h"

#include <windows.h>

#include "main_dialog.h"
#include "system_library.h"

// The one application object; named by the program file.
CUpdateApp theApp;

// The dialog needs no ActiveX hosting (its templates hold no such control) and no
// 3-D control drawing of its own (the system draws controls in 3-D); the framework
// registers the common control classes before the first dialog opens. There is no
// help file, so the application routes no Help command either.
bool CUpdateApp::InitInstance() {
    CUpdateDlg dialog;
    setMainWindow(&dialog);
    dialog.DoModal();
    setMainWindow(nullptr);
    return false;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystemFolder();
    return CWinApp::RunCurrent();
}
