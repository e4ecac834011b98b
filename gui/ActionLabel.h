#pragma once

#include <QLabel>

namespace portico {

// A caption that acts as a button (the action panels of both programs): a left
// click on it raises clicked().
class ActionLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ActionLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace portico
