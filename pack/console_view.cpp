#include "console_view.h"

#include "package_files.h"

void ConsoleView::ShowMessage(const std::string& text) {
    findings_.Error(kFirmwareIniName, "nolvetra.exe stops with \"" + text + "\"");
}
