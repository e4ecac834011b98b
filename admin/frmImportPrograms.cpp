#include "admin/frmImportPrograms.h"

#include "desktop/DesktopImporter.h"
#include "desktop/ProgramPicture.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace portico::admin {
namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kThumbnailSize = 32;

std::string currentSearchPath() {
    const char* path = std::getenv("PATH");
    return path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
}

}  // namespace

frmImportPrograms::frmImportPrograms(clsDBRoutines& database, QWidget* parent)
    : QDialog(parent),
      database_(database),
      index_(std::vector<std::filesystem::path>{}),
      icons_(desktop::IconTheme::system(QIcon::themeName().toStdString())),
      searchPath_(currentSearchPath()) {
    setObjectName("frmImportPrograms");
    setWindowTitle("Import programs");
    auto* lblSearch = new QLabel("Search :", this);
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName("txtSearch");
    txtSearch->setClearButtonEnabled(true);
    lstEntries = new QTreeWidget(this);
    lstEntries->setObjectName("lstEntries");
    lstEntries->setColumnCount(2);
    lstEntries->setHeaderLabels({"Name", "Description"});
    lstEntries->setRootIsDecorated(false);
    lstEntries->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    lstEntries->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    cmdImport = new QPushButton("Import", this);
    cmdImport->setObjectName("cmdImport");
    cmdImport->setDefault(true);
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(lblSearch);
    searchRow->addWidget(txtSearch, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(lstEntries, 1);
    layout->addLayout(buttons);
    resize(620, 480);

    connect(txtSearch, &QLineEdit::textChanged, this, &frmImportPrograms::setFilter);
    connect(cmdImport, &QPushButton::clicked, this, [this] { guarded([this] { importChecked(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmImportPrograms::showEvent(QShowEvent* event) {
    reload();
    QDialog::showEvent(event);
}

void frmImportPrograms::reload() {
    index_ = desktop::ApplicationIndex::installed();
    const std::string locale = desktop::DesktopImporter::environmentLocale();
    lstEntries->clear();
    for (const desktop::InstalledEntry* entry : index_.offered(searchPath_)) {
        auto* item = new QTreeWidgetItem(lstEntries);
        item->setText(0, QString::fromStdString(entry->entry.localeString("Name", locale)));
        item->setText(1, QString::fromStdString(entry->entry.localeString("Comment", locale)));
        item->setToolTip(0, QString::fromStdString(entry->id));
        item->setToolTip(1, item->text(1));
        item->setData(0, kIdRole, QString::fromStdString(entry->id));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        const auto file = icons_.lookup(entry->entry.string("Icon"), kThumbnailSize);
        const auto images = desktop::readPictureImages(QString::fromStdString(file.string()), kThumbnailSize);
        if (!images.empty())
            item->setIcon(0, QPixmap::fromImage(images.front().scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio,
                                                                      Qt::SmoothTransformation)));
    }
    lstEntries->sortItems(0, Qt::AscendingOrder);
    setFilter(txtSearch->text());
}

void frmImportPrograms::setFilter(const QString& text) {
    for (int row = 0; row < lstEntries->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = lstEntries->topLevelItem(row);
        const bool matches = item->text(0).contains(text, Qt::CaseInsensitive) ||
                             item->text(1).contains(text, Qt::CaseInsensitive);
        item->setHidden(!matches);
    }
}

void frmImportPrograms::importChecked() {
    desktop::DesktopImporter importer(database_, icons_, searchPath_, desktop::DesktopImporter::environmentLocale());
    std::vector<std::string> added;
    std::vector<std::string> skipped;
    // A checked entry that the search hides is imported too: the administrator checked it.
    for (int row = 0; row < lstEntries->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = lstEntries->topLevelItem(row);
        if (item->checkState(0) != Qt::Checked) continue;
        const auto* entry = index_.findById(item->data(0, kIdRole).toString().toStdString());
        if (!entry) continue;
        const auto outcome = importer.import(*entry);
        if (outcome.added) {
            added.push_back(outcome.name);
            item->setCheckState(0, Qt::Unchecked);
        } else {
            skipped.push_back(outcome.name + ": " + outcome.reason);
        }
    }
    if (added.empty() && skipped.empty()) {
        dialogs().messageBox("Please check the programs to import.", "Import programs", MessageIcon::Exclamation);
        return;
    }
    std::string report;
    for (const std::string& name : added) report += "Added: " + name + "\n";
    for (const std::string& line : skipped) report += "Skipped: " + line + "\n";
    report.pop_back();
    if (!added.empty()) emit programsImported();
    dialogs().messageBox(report, "Import programs",
                         skipped.empty() ? MessageIcon::Information : MessageIcon::Exclamation);
}

}  // namespace portico::admin
