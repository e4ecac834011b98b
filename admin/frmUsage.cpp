#include "admin/frmUsage.h"

#include "database/Connection.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "settings/PorticoError.h"
#include "settings/SafeFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>

namespace portico::admin {
namespace {

constexpr const char* kTitle = "Usage";

// Sorts the count columns as numbers.
class UsageItem final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column >= 1 && column <= 3) return data(column, Qt::UserRole).toLongLong() < other.data(column, Qt::UserRole).toLongLong();
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

}  // namespace

frmUsage::frmUsage(std::string catalogue, QWidget* parent) : QDialog(parent), catalogue_(std::move(catalogue)) {
    setObjectName("frmUsage");
    setWindowTitle(kTitle);
    cboRecording = new QComboBox(this);
    cboRecording->setObjectName("cboRecording");
    cboRecording->addItems({"Off", "Count launches per program and day", "Count launches per program, day and user"});
    chkNeverLaunched = new QCheckBox("Never launched in 90 days", this);
    chkNeverLaunched->setObjectName("chkNeverLaunched");
    lstUsage = new QTreeWidget(this);
    lstUsage->setObjectName("lstUsage");
    lstUsage->setColumnCount(5);
    lstUsage->setHeaderLabels({"Program", "Last 7 days", "Last 30 days", "Last 90 days", "Last launch"});
    lstUsage->setRootIsDecorated(false);
    lstUsage->setSortingEnabled(true);
    lstUsage->sortByColumn(0, Qt::AscendingOrder);
    lstUsage->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    cmdExport = new QPushButton("Export…", this);
    cmdExport->setObjectName("cmdExport");
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");

    auto* settingRow = new QHBoxLayout;
    settingRow->addWidget(new QLabel("Usage recording :", this));
    settingRow->addWidget(cboRecording, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkNeverLaunched);
    buttons->addStretch(1);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settingRow);
    layout->addWidget(lstUsage, 1);
    layout->addLayout(buttons);
    resize(760, 480);

    connect(cboRecording, &QComboBox::currentIndexChanged, this, [this] { guarded([this] { saveRecording(); }); });
    connect(chkNeverLaunched, &QCheckBox::toggled, this, [this] { fill(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { guarded([this] { exportUsage(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmUsage::showEvent(QShowEvent* event) {
    reload();
    QDialog::showEvent(event);
}

bool frmUsage::reload() {
    usage_.clear();
    try {
        Connection connection;
        connection.setConnectionString(catalogue_);
        connection.Open();
        Engine& engine = connection.engine(kTitle);
        const QSignalBlocker quiet(cboRecording);
        cboRecording->setCurrentIndex(static_cast<int>(UsageCounter::recording(engine)));
        usage_ = UsageCounter::report(engine);
    } catch (const PorticoError& error) {
        dialogs().messageBox("The usage cannot be read: " + error.description(), kTitle, MessageIcon::Critical);
        fill();
        return false;
    }
    fill();
    return true;
}

bool frmUsage::saveRecording() {
    try {
        Connection connection;
        connection.setConnectionString(catalogue_);
        connection.Open();
        UsageCounter::setRecording(connection.engine(kTitle),
                                   static_cast<UsageCounter::Recording>(cboRecording->currentIndex()));
    } catch (const PorticoError& error) {
        dialogs().messageBox("The usage recording cannot be changed: " + error.description(), kTitle,
                             MessageIcon::Critical);
        reload();
        return false;
    }
    return true;
}

std::vector<ProgramUsage> frmUsage::shown() const {
    std::vector<ProgramUsage> rows;
    for (const ProgramUsage& row : usage_)
        if (!chkNeverLaunched->isChecked() || row.last90 == 0) rows.push_back(row);
    return rows;
}

void frmUsage::fill() {
    lstUsage->setSortingEnabled(false);
    lstUsage->clear();
    for (const ProgramUsage& row : shown()) {
        auto* item = new UsageItem(lstUsage);
        item->setText(0, QString::fromStdString(row.program));
        int column = 1;
        for (std::int64_t count : {row.last7, row.last30, row.last90}) {
            item->setText(column, QString::number(count));
            item->setData(column, Qt::UserRole, static_cast<qlonglong>(count));
            item->setTextAlignment(column++, Qt::AlignRight | Qt::AlignVCenter);
        }
        item->setText(4, row.lastDay.empty() ? QString("never") : QString::fromStdString(row.lastDay));
    }
    lstUsage->setSortingEnabled(true);
}

void frmUsage::exportUsage() {
    const char* home = std::getenv("HOME");
    const std::string suggestion = (std::filesystem::path(home && *home ? home : ".") / "portico-usage.csv").string();
    const auto file = dialogs().inputBox("Write the usage shown to this CSV file:", "Export", suggestion);
    if (!file || file->empty()) return;
    std::error_code error;
    if (!SafeFile::write(*file, UsageCounter::csv(shown()), error)) {
        dialogs().messageBox("The usage cannot be written to " + *file + ": " + error.message(), "Export",
                             MessageIcon::Critical);
        return;
    }
    dialogs().messageBox(std::to_string(shown().size()) + " programs written to " + *file + ".", "Export",
                         MessageIcon::Information);
}

}  // namespace portico::admin
