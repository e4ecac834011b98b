#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace portico {

class clsDBRoutines;
class clsEnvironment;
class frmView;
class UsageHistory;
class SiteCatalogue;

// The launcher's program-wide objects and routines: the settings, the one
// catalogue connection, the theme in use, and the routines every window uses
// to start a program or open a file.
class modMain {
public:
    // `pictureFolder` is where the catalogue's pictures are exported; empty
    // means the per-user picture folder.
    explicit modMain(const std::filesystem::path& pictureFolder = {});
    ~modMain();
    modMain(const modMain&) = delete;
    modMain& operator=(const modMain&) = delete;

    // Start-up: settings from <program folder>/Portico.ini, the catalogue they
    // name, the default theme, then the main window, not modal. Errors are not
    // handled here: the caller ends the program with them.
    void start();

    static bool fileExists(const std::string& path);
    static bool folderExists(const std::string& path);

    enum class Launch { Started, Failed, NotStarted };
    // Starts a catalogued program by name and counts the launch in the user's
    // history. Failed: reported with two messages. NotStarted: said in one
    // message, when the program is not in the catalogue for this user (unknown,
    // or not granted to them) or the catalogue cannot be reached.
    Launch launch(const std::string& name);
    bool launchProgram(const std::string& name) { return launch(name) == Launch::Started; }
    // Opens a file with its associated application; `name` is for messages.
    bool openFile(const std::string& name, const std::string& file);
    // Runs an executable file the user chose to run, in the folder that holds it.
    bool runFile(const std::string& name, const std::string& file);
    void selectTheme(const std::string& theme, bool useGiven);

    const std::string& CurrentTheme() const { return currentTheme_; }
    clsEnvironment& environment() { return *environment_; }
    clsDBRoutines& database() { return *database_; }
    // This user's launches and pins (never the catalogue's).
    UsageHistory& usage() { return *usage_; }
    // The main window, created by start() or showMainWindow().
    frmView* mainWindow() { return mainWindow_.get(); }
    // Creates and shows the main window (the last step of start()).
    frmView& showMainWindow();
    // A second start's request: the main window shown, in front and active,
    // whatever other window of ours is open; nothing before start() made it.
    void raiseMainWindow();
    // Offline copy, reconnecting, changes and F5 (made by start()).
    SiteCatalogue* site() { return site_.get(); }

private:
    std::unique_ptr<clsEnvironment> environment_;
    std::unique_ptr<clsDBRoutines> database_;
    std::unique_ptr<UsageHistory> usage_;
    std::string currentTheme_;
    std::unique_ptr<SiteCatalogue> site_;
    std::unique_ptr<frmView> mainWindow_;
};

}  // namespace portico
