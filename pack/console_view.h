// ConsoleView: the loader's side of the dialog for a console program. A message the
// dialog would show in a message box becomes an error of FirmWare.ini, the file all
// the loader's messages are about; the console has no fields to refresh.
#pragma once

#include "findings.h"
#include "update_view.h"

class ConsoleView : public UpdateView {
public:
    explicit ConsoleView(Findings& findings) : findings_(findings) {}

    void ShowMessage(const std::string& text) override;
    void ShowConfigFields() override {}
    // The loader starts no run: there is no progress bar and no watch timer here.
    void SetProgressPos(int) override {}
    void StartWatchTimer() override {}
    void StopWatchTimer() override {}

private:
    Findings& findings_;
};
