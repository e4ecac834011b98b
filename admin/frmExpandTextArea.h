#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

class QPlainTextEdit;

namespace portico::admin {

class modMain;

// A large typing area for a one-line field of another window. What is typed
// replaces the field's text when the area closes, even when nothing was typed.
class frmExpandTextArea final : public QDialog {
    Q_OBJECT
public:
    explicit frmExpandTextArea(modMain& program);

    void setTextBox(QLineEdit* field) { textBox_ = field; }
    // Escape and the close box both end here, so the text goes back either way.
    void reject() override;

    QPlainTextEdit* txtTypingArea;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void writeBack();

    QPointer<QLineEdit> textBox_;
};

}  // namespace portico::admin
