#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace portico {

class clsIniFile;

// The settings each program needs before it opens the catalogue: where the
// database is, three general values and the folders the file dialogs open in.
// They live in Portico.ini in the program folder:
//   [Database] DatabasePath
//   [General]  RequireLogin, ShowToolbar, NumberOfClicks, DefaultIcon,
//              DefaultDialogIconPath, DefaultDialogDBPath
// Property writes check their values and throw PorticoError; the old value
// then stays.
class clsEnvironment {
public:
    clsEnvironment();
    ~clsEnvironment();
    clsEnvironment(clsEnvironment&&) noexcept;
    clsEnvironment& operator=(clsEnvironment&&) noexcept;

    const std::string& DatabasePath() const { return databasePath_; }
    // The catalogue path the settings file names (trimmed), kept also when
    // DatabasePath refused it, so that a start-up can say which file is missing.
    const std::string& configuredDatabasePath() const { return configuredDatabasePath_; }
    // Trimmed; must name an existing file (5000).
    void setDatabasePath(const std::string& value);
    bool RequireLogin() const { return requireLogin_; }
    void setRequireLogin(bool value) { requireLogin_ = value; }
    bool ShowToolbar() const { return showToolbar_; }
    void setShowToolbar(bool value) { showToolbar_ = value; }
    std::int16_t NumberofClicks() const { return numberOfClicks_; }
    // Must be greater than 0 (501112).
    void setNumberofClicks(std::int16_t value);
    // Kept as given: the path of the programs' default icon.
    const std::string& DefaultIcon() const { return defaultIcon_; }
    void setDefaultIcon(const std::string& value) { defaultIcon_ = value; }
    const std::string& DefaultDialogIconPath() const { return defaultDialogIconPath_; }
    // Trimmed; must name an existing folder (5111).
    void setDefaultDialogIconPath(const std::string& value);
    const std::string& DefaultDialogDatabasePath() const { return defaultDialogDatabasePath_; }
    // Trimmed; must name an existing folder (5111).
    void setDefaultDialogDatabasePath(const std::string& value);

    // Loads every setting from the file; when it is missing, first creates
    // <program folder>/Portico.ini with the defaults and loads that. Errors go to
    // the caller, including one when the file cannot be created; settings read
    // before a failing step keep their new values.
    bool loadSettings(const std::string& iniFile);
    // Writes the database path and the three general values into an existing
    // file (500123 when there is none; 75 when it cannot be written); the other
    // keys stay as they are.
    bool saveSettings(const std::string& iniFile, const std::string& databasePath, const bool& requireLogin,
                      const bool& showToolbar, const std::int16_t& numberOfClicks);

private:
    clsIniFile& iniFile();
    bool loadSettingsFrom(const std::string& iniFile, bool mayCreate);

    std::string databasePath_;
    std::string configuredDatabasePath_;
    bool requireLogin_ = false;
    bool showToolbar_ = false;
    std::int16_t numberOfClicks_ = 0;
    std::string defaultIcon_;
    std::string defaultDialogDatabasePath_;
    std::string defaultDialogIconPath_;
    std::unique_ptr<clsIniFile> iniFile_;
};

}  // namespace portico
