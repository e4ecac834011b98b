#include "launcher/SiteCatalogue.h"

#include "database/AdoErrors.h"
#include "database/CatalogueFile.h"
#include "database/CatalogueSession.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/CatalogueWaitNote.h"
#include "launcher/frmView.h"
#include "offline/OfflineCopy.h"
#include "settings/PorticoError.h"
#include "settings/ServerConnectionString.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include <filesystem>
#include <utility>
#include <vector>

namespace portico {
namespace {

// The SQLite file change counter, moved by every committed change: read
// without opening the catalogue.
std::optional<std::int64_t> fileChangeCount(const std::string& file) {
    if (const auto counter = CatalogueFile::headerField(file, 24)) return *counter;
    return std::nullopt;
}

// Connects for one small read and lets go: the server's change counter, 0 on
// a catalogue made before it had one; nothing when the server does not answer.
std::optional<std::int64_t> serverChangeCount(const std::string& connectionString, int connectSeconds,
                                              int commandSeconds) {
    try {
        Connection connection;
        connection.setConnectionTimeout(connectSeconds);
        connection.setCommandTimeout(commandSeconds);
        connection.setConnectionString(connectionString);
        connection.Open();
        try {
            const auto rows = connection.engine(ado::kConnectionSource)
                                  .run("SELECT counter FROM portico_changes WHERE id = 1", {})
                                  .rows;
            return rows.empty() ? 0 : rows.front().front().toInt64();
        } catch (const PorticoError&) {
            return 0;
        }
    } catch (const PorticoError&) {
        return std::nullopt;
    }
}

}  // namespace

SiteCatalogue::Timing& SiteCatalogue::timing() {
    static Timing shared;
    return shared;
}

SiteCatalogue::SiteCatalogue(clsDBRoutines& database, QObject* parent) : QObject(parent), database_(database) {}

SiteCatalogue::~SiteCatalogue() {
    if (probe_.valid()) probe_.wait();
    if (saving_.valid()) saving_.wait();
}

void SiteCatalogue::prepare(const std::string& connectionString) {
    connectionString_ = connectionString;
    server_ = isServerConnectionString(connectionString);
    if (!server_) {
        // Read before the list is, so that a change made while the window comes
        // up is seen by the first watch rather than taken as where it started.
        seen_ = fileChangeCount(connectionString);
        return;
    }
    CatalogueSession& session = database_.session();
    session.setTimeouts(timing().connectSeconds, timing().commandSeconds);
    session.setRetryInterval(timing().retry);
    // Also when there is none yet: the copy written after this start serves a server lost later.
    const std::filesystem::path copy = OfflineCopy::fileFor(connectionString);
    session.setOfflineCopy(copy.string());
    // With a copy, the window comes from it at once, as from a file, and the
    // server is asked once the window is up.
    session.setStartFromCopy(OfflineCopy::writtenAt(copy).has_value());
}

void SiteCatalogue::opened() {
    if (server_ && offline() && !database_.session().connectionFailed()) {
        starting_ = true;
        seen_ = OfflineCopy::changeCount(OfflineCopy::fileFor(connectionString_));
        return;
    }
    if (!server_ || offline() || database_.session().connectionFailed()) return;
    try {
        auto counter = database_.session().openQuery("SELECT counter FROM portico_changes WHERE id = 1", {});
        seen_ = counter->IsEOF() ? 0 : counter->Fields("counter").Value().toInt64();
    } catch (const PorticoError&) {
        // A catalogue made before it had a counter: the first watch sets where it starts.
    }
}

bool SiteCatalogue::usable() const { return !database_.session().connectionFailed() || offline(); }

bool SiteCatalogue::offline() const { return database_.session().offline(); }

void SiteCatalogue::attach(frmView& window) {
    window_ = &window;
    note_ = new QLabel(window.sbar);
    note_->setObjectName("offlineNote");
    window.sbar->addWidget(note_);
    auto* refreshKey = new QShortcut(QKeySequence(Qt::Key_F5), &window);
    connect(refreshKey, &QShortcut::activated, this, [this] {
        if (offline()) database_.session().reconnect();
        refresh();
    });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(static_cast<int>(timing().watch.count()));
    if (starting_) {
        // The server's first answer is taken as soon as it comes.
        auto* answer = new QTimer(this);
        connect(answer, &QTimer::timeout, this, [this, answer] {
            tick();
            if (!starting_) answer->deleteLater();
        });
        answer->start(20);
    }
    showState();
    // The copy reads the whole catalogue from the server again: not while the
    // window is still coming up, where it would take cores and the server from
    // the first paint.
    if (server_ && !offline())
        QTimer::singleShot(timing().watch, this, [this] {
            if (!offline()) saveCopy();
        });
    // A server that just refused is tried again after the retry interval, not
    // at once; a known starting point is checked at the first interval, leaving
    // the server and the cores to the first paint. A start from the copy asks
    // the server at once.
    if (!starting_ && (offline() || seen_)) probedAt_ = std::chrono::steady_clock::now();
    tick();
}

void SiteCatalogue::showState() {
    if (!note_) return;
    const auto written = OfflineCopy::writtenAt(OfflineCopy::fileFor(connectionString_));
    note_->setText(offline() && written ? QString::fromStdString(OfflineCopy::note(*written)) : QString());
    note_->setVisible(offline() && !starting_);
}

std::vector<std::int64_t> SiteCatalogue::visibleKeys() {
    std::vector<std::int64_t> keys;
    if (auto names = database_.loadProgramNames()) {
        for (; !names->IsEOF(); names->MoveNext()) keys.push_back(names->Fields("Program_Key").Value().toInt64());
    }
    return keys;
}

void SiteCatalogue::settle() {
    if (!starting_ || !window_) return;
    if (!probe_.valid()) startProbe();
    // The list is read again once the launch is over, not under its feet.
    if (comeBack(probe_.get())) {
        QTimer::singleShot(0, this, [this] {
            refresh();
            saveCopy();
        });
    }
    showState();
}

bool SiteCatalogue::comeBack(const std::optional<std::int64_t>& count) {
    const bool starting = std::exchange(starting_, false);
    if (!count) return false;
    // A start from the copy keeps the list it showed when the server has the
    // same catalogue and shows this user the same programs.
    const std::vector<std::int64_t> shown = starting ? visibleKeys() : std::vector<std::int64_t>();
    if (!database_.session().reconnect()) return false;
    const bool same = starting && seen_ && *seen_ == *count && visibleKeys() == shown;
    seen_ = count;
    // The note of a later outage gives the time the copy was last found current.
    std::error_code ignored;
    if (same)
        std::filesystem::last_write_time(OfflineCopy::fileFor(connectionString_),
                                         std::filesystem::file_time_type::clock::now(), ignored);
    return !same;
}

void SiteCatalogue::refresh() {
    if (!window_) return;
    ucProgramView& view = *window_->ucProgramView1;
    const int scroll = view.lstView->verticalScrollBar()->value();
    const QString search = view.txtSearch ? view.txtSearch->text() : QString();
    view.refreshView();
    if (view.txtSearch && view.txtSearch->text() != search) view.txtSearch->setText(search);
    view.lstView->verticalScrollBar()->setValue(scroll);
    showState();
}

void SiteCatalogue::startProbe() {
    probedAt_ = std::chrono::steady_clock::now();
    const Timing times = timing();
    if (server_) {
        probe_ = std::async(std::launch::async, [text = connectionString_, times] {
            return serverChangeCount(text, times.connectSeconds, times.commandSeconds);
        });
    } else {
        probe_ = std::async(std::launch::async, [file = connectionString_] { return fileChangeCount(file); });
    }
}

void SiteCatalogue::tick() {
    // Nothing is done inside another wait or a message box: the connection may be in use below.
    if (CatalogueWaitNote::waiting() || QApplication::activeModalWidget()) return;
    CatalogueSession& session = database_.session();
    // F5 may have moved to the server first.
    if (!offline()) starting_ = false;
    if (probe_.valid() && probe_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        const std::optional<std::int64_t> count = probe_.get();
        if (offline()) {
            if (comeBack(count)) {
                refresh();
                saveCopy();
            }
        } else if (count) {
            if (seen_ && *seen_ != *count) {
                refresh();
                if (server_) saveCopy();
            }
            seen_ = count;
        }
    }
    showState();
    if (server_) session.release();
    const auto interval = offline() ? timing().retry : timing().watch;
    if (!probe_.valid() && std::chrono::steady_clock::now() - probedAt_ >= interval) startProbe();
}

void SiteCatalogue::saveCopy() {
    if (saving_.valid() && saving_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    // What this user was shown: the data layer's list, as the window loaded it.
    std::vector<std::int64_t> keys = visibleKeys();
    database_.session().release();
    saving_ = std::async(std::launch::async, [text = connectionString_, keys = std::move(keys)] {
        try {
            OfflineCopy::save(text, keys, OfflineCopy::fileFor(text));
        } catch (...) {
            // The old copy stays; the next refresh writes it again.
        }
    });
}

}  // namespace portico
