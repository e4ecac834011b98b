#pragma once

#include <QLabel>

namespace portico {

// A one-line label that never asks for more width than it is given: a text
// too long for it is cut in the middle with "…", and shows whole as tooltip.
class ElidedLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void elide();

    QString full_;
};

}  // namespace portico
