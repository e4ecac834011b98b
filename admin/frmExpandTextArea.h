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
    // Escape closes the area like its close box, so the text still goes back.
    void reject() override { close(); }

    QPlainTextEdit* txtTypingArea;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QLineEdit> textBox_;
};

}  // namespace portico::admin
