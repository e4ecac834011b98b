#pragma once

#include <QPointer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace portico {
class clsDBRoutines;
class clsEnvironment;
class clsResourceViewer;
class frmProperties;
}  // namespace portico

namespace portico::admin {

class frmAddProgram;
class frmAddRemoveFolder;
class frmCreateTheme;
class frmExpandTextArea;
class frmFolderDialog;
class frmModifyProgram;
class frmSetup;
class frmThemeManage;
class frmWait;

struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

// The administration program's program-wide objects: the settings, the one
// catalogue connection, the theme in use, the display depth seen at start-up,
// and the single instance of every window. A window is created on first use and
// created afresh after it has closed, so each showing runs its load steps again.
class modMain {
public:
    // `pictureFolder` is where the catalogue's pictures are exported; empty
    // means the per-user picture folder.
    explicit modMain(const std::filesystem::path& pictureFolder = {});
    ~modMain();
    modMain(const modMain&) = delete;
    modMain& operator=(const modMain&) = delete;

    // Start-up: settings from <program folder>/Portico.ini, the display depth,
    // the catalogue, the default theme, then the setup window, not modal. When
    // the settings name no catalogue file, or a file that is not a catalogue, the
    // administrator is offered to create one or to choose another. False when
    // the settings could not be loaded or no catalogue was had (reported); the
    // program then ends. Other errors raised on the way are not handled here.
    bool start();

    static bool fileExists(const std::string& path);
    static bool folderExists(const std::string& path);
    static ScreenMetrics screenMetrics();
    static bool isEightBitDisplay();

    void selectTheme(const std::string& theme, bool useGiven);
    const std::string& CurrentTheme() const { return currentTheme_; }
    bool EightBitDisplay() const { return eightBitDisplay_; }
    void setEightBitDisplay(bool value) { eightBitDisplay_ = value; }

    // The first load step of most windows: on an 8-bit display the window drops
    // its own palette for the style's standard one, whose few plain colours such
    // a display shows without dithering.
    void applyLowColourAdjustment(QWidget& window) const;

    clsEnvironment& environment() { return *environment_; }
    clsDBRoutines& database() { return *database_; }

    // Shows a window modally over `owner`. Tests replace the runner so that a
    // modal window stays up without blocking them.
    void showModal(QDialog& window, QWidget* owner);
    using ModalRunner = std::function<void(QDialog&)>;
    void setModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }

    // The icon picker on an executable: returns when it has closed, with the
    // bytes of the picked icon's picture file, or nothing when none was picked.
    // Tests may put another picker in its place.
    std::optional<std::string> showResources(const std::string& programPath);
    using IconPicker = std::function<std::optional<std::string>(const std::string&)>;
    void setIconPicker(IconPicker picker) { iconPicker_ = std::move(picker); }

    // The windows, created on first use.
    frmSetup& setupWindow();
    frmAddProgram& addProgramWindow();
    frmModifyProgram& modifyProgramWindow();
    frmExpandTextArea& expandTextAreaWindow();
    frmThemeManage& themeManageWindow();
    frmCreateTheme& createThemeWindow();
    frmAddRemoveFolder& addRemoveFolderWindow();
    frmFolderDialog& folderDialogWindow();
    frmWait& waitWindow();
    frmProperties& propertiesWindow();

    // The window when it is loaded, else nullptr; never creates it.
    frmSetup* loadedSetupWindow() const;
    frmAddProgram* loadedAddProgramWindow() const;
    frmModifyProgram* loadedModifyProgramWindow() const;
    frmThemeManage* loadedThemeManageWindow() const;
    frmCreateTheme* loadedCreateThemeWindow() const;
    frmAddRemoveFolder* loadedAddRemoveFolderWindow() const;
    frmFolderDialog* loadedFolderDialogWindow() const;
    frmWait* loadedWaitWindow() const;

    // The setup window has closed: every other window closes with it and the
    // program ends.
    void endProgram();

private:
    // Start-up's settings and catalogue, with the offers to create or choose a
    // catalogue when there is none or the file is not one. False: the program ends.
    bool loadSettingsAndCatalogue(const std::string& settings);
    // The file dialog for another catalogue, saved in the settings when picked.
    bool chooseCatalogue(const std::string& settings, const std::string& startPath);
    // Points the file dialogs' starting folders that name no folder at ones that exist.
    void repairDialogFolders(const std::string& settings);

    std::unique_ptr<clsEnvironment> environment_;
    std::unique_ptr<clsDBRoutines> database_;
    std::string currentTheme_;
    bool eightBitDisplay_ = false;
    ModalRunner modalRunner_;
    IconPicker iconPicker_;
    std::unique_ptr<clsResourceViewer> viewer_;

    QPointer<frmSetup> setup_;
    QPointer<frmAddProgram> addProgram_;
    QPointer<frmModifyProgram> modifyProgram_;
    QPointer<frmExpandTextArea> expandTextArea_;
    QPointer<frmThemeManage> themeManage_;
    QPointer<frmCreateTheme> createTheme_;
    QPointer<frmAddRemoveFolder> addRemoveFolder_;
    QPointer<frmFolderDialog> folderDialog_;
    QPointer<frmWait> wait_;
    QPointer<frmProperties> properties_;
};

}  // namespace portico::admin
