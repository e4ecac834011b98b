#pragma once

#include "desktop/ApplicationIndex.h"
#include "desktop/IconTheme.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace portico {
class clsDBRoutines;
}

namespace portico::admin {

// "Import programs…": a checklist of the desktop entries installed on this
// workstation (icon, name, comment) with a search field. The checked ones
// become catalogue programs; a name the catalogue has already is reported and
// left as it is.
class frmImportPrograms final : public QDialog {
    Q_OBJECT
public:
    explicit frmImportPrograms(clsDBRoutines& database, QWidget* parent = nullptr);

    // Reads the installed entries again (also done each time the window shows).
    void reload();
    // Shows only the entries whose name or comment contains `text`.
    void setFilter(const QString& text);
    // Imports the checked entries and reports what became of each.
    void importChecked();

    QLineEdit* txtSearch;
    QTreeWidget* lstEntries;
    QPushButton* cmdImport;
    QPushButton* cmdClose;

signals:
    // At least one program was added: the program list should reload.
    void programsImported();

protected:
    void showEvent(QShowEvent* event) override;

private:
    clsDBRoutines& database_;
    desktop::ApplicationIndex index_;
    desktop::IconTheme icons_;
    std::string searchPath_;
};

}  // namespace portico::admin
