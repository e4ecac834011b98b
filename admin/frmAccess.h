#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace portico {
class clsDBRoutines;
}

namespace portico::admin {

// "Access…": what can a given user see? The programs visible to the user named,
// by the same rule the launcher and the server apply.
class frmAccess final : public QDialog {
    Q_OBJECT
public:
    explicit frmAccess(clsDBRoutines& database, QWidget* parent = nullptr);

    // Lists what the user named in txtUser may see; false, after a message, for an unknown user.
    bool showVisiblePrograms();

    QLineEdit* txtUser;
    QPushButton* cmdShow;
    QLabel* lblResult;
    QListWidget* lstPrograms;

private:
    clsDBRoutines& database_;
};

}  // namespace portico::admin
