#include "admin/frmExpandTextArea.h"

#include "admin/modMain.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace portico::admin {

frmExpandTextArea::frmExpandTextArea(modMain& program) {
    setObjectName("frmExpandTextArea");
    setWindowTitle(" ");
    setAttribute(Qt::WA_DeleteOnClose);
    txtTypingArea = new QPlainTextEdit(this);
    txtTypingArea->setObjectName("txtTypingArea");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    // Return belongs to the text; the buttons are clicked or reached with Tab.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtTypingArea);
    layout->addLayout(buttons);
    resize(480, 240);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    program.applyLowColourAdjustment(*this);
}

void frmExpandTextArea::setTextBox(QLineEdit* field) {
    textBox_ = field;
    txtTypingArea->setPlainText(field ? field->text() : QString());
    txtTypingArea->moveCursor(QTextCursor::End);
}

void frmExpandTextArea::accept() {
    // A one-line field takes the typed lines joined by blanks.
    if (textBox_) textBox_->setText(txtTypingArea->toPlainText().replace('\n', ' '));
    QDialog::accept();
}

}  // namespace portico::admin
