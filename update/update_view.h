// UpdateView: what the update run and the compare command need from the dialog that
// holds the configuration, besides what the loader needs (ConfigView). The main dialog
// implements it; tests implement it to watch the run.
#pragma once

#include <functional>
#include <string>

#include "config_view.h"

class UpdateView : public ConfigView {
public:
    // Shows the message that ends a run, as ShowMessage does. The run does no file
    // work after it: what was held for that work can end before the user answers.
    virtual void ShowOutcome(const std::string& text) { ShowMessage(text); }
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
