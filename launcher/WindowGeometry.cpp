#include "launcher/WindowGeometry.h"

#include <QSettings>
#include <QWidget>

namespace portico {
namespace {

QSettings store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, "portico", "windows"); }

}  // namespace

bool WindowGeometry::restore(QWidget& window, const QString& name) {
    const QByteArray geometry = store().value(name + "/geometry").toByteArray();
    return !geometry.isEmpty() && window.restoreGeometry(geometry);
}

void WindowGeometry::save(const QWidget& window, const QString& name) {
    QSettings settings = store();
    settings.setValue(name + "/geometry", window.saveGeometry());
    settings.sync();
}

}  // namespace portico
