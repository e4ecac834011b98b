#pragma once

#include <string>

namespace portico {

enum class MessageIcon { Critical, Question, Exclamation, Information };

// Where the Qt-free libraries (settings, database) send the messages they would
// otherwise show in a message box. A program installs one that shows real
// message boxes; tests install a recorder; without one, messages go to stderr.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

// The sink in use. Never null.
MessageSink& messageSink();

// Installs a sink (not owned; it must outlive its installation) and returns the
// previous one. Passing nullptr restores the stderr sink.
MessageSink* installMessageSink(MessageSink* sink);

// Installs a sink for the lifetime of the guard.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink& sink) : previous_(installMessageSink(&sink)) {}
    ~ScopedMessageSink() { installMessageSink(previous_); }
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};

const char* messageIconName(MessageIcon icon);

}  // namespace portico
