#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

class QLabel;

namespace portico {

// While the catalogue waits for a lock that another program holds, a small
// note "Waiting for the catalogue…" appears with the hourglass, and the
// windows keep painting (input waits). The note goes once the wait is over.
// One instance a program, created before the catalogue is opened; it hooks
// the catalogue connection's busy observer for its lifetime.
class CatalogueWaitNote final : public QObject {
    Q_OBJECT
public:
    // The note shows when a wait has lasted `showAfter`; shorter waits stay unseen.
    explicit CatalogueWaitNote(std::chrono::milliseconds showAfter = std::chrono::milliseconds(300));
    ~CatalogueWaitNote() override;
    CatalogueWaitNote(const CatalogueWaitNote&) = delete;
    CatalogueWaitNote& operator=(const CatalogueWaitNote&) = delete;

    static constexpr const char* kText = "Waiting for the catalogue\u2026";

    // The note's window (for tests); null until it first shows.
    QLabel* note() const { return note_.get(); }
    // True from the moment a wait is seen until the note has gone again.
    static bool waiting();

private:
    void onBusy();
    void finish();

    std::chrono::milliseconds showAfter_;
    std::chrono::steady_clock::time_point lastCall_;
    std::chrono::steady_clock::time_point waitStart_;
    std::unique_ptr<QLabel> note_;
    QTimer done_;
    bool shown_ = false;
};

}  // namespace portico
