#pragma once

#include <QLabel>

namespace portico {

// A caption that acts as a button (the action panels of both programs): a left
// click on it raises clicked(), and so do Return, Enter and Space when Tab has
// brought the focus to it; the focus shows as a frame around the caption.
class ActionLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ActionLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace portico
