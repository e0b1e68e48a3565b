// ViewRecorder: a view that records what the loader asks of the dialog, in order,
// instead of showing it. View is the interface recorded; a wider one than ConfigView
// has its other calls recorded by a subclass, into the same events.
#pragma once

#include <string>
#include <vector>

#include "config_view.h"

template <typename View>
class ViewRecorder : public View {
public:
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        events.push_back("message " + text);
    }
    void ShowConfigFields() override { events.push_back("fields"); }

    std::vector<std::string> events;    // every call, in order
    std::vector<std::string> messages;  // the message texts only
};

using RecordingConfigView = ViewRecorder<ConfigView>;
