#include "gui/QtDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace portico {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSpec {
    QMessageBox::StandardButton button;
    MessageAnswer answer;
    const char* text = nullptr;  // a button of our own words instead of a standard one
    QMessageBox::ButtonRole role = QMessageBox::InvalidRole;
};

std::vector<ButtonSpec> buttonSpecs(MessageButtons buttons) {
    using B = QMessageBox;
    using A = MessageAnswer;
    switch (buttons) {
    case MessageButtons::OK: return {{B::Ok, A::OK}};
    case MessageButtons::OKCancel: return {{B::Ok, A::OK}, {B::Cancel, A::Cancel}};
    case MessageButtons::YesNo: return {{B::Yes, A::Yes}, {B::No, A::No}};
    case MessageButtons::YesNoCancel: return {{B::Yes, A::Yes}, {B::No, A::No}, {B::Cancel, A::Cancel}};
    case MessageButtons::RetryCancel: return {{B::Retry, A::Retry}, {B::Cancel, A::Cancel}};
    case MessageButtons::AbortRetryIgnore: return {{B::Abort, A::Abort}, {B::Retry, A::Retry}, {B::Ignore, A::Ignore}};
    case MessageButtons::RunOpenCancel:
        return {{B::NoButton, A::Run, "Run", B::AcceptRole}, {B::NoButton, A::Open, "Open", B::AcceptRole},
                {B::Cancel, A::Cancel}};
    case MessageButtons::SaveAnywayCancel:
        return {{B::NoButton, A::SaveAnyway, "Save anyway", B::AcceptRole}, {B::Cancel, A::Cancel}};
    }
    return {{B::Ok, A::OK}};
}

}  // namespace

QtDialogService::~QtDialogService() {
    if (busy_ && qApp) QApplication::restoreOverrideCursor();
}

MessageAnswer QtDialogService::messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                                          MessageButtons buttons, DefaultButton defaultButton) {
    const auto choices = buttonSpecs(buttons);
    QMessageBox box(qtIcon(icon), qs(title), qs(text), QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<QPushButton*> added;
    for (const auto& choice : choices)
        added.push_back(choice.text ? box.addButton(QString::fromUtf8(choice.text), choice.role)
                                    : box.addButton(choice.button));
    const auto chosenDefault = static_cast<std::size_t>(defaultButton);
    box.setDefaultButton(added[chosenDefault < added.size() ? chosenDefault : 0]);
    // A message must stay readable even while a launch holds the hourglass.
    const bool wasBusy = busy_;
    if (wasBusy) setMousePointer(MousePointer::Default);
    box.exec();
    if (wasBusy) setMousePointer(MousePointer::Hourglass);
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i]) return choices[i].answer;
    // Escape or the close box.
    for (const auto& choice : choices)
        if (choice.answer == MessageAnswer::Cancel) return MessageAnswer::Cancel;
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : choices.front().answer;
}

std::optional<std::string> QtDialogService::inputBox(const std::string& prompt, const std::string& title,
                                                     const std::string& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), qs(title), qs(prompt),
                                               QLineEdit::Normal, qs(defaultText), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

std::optional<std::string> QtDialogService::openFileDialog(const std::string& title, const std::string& filter,
                                                           const std::string& startPath) {
    const QString picked =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), qs(title), qs(startPath), qs(filter));
    if (picked.isEmpty()) return std::nullopt;
    return picked.toStdString();
}

void QtDialogService::setMousePointer(MousePointer pointer) {
    const bool wantBusy = pointer == MousePointer::Hourglass;
    if (wantBusy == busy_) return;
    if (wantBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    busy_ = wantBusy;
}

}  // namespace portico
