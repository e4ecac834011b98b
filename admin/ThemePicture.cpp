#include "admin/ThemePicture.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/PictureLoader.h"

#include <QImage>
#include <QPixmap>
#include <QSize>

namespace portico::admin {
namespace {

std::size_t valueLength(const Variant& value) {
    switch (value.type()) {
    case Variant::Type::Bytes: return value.bytes().size();
    case Variant::Type::Text: return value.toText().size();
    case Variant::Type::Empty:
    case Variant::Type::Null: return 0;
    default: return value.toText().size();
    }
}

}  // namespace

QImage loadThemePicture(clsDBRoutines& database, const std::string& theme, const std::string& field) {
    auto themes = database.loadThemePicture(theme, field);
    if (!themes) return {};
    // Decoded from the row itself, in memory, not through a picture file.
    QImage picture;
    if (themes->RecordCount() > 0 && themes->hasField(field)) {
        themes->MoveFirst();
        if (valueLength(themes->Fields(field).Value()) > 0) picture = tryLoadPictureValue(themes->Fields(field).Value());
    }
    themes->Close();
    return picture;
}

QPixmap fittedPicture(const QImage& picture, const QSize& room) {
    if (picture.isNull()) return {};
    if (picture.width() <= room.width() && picture.height() <= room.height()) return QPixmap::fromImage(picture);
    return QPixmap::fromImage(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace portico::admin
