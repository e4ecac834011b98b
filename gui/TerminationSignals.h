#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace portico {

// SIGTERM and SIGHUP (a session that logs out sends them) end the program the
// way its own Quit does, so what Quit saves and removes is saved and removed.
// The handler only writes to a socket pair; the event loop reads it and runs
// the action. One object at a time; a second signal after the action has run
// ends the program at once, as if there were no handler.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void()> action);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void received();
    void restoreHandlers();

    int readEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> action_;
    bool handlersInstalled_ = false;
};

}  // namespace portico
