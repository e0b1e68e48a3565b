// RecordingView: an UpdateView that records what the loader or the run asks of the
// dialog, in order, instead of showing it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "update_view.h"

class RecordingView : public UpdateView {
public:
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        events.push_back("message " + text);
    }
    void ShowConfigFields() override { events.push_back("fields"); }
    void SetProgressPos(int position) override {
        positions.push_back(position);
        events.push_back("pos " + std::to_string(position));
        if (onProgress) onProgress(position);
    }
    void StartWatchTimer() override { events.push_back("start timer"); }
    void StopWatchTimer() override { events.push_back("stop timer"); }

    std::vector<std::string> events;    // every call, in order
    std::vector<std::string> messages;  // the message texts only
    std::vector<int> positions;         // the progress positions only
    // Called after each progress position is recorded: lets a test change the
    // target between the copy and the verification.
    std::function<void(int)> onProgress;
};
