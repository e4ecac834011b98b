#pragma once

#include "settings/MessageSink.h"
#include "views/ElidedLabel.h"

#include <QDialog>

#include <functional>
#include <cstdint>
#include <string>

class QLabel;
class QPushButton;

namespace portico {

class clsDBRoutines;

// What the catalogue holds about one program: picture, name, date added, path.
// The host sets Program and then calls showModal. The launcher's variant also
// has "Launch", which starts the program through the given routine.
//
// Setting Program to a blank name or to a name the catalogue does not know shows
// a refusal message and closes the window; showModal then does not open it.
class frmProperties final : public QDialog {
    Q_OBJECT
public:
    enum class Variant { Launcher, Administration };
    using LaunchRoutine = std::function<bool(const std::string& name)>;
    using LoadStep = std::function<void(QWidget& window)>;

    // `launchProgram` is used by the launcher's variant only.
    frmProperties(clsDBRoutines& database, Variant variant, LaunchRoutine launchProgram = {},
                  QWidget* parent = nullptr);

    // Administration variant: run as the first step of every load (the
    // low-colour adjustment when the display has 8 bits per pixel).
    void setLoadStep(LoadStep step) { loadStep_ = std::move(step); }

    const std::string& Program() const { return program_; }
    // With a key (administration list), the program with that key; else the
    // first program of that name.
    void setProgram(const std::string& name, std::int64_t key = 0);

    // Shows the window modal over its parent, unless the last setProgram closed it.
    // Returns true when the window was shown.
    bool showModal();
    bool refused() const { return refused_; }

    QLabel* Image1;
    ElidedLabel* lblProgramName;
    QLabel* Label1;
    QLabel* lblDateAdded;
    QLabel* Label2;
    ElidedLabel* lblProgramPath;
    // Administration only: who may see the program ("Everyone", or the users and groups granted it).
    QLabel* lblAccess = nullptr;
    QPushButton* cmdOK;
    QPushButton* cmdLaunch = nullptr;

private:
    void refuse(const std::string& text, const std::string& title, MessageIcon icon);
    void onLaunch();

    clsDBRoutines& database_;
    Variant variant_;
    LaunchRoutine launchProgram_;
    LoadStep loadStep_;
    std::string program_;
    bool refused_ = false;
};

}  // namespace portico
