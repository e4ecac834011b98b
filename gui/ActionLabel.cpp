#include "ActionLabel.h"

#include <QMouseEvent>

namespace portico {

ActionLabel::ActionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void ActionLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ActionLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that is dragged off the caption before release is no click.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

}  // namespace portico
