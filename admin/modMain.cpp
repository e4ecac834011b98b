#include "admin/modMain.h"

#include "admin/frmAddProgram.h"
#include "admin/frmAddRemoveFolder.h"
#include "admin/frmCreateTheme.h"
#include "admin/frmExpandTextArea.h"
#include "admin/frmFolderDialog.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/frmThemeManage.h"
#include "admin/frmWait.h"
#include "database/CatalogueFile.h"
#include "database/CatalogueSession.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "resource_viewer/clsResourceViewer.h"
#include "settings/ExistenceTests.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/ServerConnectionString.h"
#include "settings/SettingsLocation.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "settings/clsIniFile.h"
#include "views/SelectTheme.h"
#include "views/frmProperties.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace portico::admin {

modMain::modMain(const std::filesystem::path& pictureFolder)
    : environment_(std::make_unique<clsEnvironment>()),
      database_(pictureFolder.empty() ? std::make_unique<clsDBRoutines>()
                                      : std::make_unique<clsDBRoutines>(pictureFolder)) {}

modMain::~modMain() {
    // Windows hold references to the objects below, so they go first; owned
    // windows go with their owners.
    delete folderDialog_.data();
    delete createTheme_.data();
    delete expandTextArea_.data();
    delete properties_.data();
    delete modifyProgram_.data();
    delete addRemoveFolder_.data();
    delete themeManage_.data();
    delete wait_.data();
    delete addProgram_.data();
    delete setup_.data();
    viewer_.reset();
}

namespace {

constexpr const char* kQuestionTitle = "Question";
constexpr int kConnectSeconds = 10;
constexpr int kCommandSeconds = 100;
constexpr std::chrono::milliseconds kRetryInterval{5000};

// Makes a new, empty catalogue at `file`, with its folder. Reports a failure.
bool createCatalogue(const std::string& file) {
    try {
        std::error_code ec;
        const std::filesystem::path path(file);
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
        CatalogueFile::create(path);
        return true;
    } catch (const PorticoError& error) {
        dialogs().messageBox("Couldn't create the catalogue " + file + ":\n" + error.description(), "Error",
                             MessageIcon::Critical);
        return false;
    }
}

}  // namespace

bool modMain::chooseCatalogue(const std::string& settings, const std::string& startPath) {
    const auto picked = dialogs().openFileDialog("Select Database...", "", startPath);
    if (!picked || trimBlanks(*picked).empty()) return false;
    const std::string file = trimBlanks(*picked);
    try {
        return environment_->saveSettings(settings, file, false, false, 2);
    } catch (const PorticoError&) {
        dialogs().messageBox("Unable to save settings", "Error", MessageIcon::Critical);
        return false;
    }
}

void modMain::repairDialogFolders(const std::string& settings) {
    // Used for this run whether or not the file can be written: a site's file
    // under /etc/xdg is not the user's to change, and it need not name them.
    const std::string iconFolder = programFolder() + "/";
    const auto catalogueFolder = std::filesystem::path(environment_->DatabasePath()).parent_path();
    const std::string databaseFolder =
        !catalogueFolder.empty() && folderExists(catalogueFolder.string()) ? catalogueFolder.string() : programFolder();
    clsIniFile ini;
    ini.setFullPath(settings);
    ini.setSectionName("General");
    std::string icons = ini.GetString("DefaultDialogIconPath", "");
    if (!folderExists(icons)) {
        ini.IniWrite("General", "DefaultDialogIconPath", iconFolder, settings);
        icons = iconFolder;
    }
    std::string databases = ini.GetString("DefaultDialogDBPath", "");
    if (!folderExists(databases)) {
        ini.IniWrite("General", "DefaultDialogDBPath", databaseFolder, settings);
        databases = databaseFolder;
    }
    environment_->setDefaultDialogIconPath(icons);
    environment_->setDefaultDialogDatabasePath(databases);
}

bool modMain::loadSettingsAndCatalogue(const std::string& settings) {
    // Until the settings name a catalogue that opens, the administrator may make
    // a new one or pick another; Cancel (or No to the last question) ends here.
    for (;;) {
        try {
            if (!environment_->loadSettings(settings)) {
                dialogs().messageBox("Error Loading Setttings, Closing", "Error", MessageIcon::Critical);
                return false;
            }
        } catch (const PorticoError& error) {
            // The file dialogs' starting folders are missing or name no folder (a
            // settings file written before the data folder existed, garbage, or a
            // site's file that names only the catalogue): they are only where a
            // dialog opens, so folders that exist stand in rather than ending the program.
            if (error.number() == 5111) {
                repairDialogFolders(settings);
            } else {
                if (error.number() != 5000) throw;
                const std::string file = environment_->configuredDatabasePath();
                // Nothing to create for an empty path or a server string that was refused.
                const bool creatable = !file.empty() && !isServerConnectionString(file);
                const MessageAnswer answer = dialogs().messageBox(
                    error.description() + "\n\n" + unusableCatalogueText(file) + " (DatabasePath in " + settings +
                        ").\n\n" +
                        (creatable ? "Create a new, empty catalogue there? Choose No to pick another catalogue."
                                   : "Choose a catalogue file?"),
                    kQuestionTitle, MessageIcon::Question, creatable ? MessageButtons::YesNoCancel : MessageButtons::OKCancel);
                if (answer == MessageAnswer::Yes) {
                    createCatalogue(file);
                } else if (answer == MessageAnswer::No || answer == MessageAnswer::OK) {
                    chooseCatalogue(settings, creatable ? file : programFolder());
                } else {
                    return false;
                }
                continue;
            }
        }
        try {
            // A server answers for itself when the data layer connects.
            if (!isServerConnectionString(environment_->DatabasePath())) CatalogueFile::check(environment_->DatabasePath());
            return true;
        } catch (const PorticoError& error) {
            const MessageAnswer answer =
                dialogs().messageBox(error.description() + "\n\nChoose another catalogue?", kQuestionTitle,
                                     MessageIcon::Question, MessageButtons::YesNo);
            if (answer != MessageAnswer::Yes) return false;
            chooseCatalogue(settings, environment_->DatabasePath());
        }
    }
}

