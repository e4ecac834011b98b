#include "views/DisplayName.h"

namespace portico {

bool DisplayName::isDirectionControl(char16_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

QString DisplayName::neutral(const QString& name) {
    QString shown = name;
    for (QChar& c : shown)
        if (isDirectionControl(c.unicode())) c = QChar(0x200B);
    return shown;
}

QString DisplayName::revealed(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        if (isDirectionControl(c.unicode()))
            shown += QStringLiteral("[U+%1]").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
        else
            shown += c;
    }
    return shown;
}

QString DisplayName::isolated(const QString& shown) {
    for (const QChar c : shown) {
        const auto direction = c.direction();
        if (isDirectionControl(c.unicode()) || direction == QChar::DirR || direction == QChar::DirAL ||
            direction == QChar::DirAN)
            return QChar(0x2068) + shown + QChar(0x2069);
    }
    return shown;
}

}  // namespace portico
