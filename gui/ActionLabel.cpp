#include "gui/ActionLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace portico {

ActionLabel::ActionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Reached by Tab only: a click acts at once and leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
}

void ActionLabel::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && !event->isAutoRepeat() &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ActionLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    QPen pen(palette().color(foregroundRole()), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

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