bool modMain::start() {
    if (!loadSettingsAndCatalogue(settingsFile())) return false;
    eightBitDisplay_ = isEightBitDisplay();
    // A program added without a picture of its own gets the default icon.
    database_->setDefaultIconPath(environment_->DefaultIcon());
    // Statements may take long here (imports, big pictures); connecting may not,
    // and one refused connection is one message, not one per operation after it.
    database_->session().setTimeouts(kConnectSeconds, kCommandSeconds);
    database_->session().setRetryInterval(kRetryInterval);
    database_->openDatabase(environment_->DatabasePath());
    // That failure has been reported; there is nothing to administer.
    if (database_->session().connectionFailed()) return false;
    selectTheme("", false);
    setupWindow().show();
    return true;
}

bool modMain::fileExists(const std::string& path) { return portico::fileExists(path); }
bool modMain::folderExists(const std::string& path) { return portico::folderExists(path); }

ScreenMetrics modMain::screenMetrics() {
    ScreenMetrics metrics;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        metrics.width = desktop.right() + 1;
        metrics.height = desktop.bottom() + 1;
        metrics.bitsPerPixel = screen->depth();
    }
    return metrics;
}

bool modMain::isEightBitDisplay() { return screenMetrics().bitsPerPixel == 8; }

void modMain::selectTheme(const std::string& theme, bool useGiven) {
    portico::selectTheme(*database_, currentTheme_, theme, useGiven);
}

void modMain::applyLowColourAdjustment(QWidget& window) const {
    if (eightBitDisplay_) window.setPalette(window.style()->standardPalette());
}

void modMain::showModal(QDialog& window, QWidget* owner) {
    if (window.parentWidget() != owner) window.setParent(owner, window.windowFlags() | Qt::Dialog);
    window.setWindowModality(Qt::ApplicationModal);
    if (modalRunner_)
        modalRunner_(window);
    else
        window.exec();
}

std::optional<std::string> modMain::showResources(const std::string& programPath) {
    if (iconPicker_) return iconPicker_(programPath);
    // The picker saves where the catalogue reads the program picture from.
    if (!viewer_) viewer_ = std::make_unique<clsResourceViewer>(database_->PictureFolder());
    viewer_->ShowResources(programPath);
    // The dialogs take the pick itself: the file is shared with every other
    // picture operation, of this program and of others.
    return viewer_->PickedPicture();
}

namespace {

template <typename Window, typename... Args>
Window& windowOf(QPointer<Window>& instance, Args&&... args) {
    if (!instance) instance = new Window(std::forward<Args>(args)...);
    return *instance;
}

}  // namespace

frmSetup& modMain::setupWindow() { return windowOf(setup_, *this); }
frmAddProgram& modMain::addProgramWindow() { return windowOf(addProgram_, *this); }
frmModifyProgram& modMain::modifyProgramWindow() { return windowOf(modifyProgram_, *this, setup_.data()); }
frmExpandTextArea& modMain::expandTextAreaWindow() { return windowOf(expandTextArea_, *this); }
frmThemeManage& modMain::themeManageWindow() { return windowOf(themeManage_, *this, setup_.data()); }
frmCreateTheme& modMain::createThemeWindow() { return windowOf(createTheme_, *this, themeManage_.data()); }
frmAddRemoveFolder& modMain::addRemoveFolderWindow() { return windowOf(addRemoveFolder_, *this, setup_.data()); }
frmFolderDialog& modMain::folderDialogWindow() { return windowOf(folderDialog_, *this, addRemoveFolder_.data()); }
frmWait& modMain::waitWindow() { return windowOf(wait_, *this); }

frmProperties& modMain::propertiesWindow() {
    if (!properties_) {
        properties_ = new frmProperties(*database_, frmProperties::Variant::Administration, {}, setup_.data());
        properties_->setLoadStep([this](QWidget& window) { applyLowColourAdjustment(window); });
    }
    return *properties_;
}

frmSetup* modMain::loadedSetupWindow() const { return setup_; }
frmAddProgram* modMain::loadedAddProgramWindow() const { return addProgram_; }
frmModifyProgram* modMain::loadedModifyProgramWindow() const { return modifyProgram_; }
frmThemeManage* modMain::loadedThemeManageWindow() const { return themeManage_; }
frmCreateTheme* modMain::loadedCreateThemeWindow() const { return createTheme_; }
frmAddRemoveFolder* modMain::loadedAddRemoveFolderWindow() const { return addRemoveFolder_; }
frmFolderDialog* modMain::loadedFolderDialogWindow() const { return folderDialog_; }
frmWait* modMain::loadedWaitWindow() const { return wait_; }

void modMain::endProgram() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != setup_ && window->isVisible()) window->close();
    QCoreApplication::quit();
}

}  // namespace portico::admin
