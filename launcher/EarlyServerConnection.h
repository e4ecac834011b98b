#pragma once

#include <memory>
#include <string>

namespace portico {

// The launcher's first connection to a catalogue server, begun on another
// thread while the toolkit and the display come up: loading libpq and the
// server's start of a session take about as long as the window does. The
// first connection the program opens to the same connection string takes it
// over, and a server that refused or did not answer fails that opening just
// as connecting there would have. Nothing is begun for a catalogue file, for
// settings the program will refuse, nor when the user has an offline copy of
// the server's catalogue, which the window then comes from.
class EarlyServerConnection final {
public:
    EarlyServerConnection(const std::string& settingsFile, int connectSeconds, int commandSeconds);
    // An unused connection is closed; one still connecting is waited for
    // (at most the connect timeout).
    ~EarlyServerConnection();
    EarlyServerConnection(const EarlyServerConnection&) = delete;
    EarlyServerConnection& operator=(const EarlyServerConnection&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace portico
