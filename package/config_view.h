// ConfigView: what the configuration loader needs from whoever shows the package: its
// messages and the fields it has read. The dialog shows both; the package tool turns
// the messages into findings.
#pragma once

#include <string>

class ConfigView {
public:
    virtual ~ConfigView() = default;
    // Shows text in the program's modal message box (OK, exclamation icon) and
    // returns when the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // Copies the configuration's shown fields into the dialog's controls.
    virtual void ShowConfigFields() = 0;
};
