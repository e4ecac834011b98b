#include "settings/MessageSink.h"

#include <iostream>

namespace portico {
namespace {

class StderrMessageSink final : public MessageSink {
public:
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        std::cerr << "[" << messageIconName(icon) << "] " << title << ": " << text << '\n';
    }
};

StderrMessageSink stderrSink;
MessageSink* installedSink = &stderrSink;

}  // namespace

MessageSink& messageSink() { return *installedSink; }

MessageSink* installMessageSink(MessageSink* sink) {
    MessageSink* previous = installedSink;
    installedSink = sink ? sink : &stderrSink;
    return previous == &stderrSink ? nullptr : previous;
}

const char* messageIconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical: return "critical";
    case MessageIcon::Question: return "question";
    case MessageIcon::Exclamation: return "exclamation";
    case MessageIcon::Information: return "information";
    }
    return "unknown";
}

}  // namespace portico
