// The framework's dialog behaviour, driven through window messages from a second thread.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "busy_dialog.h"
#include "dialog.h"
#include "file_exception.h"
#include "progress_ctrl.h"
#include "modal_run.h"
#include "probe_ids.h"
#include "win_app.h"
#include "window_driver.h"
#include "worker_wait.h"

using namespace uidriver;

namespace {

constexpr WPARAM kThrowOnRun = 1;

// A dialog with a text, a combo index, a progress bar and a Run button.
class ProbeDlg : public CDialog {
public:
    explicit ProbeDlg(CDialog* parent = nullptr) : CDialog(IDD_PROBE, parent) {}

    std::string text = "first";
    int listIndex = 1;
    CProgressCtrl progress;
    int runs = 0;
    bool throwFileError = false;
    bool throwOnRun = false;
    HWND ownerOfNested = nullptr;
    RECT nestedRect = {};
    RECT ownerRect = {};
    HICON dragIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));

protected:
    bool OnInitDialog() override {
        for (const char* entry : {"zero", "one", "two"}) {
            SendDlgItemMessageA(window(), IDC_PROBE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        }
        CDialog::OnInitDialog();
        if (throwFileError) throw CFileException::FromOsError(ERROR_FILE_NOT_FOUND, "C:\\pkg\\checksum.ini");
        return true;
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.Control(IDC_PROBE_PROGRESS, progress);
        dx.Text(IDC_PROBE_TEXT, text);
        dx.ComboIndex(IDC_PROBE_LIST, listIndex);
    }
    bool OnMessage(const Message& message, LRESULT& result) override;

private:
    static const MessageRoute<ProbeDlg> kRoutes[];

    void OnRun() {
        ++runs;
        if (throwOnRun) throw std::runtime_error("The run broke.");
    }
    bool OnOpenNested(WPARAM, LPARAM) {
        ProbeDlg nested;
        RunModal(nested, [&](HWND nestedWindow) {
            WaitUntil([nestedWindow] { return IsWindowVisible(nestedWindow) != FALSE; });
            GetWindowRect(nestedWindow, &nestedRect);
            GetWindowRect(window(), &ownerRect);
            ownerOfNested = GetWindow(nestedWindow, GW_OWNER);
        });
        return true;
    }
    HICON OnQueryDragIcon() { return dragIcon; }
};

const MessageRoute<ProbeDlg> ProbeDlg::kRoutes[] = {
    CommandEntry<ProbeDlg, &ProbeDlg::OnRun>(IDC_PROBE_RUN, BN_CLICKED),
    MessageEntry<ProbeDlg, &ProbeDlg::OnOpenNested>(WM_APP),
    MessageEntry<ProbeDlg, &ProbeDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
};

bool ProbeDlg::OnMessage(const Message& message, LRESULT& result) {
    return Route(*this, kRoutes, message, result);
}

POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void ExpectCentredOver(const RECT& placed, const RECT& area) {
    EXPECT_NEAR(CentreOf(placed).x, CentreOf(area).x, 1);
    EXPECT_NEAR(CentreOf(placed).y, CentreOf(area).y, 1);
}

RECT WorkArea() {
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool WaitForRuns(const ProbeDlg& dialog, int runs) {
    return WaitUntil([&] { return dialog.runs == runs; });
}

}  // namespace

TEST(DialogRouting, CommandsReachTheirHandlerOnlyWithTheirNotification) {
    ProbeDlg dialog;
    RunModal(dialog, [&](HWND window) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_PROBE_RUN, BN_DOUBLECLICKED), 0);
        ClickButton(window, IDC_PROBE_RUN);
        EXPECT_TRUE(WaitForRuns(dialog, 1));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.dragIcon), SendMessageW(window, WM_QUERYDRAGICON, 0, 0));
        ClickButton(window, IDC_PROBE_RUN);
        EXPECT_TRUE(WaitForRuns(dialog, 2));
    });
    EXPECT_EQ(2, dialog.runs);
}

TEST(DialogRouting, OkSavesTheControlsAndCancelDoesNot) {
    ProbeDlg saved;
    const INT_PTR okResult = RunModal(saved, [](HWND window) {
        EXPECT_EQ("first", ItemText(window, IDC_PROBE_TEXT));
        EXPECT_EQ(1, ComboSelection(GetDlgItem(window, IDC_PROBE_LIST)));
        SetDlgItemTextW(window, IDC_PROBE_TEXT, L"second");
        SendDlgItemMessageW(window, IDC_PROBE_LIST, CB_SETCURSEL, 2, 0);
        ClickButton(window, IDOK);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindow(window); }));
    });
    EXPECT_EQ(IDOK, okResult);
    EXPECT_EQ("second", saved.text);
    EXPECT_EQ(2, saved.listIndex);

    ProbeDlg cancelled;
    const INT_PTR cancelResult = RunModal(cancelled, [](HWND window) {
        SetDlgItemTextW(window, IDC_PROBE_TEXT, L"lost");
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindow(window); }));
    });
    EXPECT_EQ(IDCANCEL, cancelResult);
    EXPECT_EQ("first", cancelled.text);
}

