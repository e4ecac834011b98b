#pragma once

#include "database/UsageCounter.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTreeWidget;

namespace portico::admin {

// "Usage…": whether launches are counted (the catalogue's setting), and the
// launches of each program over the last 7, 30 and 90 days, sortable by any
// column; "Never launched in 90 days" keeps the programs nobody started.
// "Export…" writes the rows shown as CSV.
class frmUsage final : public QDialog {
    Q_OBJECT
public:
    explicit frmUsage(std::string catalogue, QWidget* parent = nullptr);

    bool reload();
    // Stores the recording chosen in cboRecording; false, reported, when it cannot be stored.
    bool saveRecording();
    void exportUsage();

    QComboBox* cboRecording;
    QCheckBox* chkNeverLaunched;
    QTreeWidget* lstUsage;
    QPushButton* cmdExport;
    QPushButton* cmdClose;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string catalogue_;
    std::vector<ProgramUsage> usage_;

    void fill();
    std::vector<ProgramUsage> shown() const;
};

}  // namespace portico::admin
