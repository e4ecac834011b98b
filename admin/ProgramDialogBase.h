#pragma once

#include "admin/CommonDialog.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QGridLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace portico::admin {

class GrantEditor;
class modMain;

// What the add and modify dialogs share: the program's fields, the banner, the
// theme's add/remove picture, the executable dialog and the typing area.
class ProgramDialogBase : public QDialog {
    Q_OBJECT
public:
    QLabel* Picture1;
    QLabel* Image1;
    QLineEdit* txtProgramName;
    QLineEdit* txtProgramPath;
    QPushButton* cmdExePath;
    QPlainTextEdit* txtProgramDescription;
    QLineEdit* txtStartInPath;
    QPushButton* cmdStartInFolderButton;
    QLineEdit* txtStartInParams;
    QPushButton* cmbProgramParmsButton;
    QCheckBox* chkTerminal;
    QLabel* Picture2;  // the program's picture: the stored one, or the one picked
    QPushButton* cmdIcon;
    QPushButton* cmdAdd;
    GrantEditor* grantEditor;
    CommonDialog cDialog;

protected:
    // `banner` is the text beside the banner picture; `iconCaption` and
    // `saveCaption` the captions of cmdIcon and cmdAdd.
    ProgramDialogBase(modMain& program, QWidget* owner, const char* banner, const char* iconCaption,
                      const char* saveCaption);

    // Shows a picture's bytes in Picture2; none (or none readable) shows the default icon.
    void showPicture(const std::string& bytes);

    // The fields' grid: the picture is on row 6, its label in column 0.
    QGridLayout* fieldsGrid;
    modMain& program_;

    // The trimmed name and path are both required; false (after the message) when one is blank.
    bool validate() const;
    // Whether to save although the executable or the start-in folder does not
    // exist on this machine (asked only then).
    bool confirmMissingPaths() const;
    // True, after the message, when another program than the one with
    // `ownKey` already has the name.
    bool refuseTakenName(const std::string& name, std::int64_t ownKey) const;
    void chooseExecutable();
    void openTypingArea(QLineEdit& field, const char* caption);
    void reloadSetupList();
    // Takes what the fields hold now as the state Escape compares against.
    void rememberFields();
    // True when the fields differ from what rememberFields last saw; a
    // subclass adds what it holds besides the fields (a picked picture).
    virtual bool hasUnsavedChanges() const;

    void keyPressEvent(QKeyEvent* event) override;

    struct Values {
        std::string name, description, path, startIn, parameters;
        bool terminal = false;
    };
    // The fields, trimmed.
    Values trimmedValues() const;

private:
    // The fields as typed (untrimmed): a change of blanks is a change too.
    Values fieldTexts() const;
    Values remembered_;
};

}  // namespace portico::admin
