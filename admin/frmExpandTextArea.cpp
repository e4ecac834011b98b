#include "frmExpandTextArea.h"

#include "modMain.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace portico::admin {

frmExpandTextArea::frmExpandTextArea(modMain& program) {
    setObjectName("frmExpandTextArea");
    setWindowTitle(" ");
    setAttribute(Qt::WA_DeleteOnClose);
    txtTypingArea = new QPlainTextEdit(this);
    txtTypingArea->setObjectName("txtTypingArea");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtTypingArea);
    resize(480, 240);
    program.applyLowColourAdjustment(*this);
    txtTypingArea->clear();
}

void frmExpandTextArea::writeBack() {
    // A one-line field takes the typed lines joined by blanks.
    if (textBox_) textBox_->setText(txtTypingArea->toPlainText().replace('\n', ' '));
    txtTypingArea->clear();
}

void frmExpandTextArea::reject() {
    writeBack();
    QDialog::reject();
}

void frmExpandTextArea::closeEvent(QCloseEvent* event) {
    // A shown dialog's close event calls reject(); a hidden one's does not.
    if (!isVisible()) writeBack();
    QDialog::closeEvent(event);
}

}  // namespace portico::admin
