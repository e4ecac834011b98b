#include "modMain.h"

#include "DialogService.h"
#include "ExistenceTests.h"
#include "PorticoError.h"
#include "ProgramFolder.h"
#include "SettingsLocation.h"
#include "SelectTheme.h"
#include "Shell.h"
#include "TextUtil.h"
#include "clsDBRoutines.h"
#include "clsEnvironment.h"
#include "frmView.h"

namespace portico {

modMain::modMain(const std::filesystem::path& pictureFolder)
    : environment_(std::make_unique<clsEnvironment>()),
      database_(pictureFolder.empty() ? std::make_unique<clsDBRoutines>()
                                      : std::make_unique<clsDBRoutines>(pictureFolder)) {}

modMain::~modMain() = default;

void modMain::start() {
    environment_->loadSettings(settingsFile());
    // A program added without a picture gets the default icon.
    database_->setDefaultIconPath(environment_->DefaultIcon());
    database_->openDatabase(environment_->DatabasePath());
    selectTheme("", false);
    showMainWindow();
}

frmView& modMain::showMainWindow() {
    if (!mainWindow_) mainWindow_ = std::make_unique<frmView>(*this);
    mainWindow_->show();
    return *mainWindow_;
}

bool modMain::fileExists(const std::string& path) { return portico::fileExists(path); }
bool modMain::folderExists(const std::string& path) { return portico::folderExists(path); }

namespace {

// Hands a request to the shell; a start that did not happen is a failure like
// any other, not a success.
void startOrThrow(const ShellRequest& request) {
    const ShellResult result = shell().execute(request);
    if (!result.started) throw PorticoError(result.errorNumber, result.description, "Portico");
}

bool reportFailure(const std::string& name, const PorticoError& error) {
    dialogs().setMousePointer(MousePointer::Default);
    dialogs().messageBox("Unable to execute program : " + trimBlanks(name) + ". Error Follows", "Error",
                         MessageIcon::Exclamation);
    dialogs().messageBox(error.description(), error.source(), MessageIcon::Critical);
    return false;
}

}  // namespace

bool modMain::launchProgram(const std::string& name) {
    try {
        dialogs().setMousePointer(MousePointer::Hourglass);
        const std::string file = trimBlanks(database_->getProgramPath(trimBlanks(name)));
        const std::string parameters = database_->GetProgramParameters(name);
        const std::string directory = database_->GetProgramStartInDir(name);
        startOrThrow({"", file, parameters, directory, 1});
        dialogs().setMousePointer(MousePointer::Default);
        return true;
    } catch (const PorticoError& error) {
        return reportFailure(name, error);
    }
}

bool modMain::openFile(const std::string& name, const std::string& file) {
    try {
        dialogs().setMousePointer(MousePointer::Hourglass);
        startOrThrow({"Open", file, "", "", 1});
        dialogs().setMousePointer(MousePointer::Default);
        return true;
    } catch (const PorticoError& error) {
        return reportFailure(name, error);
    }
}

void modMain::selectTheme(const std::string& theme, bool useGiven) {
    portico::selectTheme(*database_, currentTheme_, theme, useGiven);
}

}  // namespace portico
