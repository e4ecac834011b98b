#pragma once

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
    static bool restore(QWidget& window, const QString& name);
    static void save(const QWidget& window, const QString& name);
};

}  // namespace portico
