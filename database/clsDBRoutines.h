#pragma once

#include "Recordset.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace portico {

class Connection;

// The catalogue data layer: every query and change of the catalogue database.
// Operations never throw (except AddProgramImage and AddThemeImage, which pass
// their errors on): a failure is shown through messageSink() as a critical
// message "number, description" titled with the error's source, and the
// operation returns its default result (null record set, false, "" or 0).
// Record sets returned belong to the caller.
class clsDBRoutines {
public:
    // Pictures are exported to, and the icon picker's temp.bmp read from,
    // `pictureFolder`; without one, the per-user picture folder.
    clsDBRoutines();
    explicit clsDBRoutines(std::filesystem::path pictureFolder);
    ~clsDBRoutines();
    clsDBRoutines(const clsDBRoutines&) = delete;
    clsDBRoutines& operator=(const clsDBRoutines&) = delete;

    // Connection. The connection string is the path of the catalogue file.
    void openDatabase(const std::string& mstrConString);
    const std::string& DefaultIconPath() const { return defaultIconPath_; }
    void setDefaultIconPath(std::string value) { defaultIconPath_ = std::move(value); }
#ifdef PORTICO_TESSERA_VARIANT
    // The library's folder for picture files; empty means the per-user picture folder.
    const std::string& exportThemePath() const { return exportThemePath_; }
    void setExportThemePath(std::string value) { exportThemePath_ = std::move(value); }
#endif

    // Folder of the picture files (temp.bmp, Theme_LogoSplash.bmp, ...).
    std::filesystem::path PictureFolder() const;
    void setPictureFolder(std::filesystem::path folder) { pictureFolder_ = std::move(folder); }
    // The file GetProgramImage writes and AddProgramImage reads by default.
    std::filesystem::path programImageFile() const;
    // The file GetThemeImage writes for a picture column.
    std::filesystem::path themeImageFile(const std::string& fieldName) const;

    // Program catalogue.
    std::unique_ptr<Recordset> loadPrograms();
    std::unique_ptr<Recordset> loadProgram(const std::string& mStrName);
    std::string getProgramDescription(const std::string& mStrPrgName);
    // Every program's name and description ("Program_Name", "Program_Desc"), for searching.
    std::unique_ptr<Recordset> loadProgramDescriptions();
    std::int16_t getProgramKey(const std::string& mStrName);
    std::unique_ptr<Recordset> loadProperties(const std::string& mStrName);
    std::string getProgramPath(const std::string& mStrName);
    std::string getProgramResType(const std::string& mStrName);
    bool deleteProgram(const std::string& mStrName);
    bool addProgram(const std::string& mStrName, const std::string& mStrDesc, const std::string& mStrProgramPath,
                    const std::string& strFileName, const std::string& strProgramStartInDir = {},
                    const std::string& strProgramStartParms = {});
    bool updateProgram(const std::string& mStrOldName, const std::string& mStrName, const std::string& mStrDesc,
                       const std::string& mStrProgramPath, const std::string& mStrProgramStartInDir = {},
                       const std::string& mStrProgramStartUpParm = {});
    std::string GetProgramParameters(const std::string& mStrPrgName);
    std::string GetProgramStartInDir(const std::string& mStrPrgName);

    // Pictures. The two Add operations assign a field of the current row (the
    // caller calls Update) and throw PorticoError (3002 for an unreadable file).
    void AddProgramImage(Recordset& rs, const std::string& strPath = {});
    void AddThemeImage(Recordset& rs, const std::string& strPath, const std::string& mStrFieldName);
    bool GetThemeImage(const std::string& mStrThemeName, const std::string& mStrFieldName);
    bool GetProgramImage(const std::string& strPrgName);

    // Users, groups and permissions. Object type 1 = user, 2 = group.
    std::unique_ptr<Recordset> LoadSecurityUser(const std::string& strSid, const std::string& strPrgName);
    std::unique_ptr<Recordset> LoadGroupPermissionForDataReport();
    std::unique_ptr<Recordset> LoadUserPermissionForDataReport();
    std::unique_ptr<Recordset> LoadSecurityGroup(const std::string& strGroupName, const std::string& strPrgName);
    std::unique_ptr<Recordset> LoadProgramsByGroup(const std::string& strGroupName);
    std::unique_ptr<Recordset> LoadProgramsByUser(const std::string& strUserName, const std::string& strSid);
    std::unique_ptr<Recordset> LoadUsersByProgram(const std::string& strPrgName);
    std::unique_ptr<Recordset> LoadGroupsByProgram(const std::string& strPrgName);
    std::int16_t GetObjectKey(const std::string& strObjectName, std::int16_t mIntType);
    bool AddSecurity(const std::string& strObjectName, std::int16_t intPermissionStatus, const std::string& strPrgName,
                     std::int16_t mIntType);
    bool DeleteSecurity(std::int16_t IntObjectKey, std::int16_t IntPrgKey);
    bool AddUser(const std::string& strUserName, const std::string& strSid);
    bool AddGroup(const std::string& strGroupName);
    bool DeleteUser(const std::string& strSid);
    bool DeleteGroup(const std::string& strGroupName);
    bool GroupExists(const std::string& strGroupName);
    bool UserExists(const std::string& strUserName);

    // Folders and themes.
    bool AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath);
    bool DeleteFolder(const std::string& mStrFolderName);
    std::unique_ptr<Recordset> GetFolders();
    std::unique_ptr<Recordset> LoadThemes();
    bool DeleteTheme(const std::string& mStrThemeName);
    std::unique_ptr<Recordset> LoadTheme(const std::string& mStrThemeName);
#ifdef PORTICO_TESSERA_VARIANT
    bool CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash = {},
                     const std::string& mStrAddRemove = {}, const std::string& mStrSetup = {});
#else
    bool CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash = {},
                     const std::string& mStrAddRemove = {});
#endif
    bool setDefaultTheme(const std::string& mStrThemeName);
    std::int16_t GetThemeKey(const std::string& mStrThemeName);
    std::string GetThemeName(std::int16_t mIntThemeKey);
    std::string getDefaultTheme();

private:
    std::shared_ptr<Connection> connection_;
    // The connection the last createRecordset bound its record set to.
    std::shared_ptr<Connection> activeConnection_;
    std::string connectionString_;
    std::string databasePassword_;  // kept, never sent: the file is not encrypted
    std::string defaultIconPath_;
#ifdef PORTICO_TESSERA_VARIANT
    std::string exportThemePath_;
#endif
    mutable std::optional<std::filesystem::path> pictureFolder_;

    void connectDatabase();
    void closeDatabase();
    bool isConnectionOpen(const std::shared_ptr<Connection>& connection);
    std::shared_ptr<Connection> getConnection(const std::shared_ptr<Connection>& connection);
    std::unique_ptr<Recordset> createRecordset();

    // Building blocks of the operations. The first two throw; the others report.
    std::unique_ptr<Recordset> openQuery(const std::string& sql, const std::vector<Variant>& parameters);
    std::unique_ptr<Recordset> openTable(const std::string& table);
    std::unique_ptr<Recordset> queryRecordset(const std::string& sql, const std::vector<Variant>& parameters,
                                              const char* separator = ", ");
    bool executeStatement(const std::string& sql, const std::vector<Variant>& parameters);
    // The trimmed text of the first row's field; "" when `checkCount` and no row.
    std::string readText(const std::string& sql, const std::string& parameter, const std::string& field,
                         bool checkCount);
};

}  // namespace portico
