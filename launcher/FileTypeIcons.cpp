#include "launcher/FileTypeIcons.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

namespace portico {
namespace {

// Without a desktop session (a bare X server, or no display at all) Qt knows
// no icon theme and searches no system folder: give it the XDG icon folders
// and a theme that is there.
void findIconTheme() {
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& folder : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "icons",
                                                               QStandardPaths::LocateDirectory))
            if (!paths.contains(folder)) paths.append(folder);
        if (!paths.contains("/usr/share/icons") && QDir("/usr/share/icons").exists()) paths.append("/usr/share/icons");
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor") {
            for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("hicolor")}) {
                const bool present = std::any_of(paths.begin(), paths.end(), [&](const QString& folder) {
                    return QDir(folder + "/" + theme).exists();
                });
                if (present) {
                    QIcon::setThemeName(theme);
                    break;
                }
            }
        }
        return true;
    }();
    (void)done;
}

}  // namespace

FileTypeIcons::FileTypeIcons(QIcon fallback) : fallback_(std::move(fallback)) { findIconTheme(); }

QMimeType FileTypeIcons::typeOf(const QString& path) const { return types_.mimeTypeForFile(path); }

QIcon FileTypeIcons::iconFor(const QMimeType& type) {
    const auto known = icons_.constFind(type.name());
    if (known != icons_.constEnd()) return *known;
    QIcon icon;
    for (const QString& name : {type.iconName(), type.genericIconName()}) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
            icon = QIcon::fromTheme(name);
            break;
        }
    }
    if (icon.isNull()) icon = fallback_;
    icons_.insert(type.name(), icon);
    return icon;
}

}  // namespace portico
