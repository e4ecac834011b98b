#include "launcher/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace portico {
namespace {

QSettings store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, "portico", "windows"); }

}  // namespace

QRect WindowGeometry::clamped(const QRect& frame, const QList<QRect>& screens) {
    if (screens.isEmpty()) return frame;
    // The screen the window mostly stood on, else the first (the primary).
    QRect room = screens.front();
    qint64 best = 0;
    for (const QRect& screen : screens) {
        const QRect shared = screen.intersected(frame);
        const qint64 area = shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
        if (area > best) {
            best = area;
            room = screen;
        }
    }
    const QSize size = frame.size().boundedTo(room.size()).expandedTo(QSize(1, 1));
    const int x = std::clamp(frame.x(), room.left(), room.left() + room.width() - size.width());
    const int y = std::clamp(frame.y(), room.top(), room.top() + room.height() - size.height());
    return {QPoint(x, y), size};
}

bool WindowGeometry::restore(QWidget& window, const QString& name) {
    const QByteArray geometry = store().value(name + "/geometry").toByteArray();
    const QRect first = window.geometry();
    if (geometry.isEmpty() || !window.restoreGeometry(geometry)) return false;
    // Whatever the file says (a screen since unplugged, a size no screen has),
    // the window stays within the screens there are.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.removeOne(primary->availableGeometry());
        screens.prepend(primary->availableGeometry());
    }
    if (window.isMaximized() || window.isFullScreen()) return true;
    const QRect place = clamped(window.geometry(), screens);
    window.resize(place.size());
    // Where the compositor places windows (Wayland) only the size is ours.
    if (QGuiApplication::platformName().startsWith("wayland"))
        window.move(first.topLeft());
    else
        window.move(place.topLeft());
    return true;
}

void WindowGeometry::save(const QWidget& window, const QString& name) {
    QSettings settings = store();
    settings.setValue(name + "/geometry", window.saveGeometry());
    settings.sync();
}

}  // namespace portico