TEST(DialogControls, ProgressBarIsAttachedAndTakesItsRangeTo16Bits) {
    ProbeDlg dialog;
    RunModal(dialog, [&](HWND window) {
        const HWND bar = GetDlgItem(window, IDC_PROBE_PROGRESS);
        EXPECT_EQ(bar, dialog.progress.window());
        dialog.progress.SetRange(0, 65537);
        EXPECT_EQ(1, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        dialog.progress.SetRange(0, 12);
        dialog.progress.SetPos(7);
        EXPECT_EQ(12, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        EXPECT_EQ(7, SendMessageW(bar, PBM_GETPOS, 0, 0));
    });
}

TEST(DialogPlacement, CentredOnTheWorkAreaAndNestedDialogsOverTheirOwner) {
    ProbeDlg dialog;
    RunModal(dialog, [&](HWND window) {
        RECT placed;
        GetWindowRect(window, &placed);
        ExpectCentredOver(placed, WorkArea());
        EXPECT_EQ(GetDlgItem(window, IDC_PROBE_TEXT), FocusOf(window));
        PostMessageW(window, WM_APP, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return dialog.ownerOfNested != nullptr; }));
        EXPECT_EQ(window, dialog.ownerOfNested);
        ExpectCentredOver(dialog.nestedRect, dialog.ownerRect);
    });
    EXPECT_EQ(nullptr, dialog.window());
}

TEST(DialogExceptions, FileErrorInInitialisationShowsTheFileErrorBoxAndLeavesTheDialogUnplaced) {
    ProbeDlg dialog;
    dialog.throwFileError = true;
    const DWORD dialogThread = GetCurrentThreadId();
    RunModal(dialog, [&](HWND window) {
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("C:\\pkg\\checksum.ini was not found.", MessageBoxText(box));
        EXPECT_EQ(ProgramFileTitle(), Text(box));
        EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(32513)), MessageBoxIcon(box));  // IDI_HAND
        Answer(box);
        ASSERT_TRUE(WaitUntil([window] { return IsWindowVisible(window) != FALSE; }));
        RECT placed;
        GetWindowRect(window, &placed);
        EXPECT_EQ(0, placed.left);
        EXPECT_EQ(0, placed.top);
    });
}

TEST(DialogExceptions, ErrorInAHandlerIsReportedAndTheDialogGoesOn) {
    ProbeDlg dialog;
    dialog.throwOnRun = true;
    const DWORD dialogThread = GetCurrentThreadId();
    RunModal(dialog, [&](HWND window) {
        ClickButton(window, IDC_PROBE_RUN);
        const HWND box = WaitForMessageBox(dialogThread);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("The run broke.", MessageBoxText(box));
        Answer(box);
        ASSERT_TRUE(WaitUntil([box] { return !IsWindow(box); }));
        dialog.throwOnRun = false;
        ClickButton(window, IDC_PROBE_RUN);
        EXPECT_TRUE(WaitForRuns(dialog, 2));
    });
}

TEST(Application, NamedAfterTheProgramFileUnlessGivenAName) {
    EXPECT_EQ("framework_tests", ProgramFileTitle());
    EXPECT_EQ("framework_tests", ApplicationName());
    struct NamedApp : CWinApp {
        NamedApp() : CWinApp("Probe") {}
        bool InitInstance() override { return initialised = true, false; }
        bool initialised = false;
    };
    {
        NamedApp app;
        EXPECT_EQ("Probe", ApplicationName());
        EXPECT_EQ(0, CWinApp::RunCurrent());
        EXPECT_TRUE(app.initialised);
    }
    EXPECT_EQ("framework_tests", ApplicationName());
}

// The session calls are the system's own, found under their names: the tests of
// the hold replace them.
TEST(SessionHold, BindsTheSystemsCalls) {
    const SessionHoldCalls& bound = SessionHold();
    const struct {
        void (*call)();
        const char* module;
        const char* name;
    } calls[] = {
        {reinterpret_cast<void (*)()>(bound.setExecutionState), "kernel32.dll", "SetThreadExecutionState"},
        {reinterpret_cast<void (*)()>(bound.blockShutdown), "user32.dll", "ShutdownBlockReasonCreate"},
        {reinterpret_cast<void (*)()>(bound.unblockShutdown), "user32.dll", "ShutdownBlockReasonDestroy"},
    };
    for (const auto& call : calls) {
        EXPECT_NE(nullptr, call.call) << call.name;
        EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(call.module), call.name)), call.call)
            << call.name;
    }
}

// What reaches the waiting thread while the work runs: its input is dropped, a quit
// request and what the work threw are handed on once the wait is over.
TEST(WorkerWait, DropsKeysAndHandsOnAQuitRequestAndWhatTheWorkThrew) {
    const HWND edit = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    const DWORD thread = GetCurrentThreadId();
    EXPECT_EQ(5ul, AwaitWorkWithoutInput([&] {
        PostMessageA(edit, WM_CHAR, 'x', 1);
        PostThreadMessageA(thread, WM_QUIT, 7, 0);
        return 5ul;
    }));
    EXPECT_EQ("", Text(edit));
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, quit.wParam);
    DestroyWindow(edit);

    EXPECT_THROW(AwaitWorkWithoutInput([]() -> unsigned long { throw std::runtime_error("no memory"); }),
                 std::runtime_error);
}
