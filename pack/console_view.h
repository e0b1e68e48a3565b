// ConsoleView: the loader's side of the dialog for a console program. A message the
// dialog would show in a message box becomes an error of FirmWare.ini, the file all
// the loader's messages are about; the console has no fields to refresh.
#pragma once

#include "config_view.h"
#include "findings.h"

class ConsoleView : public ConfigView {
public:
    explicit ConsoleView(Findings& findings) : findings_(findings) {}

    void ShowMessage(const std::string& text) override;
    void ShowConfigFields() override {}

private:
    Findings& findings_;
};
