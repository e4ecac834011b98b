#include "gui/TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace portico {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};
int writeEnd = -1;
struct sigaction previous[2];

void onSignal(int number) {
    const int saved = errno;
    const char byte = static_cast<char>(number);
    // Non-blocking: a full socket already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> action) : action_(std::move(action)) {
    if (writeEnd >= 0) throw std::logic_error("termination signals are already handled");
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        throw std::runtime_error("no socket pair for the termination signals");
    readEnd_ = ends[0];
    writeEnd = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { received(); });

    struct sigaction handler {};
    handler.sa_handler = onSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &handler, &previous[i]);
    handlersInstalled_ = true;
}

TerminationSignals::~TerminationSignals() {
    restoreHandlers();
    notifier_.reset();
    ::close(readEnd_);
    ::close(writeEnd);
    writeEnd = -1;
}

void TerminationSignals::restoreHandlers() {
    if (!handlersInstalled_) return;
    for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
    handlersInstalled_ = false;
}

void TerminationSignals::received() {
    char bytes[16];
    while (::read(readEnd_, bytes, sizeof bytes) > 0) {
    }
    if (!handlersInstalled_) return;
    // A program that does not end on the first signal must still end on the next.
    restoreHandlers();
    if (action_) action_();
}

}  // namespace portico
