// CWinApp: the one application object of a program. The program's entry runs its
// initialisation step; the application name comes from the program file's name.
#pragma once

#include <string>

class CDialog;

class CWinApp {
public:
    // appName: the name captions show; nullptr takes the program file's name
    // without its extension.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by the program's entry. Override to show the program's dialog.
    // Returning false ends the program; true is reserved for programs that run a
    // message loop of their own, which this framework does not provide.
    virtual bool InitInstance() = 0;

    const std::string& appName() const { return appName_; }
    CDialog* mainWindow() const { return mainWindow_; }
    void setMainWindow(CDialog* dialog) { mainWindow_ = dialog; }

    // The application object of this process, or nullptr when there is none.
    static CWinApp* Current();
    // Runs the current application's initialisation; the program's exit code.
    static int RunCurrent();

private:
    std::string appName_;
    CDialog* mainWindow_ = nullptr;
};

// The program file's name without folder and extension ("C:\x\nolvetra.exe" gives "nolvetra").
std::string ProgramFileTitle();

// The name message boxes carry as caption: the application's name, or the program
// file's title in a process without an application object.
std::string ApplicationName();
