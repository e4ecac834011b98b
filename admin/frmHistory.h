#pragma once

#include "database/ChangeHistory.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace portico::admin {

// "History…": the catalogue's changes, newest first, one line per changed
// field ("when · who · action · what · field: before → after"), filtered by
// program, person and a range of days. Return on a line shows the whole change;
// "Export…" writes the lines shown as CSV.
class frmHistory final : public QDialog {
    Q_OBJECT
public:
    // `catalogue` is the connection string of the catalogue in use.
    explicit frmHistory(std::string catalogue, QWidget* parent = nullptr);

    // Reads the changes again with the filters as they are; false, reported, when they cannot be read.
    bool reload();
    // Shows the whole change behind the current line.
    void showCurrentChange();
    // Asks for a file and writes the changes shown to it as CSV.
    void exportChanges();

    QLineEdit* txtProgram;
    QLineEdit* txtPerson;
    QLineEdit* txtFrom;
    QLineEdit* txtTo;
    QPushButton* cmdShow;
    QListWidget* lstChanges;
    QPushButton* cmdExport;
    QPushButton* cmdClose;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string catalogue_;
    std::vector<Change> changes_;
};

}  // namespace portico::admin
