// RecordingView: an UpdateView that records what the loader or the run asks of the
// dialog, in order, instead of showing it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "recording_config_view.h"
#include "update_view.h"

class RecordingView : public ViewRecorder<UpdateView> {
public:
    void SetProgressPos(int position) override {
        positions.push_back(position);
        events.push_back("pos " + std::to_string(position));
        if (onProgress) onProgress(position);
    }
    void StartWatchTimer() override { events.push_back("start timer"); }
    void StopWatchTimer() override { events.push_back("stop timer"); }

    std::vector<int> positions;  // the progress positions only
    // Called after each progress position is recorded: lets a test change the
    // target between the copy and the verification.
    std::function<void(int)> onProgress;
};
