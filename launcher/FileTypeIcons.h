#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

namespace portico {

// The icon of a file's type, as the desktop shows it: the type from the
// freedesktop MIME database, its picture from the icon theme, the type's
// generic picture when the theme has no specific one, else `fallback`.
class FileTypeIcons {
public:
    explicit FileTypeIcons(QIcon fallback);

    QMimeType typeOf(const QString& path) const;
    QIcon iconFor(const QMimeType& type);

private:
    QMimeDatabase types_;
    QIcon fallback_;
    QHash<QString, QIcon> icons_;  // by MIME type name
};

}  // namespace portico
