#include "admin/frmHistory.h"

#include "database/Connection.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "settings/PorticoError.h"
#include "settings/SafeFile.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace portico::admin {
namespace {

constexpr int kChangeRole = Qt::UserRole + 1;
constexpr const char* kTitle = "History";

QLineEdit* makeField(const char* name, const char* placeholder, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setClearButtonEnabled(true);
    return field;
}

}  // namespace

frmHistory::frmHistory(std::string catalogue, QWidget* parent) : QDialog(parent), catalogue_(std::move(catalogue)) {
    setObjectName("frmHistory");
    setWindowTitle(kTitle);
    txtProgram = makeField("txtProgram", "any program", this);
    txtPerson = makeField("txtPerson", "anyone", this);
    txtFrom = makeField("txtFrom", "YYYY-MM-DD", this);
    txtTo = makeField("txtTo", "YYYY-MM-DD", this);
    cmdShow = new QPushButton("Show", this);
    cmdShow->setObjectName("cmdShow");
    lstChanges = new QListWidget(this);
    lstChanges->setObjectName("lstChanges");
    lstChanges->setUniformItemSizes(true);
    lstChanges->installEventFilter(this);
    cmdExport = new QPushButton("Export…", this);
    cmdExport->setObjectName("cmdExport");
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");

    auto* filters = new QHBoxLayout;
    for (auto [label, field] : {std::pair{"Program :", txtProgram}, {"Person :", txtPerson}, {"From :", txtFrom},
                                {"To :", txtTo}}) {
        filters->addWidget(new QLabel(label, this));
        filters->addWidget(field, 1);
    }
    filters->addWidget(cmdShow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel("Return on a line shows the whole change.", this), 1);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(lstChanges, 1);
    layout->addLayout(buttons);
    resize(900, 520);

    connect(cmdShow, &QPushButton::clicked, this, [this] { guarded([this] { reload(); }); });
    for (QLineEdit* field : {txtProgram, txtPerson, txtFrom, txtTo})
        connect(field, &QLineEdit::returnPressed, this, [this] { guarded([this] { reload(); }); });
    connect(lstChanges, &QListWidget::itemActivated, this, [this] { guarded([this] { showCurrentChange(); }); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { guarded([this] { exportChanges(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmHistory::showEvent(QShowEvent* event) {
    reload();
    QDialog::showEvent(event);
}

// Return on the list shows the change rather than pressing the window's default button.
bool frmHistory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstChanges && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { showCurrentChange(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmHistory::reload() {
    HistoryFilter filter;
    filter.program = txtProgram->text().trimmed().toStdString();
    filter.person = txtPerson->text().trimmed().toStdString();
    for (auto [field, bound, name] : {std::tuple{txtFrom, &filter.since, "From"}, {txtTo, &filter.until, "To"}}) {
        const std::string date = field->text().trimmed().toStdString();
        if (date.empty()) continue;
        *bound = ChangeHistory::utcOfLocalDate(date);
        if (bound->empty()) {
            dialogs().messageBox(std::string(name) + " is not a date (YYYY-MM-DD): " + date, kTitle,
                                 MessageIcon::Exclamation);
            return false;
        }
    }
    // "To" includes its day.
    if (!filter.until.empty()) {
        std::tm day{};
        const std::string date = txtTo->text().trimmed().toStdString();
        day.tm_year = std::atoi(date.substr(0, 4).c_str()) - 1900;
        day.tm_mon = std::atoi(date.substr(5, 2).c_str()) - 1;
        day.tm_mday = std::atoi(date.substr(8, 2).c_str()) + 1;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        std::mktime(&day);
        char buffer[16];
        std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &day);
        filter.until = ChangeHistory::utcOfLocalDate(buffer);
    }
    lstChanges->clear();
    changes_.clear();
    try {
        Connection connection;
        connection.setConnectionString(catalogue_);
        connection.Open();
        Engine& engine = connection.engine(kTitle);
        if (!ChangeHistory::isPresent(engine)) {
            lstChanges->addItem("This catalogue has no history yet.");
            return true;
        }
        changes_ = ChangeHistory::read(engine, filter);
    } catch (const PorticoError& error) {
        dialogs().messageBox("The history cannot be read: " + error.description(), kTitle, MessageIcon::Critical);
        return false;
    }
    for (std::size_t i = 0; i < changes_.size(); ++i) {
        for (const std::string& line : ChangeHistory::lines(changes_[i])) {
            auto* item = new QListWidgetItem(QString::fromStdString(line), lstChanges);
            item->setData(kChangeRole, static_cast<qulonglong>(i));
        }
    }
    if (changes_.empty()) lstChanges->addItem("No change matches.");
    lstChanges->setCurrentRow(0);
    return true;
}

void frmHistory::showCurrentChange() {
    const QListWidgetItem* item = lstChanges->currentItem();
    if (!item || !item->data(kChangeRole).isValid()) return;
    const Change& change = changes_.at(item->data(kChangeRole).toULongLong());
    std::string text = ChangeHistory::localTime(change.when) + "\n" + change.who + " " + change.action + " " +
                       ChangeHistory::what(change) + (change.row.empty() ? "" : " (key " + change.row + ")") + "\n";
    for (const FieldChange& field : change.fields) {
        const auto shown = [](const std::string& value) { return value.empty() ? std::string("(none)") : value; };
        text += "\n" + field.field + (field.field.ends_with("picture") ? " changed" : "") + ": " + shown(field.before) +
                " → " + shown(field.after);
    }
    dialogs().messageBox(text, "Change", MessageIcon::Information);
}

void frmHistory::exportChanges() {
    const char* home = std::getenv("HOME");
    const std::string suggestion =
        (std::filesystem::path(home && *home ? home : ".") / "portico-history.csv").string();
    const auto file = dialogs().inputBox("Write the changes shown to this CSV file:", "Export", suggestion);
    if (!file || file->empty()) return;
    std::error_code error;
    if (!SafeFile::write(*file, ChangeHistory::csv(changes_), error)) {
        dialogs().messageBox("The changes cannot be written to " + *file + ": " + error.message(), "Export",
                             MessageIcon::Critical);
        return;
    }
    dialogs().messageBox(std::to_string(changes_.size()) + " changes written to " + *file + ".", "Export",
                         MessageIcon::Information);
}

}  // namespace portico::admin
