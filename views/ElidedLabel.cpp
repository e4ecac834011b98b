#include "views/ElidedLabel.h"

#include <QResizeEvent>

#include <algorithm>

namespace portico {

namespace {
// Wide enough for most names; a longer one is cut rather than widen its window.
constexpr int kPreferredWidth = 360;
}  // namespace

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString& text) {
    full_ = text;
    elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const { return {fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height()}; }

QSize ElidedLabel::sizeHint() const {
    const int wanted = fontMetrics().horizontalAdvance(full_) + 2 * margin() + 2;
    return {std::min(wanted, kPreferredWidth), QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const int room = std::max(0, contentsRect().width() - 2 * margin());
    // Until it shows, its width means nothing yet.
    const bool fits = !isVisible() || fontMetrics().horizontalAdvance(full_) <= room;
    const QString shown = fits ? full_ : fontMetrics().elidedText(full_, Qt::ElideMiddle, room);
    if (text() != shown) setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

}  // namespace portico
