#include "gui/CatalogueWaitNote.h"

#include "database/Connection.h"
#include "gui/DialogService.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>

#include <atomic>

namespace portico {
namespace {

std::atomic<bool> waitingNow{false};

// The observer is called every few dozen milliseconds while a wait lasts, so a
// gap longer than this starts a new wait.
constexpr std::chrono::milliseconds kSameWait{250};

}  // namespace

CatalogueWaitNote::CatalogueWaitNote(std::chrono::milliseconds showAfter) : showAfter_(showAfter) {
    done_.setSingleShot(true);
    done_.setInterval(kSameWait);
    connect(&done_, &QTimer::timeout, this, [this] { finish(); });
    Connection::setBusyObserver([this] { onBusy(); });
}

CatalogueWaitNote::~CatalogueWaitNote() {
    Connection::setBusyObserver({});
    if (shown_) finish();
}

bool CatalogueWaitNote::waiting() { return waitingNow; }

void CatalogueWaitNote::onBusy() {
    // Another thread's connection waits without troubling the windows.
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) return;
    const auto now = std::chrono::steady_clock::now();
    if (!waitingNow || now - lastCall_ > kSameWait) waitStart_ = now;
    lastCall_ = now;
    waitingNow = true;
    if (!shown_ && now - waitStart_ >= showAfter_) {
        if (!note_) {
            note_ = std::make_unique<QLabel>(QString::fromUtf8(kText));
            note_->setObjectName("lblWaiting");
            note_->setWindowTitle(QApplication::applicationName());
            note_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
            note_->setFrameStyle(QFrame::Box | QFrame::Plain);
            note_->setMargin(16);
            note_->adjustSize();
        }
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            note_->move(screen->availableGeometry().center() - note_->rect().center());
        note_->show();
        note_->raise();
        shown_ = true;
        dialogs().setMousePointer(MousePointer::Hourglass);
    }
    // The timer runs out only once the observer stops being called: the wait is over.
    done_.start();
    // Painting and timers go on; clicks and keys wait, so that nothing starts
    // another catalogue operation in the middle of this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CatalogueWaitNote::finish() {
    waitingNow = false;
    if (!shown_) return;
    shown_ = false;
    if (note_) note_->hide();
    dialogs().setMousePointer(MousePointer::Default);
}

}  // namespace portico
