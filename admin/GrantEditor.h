#pragma once

#include "database/clsDBRoutines.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace portico::admin {

// "Who may see this program": everyone, or only the users and groups listed.
// A name is checked where the catalogue is (this machine's users and groups,
// or the server's roles) as it is added, so an unknown one never reaches a save.
class GrantEditor final : public QGroupBox {
    Q_OBJECT
public:
    GrantEditor(clsDBRoutines& database, QWidget* parent = nullptr);

    // Shows these grants: none means everyone. The state shown is the one
    // hasChanges compares against.
    void setGrants(const clsDBRoutines::Grants& grants);
    // What to save: nothing for "Everyone".
    clsDBRoutines::Grants grants() const;
    bool hasChanges() const;
    // False, after a message, when "Only these users and groups" names nobody.
    bool validate() const;
    // Adds the name typed in the name field, as the kind chosen; false, after a message, when it is unknown.
    bool addTypedName();

    QRadioButton* optEveryone;
    QRadioButton* optOnlyThese;
    QComboBox* cboKind;
    QLineEdit* txtName;
    QPushButton* cmdAddName;
    QListWidget* lstGrants;
    QPushButton* cmdRemoveName;

private:
    void updateEnabled();

    clsDBRoutines& database_;
    clsDBRoutines::Grants shown_;
};

}  // namespace portico::admin
