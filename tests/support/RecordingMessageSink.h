#pragma once

#include "settings/MessageSink.h"

#include <string>
#include <vector>

namespace portico::test {

struct RecordedMessage {
    std::string text;
    std::string title;
    MessageIcon icon;
    bool operator==(const RecordedMessage&) const = default;
};

// Records every message and installs itself for its lifetime.
class RecordingMessageSink final : public MessageSink {
public:
    RecordingMessageSink() : previous_(installMessageSink(this)) {}
    ~RecordingMessageSink() override { installMessageSink(previous_); }
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }

    std::vector<RecordedMessage> messages;

private:
    MessageSink* previous_;
};

}  // namespace portico::test
