#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace portico {

// Where a window was and how big, kept per user in the user's configuration
// folder (~/.config/portico/windows.ini), apart from the site's shared
// Portico.ini, which users may not be able to write.
class WindowGeometry {
public:
    // Puts the window back where it last was; false when nothing is stored or
    // the stored place is unusable (the window then keeps its size).
    // The place is always kept within the screens there are now.
    static bool restore(QWidget& window, const QString& name);
    // `frame` made to fit the screen (of `screens`, the primary first) it
    // mostly stands on: no larger than it, and inside it.
    static QRect clamped(const QRect& frame, const QList<QRect>& screens);
    static void save(const QWidget& window, const QString& name);
};

}  // namespace portico
