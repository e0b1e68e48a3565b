// UpdateView: what the configuration loader, the update run and the compare command
// need from the dialog that holds the configuration. The main dialog implements it;
// tests implement it to watch the run.
#pragma once

#include <functional>
#include <string>

class UpdateView {
public:
    virtual ~UpdateView() = default;
    // Shows text in the program's modal message box (OK, exclamation icon) and
    // returns when the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // Copies the configuration's shown fields into the dialog's controls.
    virtual void ShowConfigFields() = 0;
    // Sets the progress bar's position.
    virtual void SetProgressPos(int position) = 0;
    // Starts the device watch timer (identifier 1, 1000 ms) and keeps its id.
    virtual void StartWatchTimer() = 0;
    // Stops the device watch timer.
    virtual void StopWatchTimer() = 0;
    // Runs work, a file operation on the target that may take long, to its end and
    // returns its result (0 or a system error code). The dialog keeps answering
    // meanwhile, taking no input.
    virtual unsigned long AwaitFileWork(const std::function<unsigned long()>& work) { return work(); }
};
