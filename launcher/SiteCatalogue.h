#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace portico {

class clsDBRoutines;
class frmView;

// The launcher's side of a catalogue that is shared by a site: short waits on
// a server, the user's offline copy when the server cannot be reached (with a
// note saying so), trying the server again in the background, picking up what
// administrators change, F5, and holding no server connection while idle.
// Every wait on the network happens on a worker thread except connecting,
// which the short connect timeout bounds.
class SiteCatalogue final : public QObject {
    Q_OBJECT
public:
    struct Timing {
        int connectSeconds = 3;
        int commandSeconds = 10;
        // How often the catalogue is checked for changes, and a lost server tried again.
        std::chrono::milliseconds watch{2000};
        std::chrono::milliseconds retry{10000};
    };
    // The launcher's timing; tests shorten it.
    static Timing& timing();

    explicit SiteCatalogue(clsDBRoutines& database, QObject* parent = nullptr);
    ~SiteCatalogue() override;

    // Before the catalogue is opened.
    void prepare(const std::string& connectionString);
    // Once it is open, before the list is read: where the watch for changes
    // starts, so that a change made while the window comes up is seen.
    void opened();
    // After it was opened: false when there is nothing to show (the one
    // failure has been reported).
    bool usable() const;
    // The main window is up: the note, the watch, F5, the copy.
    void attach(frmView& window);
    // Fills the list again, keeping the search, the current program and the scroll.
    void refresh();
    // Offline: the copy stands in for the server, whether it has not answered
    // yet (starting) or cannot be reached.
    bool offline() const;
    // Started from the user's offline copy and the server has not answered yet.
    bool starting() const { return starting_; }
    // Before a launch: a start from the copy waits for the server's answer
    // (at most the connect timeout), so that the server decides what starts.
    void settle();
    QLabel* note() const { return note_; }

private:
    void tick();
    void startProbe();
    void saveCopy();
    void showState();
    std::vector<std::int64_t> visibleKeys();
    // The server answered (or not) while the copy stood in: moves to the
    // server; true when the list is to be read again.
    bool comeBack(const std::optional<std::int64_t>& count);

    clsDBRoutines& database_;
    std::string connectionString_;
    bool server_ = false;
    frmView* window_ = nullptr;
    QLabel* note_ = nullptr;
    // The catalogue's change count as a worker thread read it; nothing when unreachable.
    std::future<std::optional<std::int64_t>> probe_;
    std::chrono::steady_clock::time_point probedAt_{};
    std::optional<std::int64_t> seen_;
    bool starting_ = false;
    std::future<void> saving_;
};

}  // namespace portico
