#include "settings/clsEnvironment.h"

#include "settings/ErrorNumbers.h"
#include "settings/ExistenceTests.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/ServerConnectionString.h"
#include "settings/SettingsLocation.h"
#include "settings/TextUtil.h"
#include "settings/clsIniFile.h"

#include <filesystem>

namespace portico {
namespace {

constexpr const char* kSectionDatabase = "Database";
constexpr const char* kSectionGeneral = "General";

std::string defaultDatabasePath() { return newDataFolder() + "/Portico.mdb"; }

}  // namespace

clsEnvironment::clsEnvironment() = default;
clsEnvironment::~clsEnvironment() = default;
clsEnvironment::clsEnvironment(clsEnvironment&&) noexcept = default;
clsEnvironment& clsEnvironment::operator=(clsEnvironment&&) noexcept = default;

clsIniFile& clsEnvironment::iniFile() {
    if (!iniFile_) iniFile_ = std::make_unique<clsIniFile>();
    return *iniFile_;
}

void clsEnvironment::setDatabasePath(const std::string& value) {
    const std::string trimmed = trimBlanks(value);
    // A server connection string names no file; one that carries a password is
    // refused, because the settings file is no place for it.
    const bool server = isServerConnectionString(trimmed) && !carriesPassword(trimmed);
    if (!server && !fileExists(trimmed))
        throw PorticoError(errors::kInvalidPathProperty, "Invalid Path sent to property", "Portico.clsEnvironment");
    databasePath_ = trimmed;
}

void clsEnvironment::setNumberofClicks(std::int16_t value) {
    if (value <= 0) {
        throw PorticoError(errors::kInvalidClickCount, "Invalid Number Of Clicks Sent to property. Has to be greater than 0",
                           "Portico.clsEnviroment");
    }
    numberOfClicks_ = value;
}

void clsEnvironment::setDefaultDialogIconPath(const std::string& value) {
    const std::string trimmed = trimBlanks(value);
    if (!folderExists(trimmed)) {
        throw PorticoError(errors::kInvalidDialogPath, "Invalid Path Sent to Default Dialog Icon Path Property", "Portico.clsEnvrionment");
    }
    defaultDialogIconPath_ = trimmed;
}

void clsEnvironment::setDefaultDialogDatabasePath(const std::string& value) {
    const std::string trimmed = trimBlanks(value);
    if (!folderExists(trimmed)) {
        throw PorticoError(errors::kInvalidDialogPath, "Invalid Path Sent to Default Dialog Database Path Property",
                           "Portico.clsEnvrionment");
    }
    defaultDialogDatabasePath_ = trimmed;
}

bool clsEnvironment::loadSettings(const std::string& iniFile) { return loadSettingsFrom(iniFile, true); }

bool clsEnvironment::loadSettingsFrom(const std::string& path, bool mayCreate) {
    clsIniFile& ini = iniFile();
    const std::string trimmed = trimBlanks(path);
    if (ini.Exists(trimmed)) {
        ini.setFullPath(trimmed);
        ini.setSectionName(kSectionDatabase);
        const std::string databasePath = ini.GetString("DatabasePath", defaultDatabasePath());
        configuredDatabasePath_ = trimBlanks(databasePath);
        setDatabasePath(databasePath);
        ini.setSectionName(kSectionGeneral);
        setRequireLogin(ini.GetInt("RequireLogin", 0) != 0);
        setShowToolbar(ini.GetInt("ShowToolbar", 0) != 0);
        setNumberofClicks(ini.GetInt("NumberOfClicks", 2));
        setDefaultIcon(ini.GetString("DefaultIcon", ""));
        setDefaultDialogIconPath(ini.GetString("DefaultDialogIconPath", ""));
        setDefaultDialogDatabasePath(ini.GetString("DefaultDialogDBPath", ""));
        return true;
    }

    const std::string file = newSettingsFile();
    // A missing file is created once; when it still is not there (a read-only
    // program folder) the caller hears of it instead of a second attempt.
    if (!mayCreate) {
        throw PorticoError(errors::kPathFileAccessError, "Couldn't create the settings file " + file, "Portico.clsEnvironment");
    }
    const std::string folder = programFolder();
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    // The catalogue's folder too, so an installed program's first run has
    // somewhere to create the catalogue.
    const std::string dataFolder = newDataFolder();
    if (dataFolder != folder + "/data") std::filesystem::create_directories(dataFolder, ignored);
    ini.IniWrite(kSectionDatabase, "DatabasePath", defaultDatabasePath(), file);
    ini.IniWrite(kSectionGeneral, "RequireLogin", "0", file);
    ini.IniWrite(kSectionGeneral, "ShowToolbar", "0", file);
    ini.IniWrite(kSectionGeneral, "NumberOfClicks", "2", file);
    ini.IniWrite(kSectionGeneral, "DefaultIcon", programDataFile("Default.ico"), file);
    ini.IniWrite(kSectionGeneral, "DefaultDialogIconPath", folder + "/", file);
    ini.IniWrite(kSectionGeneral, "DefaultDialogDBPath", dataFolder, file);
    loadSettingsFrom(file, false);
    return true;
}

bool clsEnvironment::saveSettings(const std::string& iniFile, const std::string& databasePath,
                                  const bool& requireLogin, const bool& showToolbar,
                                  const std::int16_t& numberOfClicks) {
    if (!fileExists(iniFile)) {
        throw PorticoError(errors::kSettingsNotSaved, "Couldn't save settings, invalid path pass the function", "Portcio.clsEnvironment");
    }
    // The file that was checked is the one written, and a write that fails (a
    // read-only file) is reported rather than returning True.
    const std::string file = trimBlanks(iniFile);
    clsIniFile& ini = this->iniFile();
    const bool written = ini.IniWrite(kSectionDatabase, "DatabasePath", databasePath, file) &&
                         ini.IniWrite(kSectionGeneral, "RequireLogin", requireLogin ? "1" : "0", file) &&
                         ini.IniWrite(kSectionGeneral, "ShowToolbar", showToolbar ? "1" : "0", file) &&
                         ini.IniWrite(kSectionGeneral, "NumberOfClicks", std::to_string(numberOfClicks), file);
    if (!written) throw PorticoError(errors::kPathFileAccessError, "Couldn't save settings to " + file, "Portico.clsEnvironment");
    return true;
}

}  // namespace portico
