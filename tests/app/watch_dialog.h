// WatchDialog: the dialog's watch against the scripted detector.dll that lies beside
// the test program: each test writes what the detector answers, the dialog runs as the
// user meets it, and a firmware run shows which folder the watch made the target. The
// watch's tests and the camera fault cases share it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "main_dialog.h"
#include "modal_run.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "window_driver.h"

constexpr DWORD kTickWaitMs = 3000;   // a tick is due every second; allow for a slow start
constexpr DWORD kNextMessageWaitMs = 2000;  // a run's next message follows the answer at once
const char kCameraFolder[] = "G:\\DCIM";
const char kFirmwareA[] = "firmware A \x01\x02\xff";
const char kFirmwareB[] = "firmware B";
const char kChecksumLines[] = "4e0\r\n3bf\r\n";  // the byte sums of the two files

struct ScriptedRecord {
    int driveIndex;
    unsigned vid;
    unsigned pid;
};

class WatchDialog : public ::testing::Test {
protected:
    WatchDialog() : here_(package.path()) {
        package.write("FirmWare.ini",
                      "[PID_VID]\r\nPID_VID=USB\\VID_0ABC&PID_1D2E\r\n"
                      "[setting]\r\nproductname=VX5207\r\nfwver=V2.03\r\nfilenum=2\r\n0=A.BIN\r\n1=B.BIN\r\n");
        package.write("checksum.ini", kChecksumLines);
        package.write("A.BIN", kFirmwareA);
        package.write("B.BIN", kFirmwareB);
        Script({});
        RemoveFolderTree(kCameraFolder);
    }
    ~WatchDialog() override {
        Script({});
        RemoveFolderTree(kCameraFolder);
    }

    static void Script(const std::vector<ScriptedRecord>& records) {
        std::ofstream script(ProgramFolder() + "\\scripted-detector.txt", std::ios::trunc);
        for (const ScriptedRecord& r : records)
            script << std::dec << r.driveIndex << ' ' << std::hex << r.vid << ' ' << r.pid << '\n';
    }
    // The detector rewrites the count on every call: a read that finds the file
    // empty fell between its truncation and the write, and is taken again.
    static long Calls() {
        long count = 0;
        uidriver::WaitUntil([&count] {
            std::ifstream calls(ProgramFolder() + "\\scripted-detector.calls");
            return !calls || static_cast<bool>(calls >> count);
        });
        return count;
    }

    static HWND Combo(HWND window) { return GetDlgItem(window, IDC_TARGET_DISK); }
    static bool Locked(HWND window) { return IsWindowEnabled(Combo(window)) == FALSE; }
    static bool WaitLocked(HWND window, bool locked) {
        return uidriver::WaitUntil([&] { return Locked(window) == locked; }, kTickWaitMs);
    }
    // Whether state stays away until the watch has begun two more ticks, so that at
    // least one whole tick ran.
    static bool NeverWithinTwoTicks(const std::function<bool()>& state) {
        const long calls = Calls();
        bool seen = false;
        uidriver::WaitUntil([&] {
            seen = seen || state();
            return seen || Calls() >= calls + 2;
        }, 2 * kTickWaitMs);
        return !seen && Calls() >= calls + 2;
    }

    // Presses Start and answers every message of the run; returns their texts and
    // keeps, for each, whether the dialog refused the end of the session while it
    // was up.
    std::vector<std::string> RunMessages(HWND window) {
        std::vector<std::string> texts;
        sessionEndRefused.clear();
        uidriver::ClickButton(window, IDC_START);
        while (const HWND box = WaitForMessageBox(dialogThread, texts.empty() ? uidriver::kDefaultWaitMs : kNextMessageWaitMs)) {
            texts.push_back(uidriver::MessageBoxText(box));
            sessionEndRefused.push_back(SendMessageW(window, WM_QUERYENDSESSION, 0, 0) == FALSE);
            uidriver::Answer(box);
            uidriver::WaitUntil([box] { return !IsWindow(box); });
        }
        return texts;
    }
    // Presses Start and answers the run's messages; returns the one text of a run
    // that showed exactly one.
    std::string StartRun(HWND window) {
        const std::vector<std::string> texts = RunMessages(window);
        return texts.size() == 1 ? texts[0] : "<" + std::to_string(texts.size()) + " messages>";
    }
    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    bool HoldsThePackage(const std::string& folder) const {
        return Contents(folder + "\\A.BIN") == firmwareA && Contents(folder + "\\B.BIN") == firmwareB;
    }

    std::string firmwareA = kFirmwareA;
    std::string firmwareB = kFirmwareB;
    std::vector<bool> sessionEndRefused;  // for each message of the last run

    ScratchFolder package;
    CurrentDirectoryScope here_;
    CUpdateDlg dialog;
    const DWORD dialogThread = GetCurrentThreadId();
};
