#include "update_app.h"

#include <windows.h>

#include "main_dialog.h"

// The one application object; named by the program file.
CUpdateApp theApp;

bool CUpdateApp::InitInstance() {
    CUpdateDlg dialog;
    setMainWindow(&dialog);
    dialog.DoModal();
    setMainWindow(nullptr);
    return false;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return CWinApp::RunCurrent(); }
