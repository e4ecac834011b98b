#include "launcher/modMain.h"

#include "database/CatalogueFile.h"
#include "database/LaunchQueue.h"
#include "database/clsDBRoutines.h"
#include "gui/CatalogueWaitNote.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "launcher/Shell.h"
#include "launcher/SiteCatalogue.h"
#include "launcher/frmView.h"
#include "settings/ExistenceTests.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/ServerConnectionString.h"
#include "settings/SettingsLocation.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "views/SelectTheme.h"
#include "views/UsageHistory.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace portico {

namespace {

void showLateOpenFailure(const std::string& file, const std::string& description) {
    // Not in the middle of a catalogue wait: the box's own event loop would let
    // the user start another catalogue operation inside that one.
    if (CatalogueWaitNote::waiting()) {
        QTimer::singleShot(100, QCoreApplication::instance(), [file, description] { showLateOpenFailure(file, description); });
        return;
    }
    dialogs().messageBox("Unable to open " + file + ". The application that opens it failed (" + description + ").",
                         "Error", MessageIcon::Exclamation);
}

}  // namespace

modMain::modMain(const std::filesystem::path& pictureFolder)
    : environment_(std::make_unique<clsEnvironment>()),
      database_(pictureFolder.empty() ? std::make_unique<clsDBRoutines>()
                                      : std::make_unique<clsDBRoutines>(pictureFolder)),
      usage_(std::make_unique<UsageHistory>()) {
    // The news comes on the shell's collector thread; the box belongs on the GUI
    // thread, and the window is never held up waiting for it.
    setLateOpenFailureHandler([](const std::string& file, const std::string& description) {
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application, [file, description] { showLateOpenFailure(file, description); }, Qt::QueuedConnection);
    });
}

modMain::~modMain() { setLateOpenFailureHandler({}); }

void modMain::start() {
    const std::string settings = settingsFile();
    try {
        environment_->loadSettings(settings);
    } catch (const PorticoError& error) {
        // The dialog folders come last and only PorticoAdmin's file dialogs use
        // them: everything the launcher needs has been read by then.
        if (error.number() == 5111) {
        } else if (error.number() == 5000) {
            const std::string& file = environment_->configuredDatabasePath();
            throw PorticoError(error.number(),
                               error.description() + "\n\n" +
                                   unusableCatalogueText(file) +
                                   " (DatabasePath in " + settings + ").",
                               error.source());
        } else {
            throw;
        }
    }
    // A program added without a picture gets the default icon.
    database_->setDefaultIconPath(environment_->DefaultIcon());
    // A file that is not a catalogue ends the start-up with one message that
    // names it, instead of a report from every operation that follows.
    if (!isServerConnectionString(environment_->DatabasePath())) CatalogueFile::check(environment_->DatabasePath());
    // Only what this user may see is offered (a server sees to that itself).
    database_->applyAccessRule(true);
    site_ = std::make_unique<SiteCatalogue>(*database_);
    site_->prepare(environment_->DatabasePath());
    database_->openDatabase(environment_->DatabasePath());
    site_->opened();
    // The one message has been shown; there is nothing to launch from.
    if (!site_->usable()) {
        QTimer::singleShot(0, [] { QCoreApplication::exit(kFatalExitStatus); });
        return;
    }
    selectTheme("", false);
    showMainWindow();
}

frmView& modMain::showMainWindow() {
    const bool made = !mainWindow_;
    if (made) mainWindow_ = std::make_unique<frmView>(*this);
    mainWindow_->show();
    if (made && site_) site_->attach(*mainWindow_);
    return *mainWindow_;
}

void modMain::raiseMainWindow() {
    if (!mainWindow_) return;
    if (mainWindow_->isMinimized()) mainWindow_->showNormal();
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
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

modMain::Launch modMain::launch(const std::string& name) {
    // A window shown from the offline copy asks the server before it starts anything.
    if (site_) site_->settle();
    // A list shown before a grant was taken away may still name a program this
    // user may no longer see: one message, and nothing starts.
    auto program = database_->loadProgram(trimBlanks(name));
    if (program && program->RecordCount() == 0) {
        dialogs().messageBox(trimBlanks(name) + " is no longer in the catalogue for you, so nothing was started.",
                             "Portico", MessageIcon::Information);
        return Launch::NotStarted;
    }
    try {
        dialogs().setMousePointer(MousePointer::Hourglass);
        const std::string file = trimBlanks(database_->getProgramPath(trimBlanks(name)));
        // The catalogue cannot be reached: that has been said once already.
        if (site_ && !site_->usable()) {
            dialogs().setMousePointer(MousePointer::Default);
            return Launch::NotStarted;
        }
        const std::string parameters = database_->GetProgramParameters(name);
        const std::string directory = database_->GetProgramStartInDir(name);
        ShellRequest request{"", file, parameters, directory, 1};
        request.terminal = database_->runsInTerminal(name);
        startOrThrow(request);
        usage_->recordLaunch(trimBlanks(name));
        LaunchQueue::shared(environment_->DatabasePath()).launched(trimBlanks(name), !(site_ && site_->offline()));
        dialogs().setMousePointer(MousePointer::Default);
        return Launch::Started;
    } catch (const PorticoError& error) {
        reportFailure(name, error);
        return Launch::Failed;
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

bool modMain::runFile(const std::string& name, const std::string& file) {
    try {
        dialogs().setMousePointer(MousePointer::Hourglass);
        startOrThrow({"", file, "", std::filesystem::path(file).parent_path().string(), 1});
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
