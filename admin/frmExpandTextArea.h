#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

class QPlainTextEdit;
class QPushButton;

namespace portico::admin {

class modMain;

// A large typing area for a one-line field of another window. It opens with
// the field's text; OK writes the text back, while Cancel, Escape and the close
// box leave the field as it was.
class frmExpandTextArea final : public QDialog {
    Q_OBJECT
public:
    explicit frmExpandTextArea(modMain& program);

    // The field to edit; its text fills the area.
    void setTextBox(QLineEdit* field);
    void accept() override;

    QPlainTextEdit* txtTypingArea;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    QPointer<QLineEdit> textBox_;
};

}  // namespace portico::admin
