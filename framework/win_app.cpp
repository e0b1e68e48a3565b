#include "win_app.h"

#include <windows.h>

namespace {

CWinApp* currentApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* appName) : appName_(appName ? appName : ProgramFileTitle()) {
    currentApp = this;
}

CWinApp::~CWinApp() {
    if (currentApp == this) currentApp = nullptr;
}

CWinApp* CWinApp::Current() { return currentApp; }

int CWinApp::RunCurrent() {
    if (currentApp) currentApp->InitInstance();
    return 0;
}

std::string ProgramFileTitle() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const std::string::size_type slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string ApplicationName() {
    return currentApp ? currentApp->appName() : ProgramFileTitle();
}
