#pragma once

#include <QLabel>

namespace portico::admin {

// A caption that acts as a button: a left click on it raises clicked().
class ClickableLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace portico::admin
