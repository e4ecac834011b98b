#pragma once

#include "database/CatalogueCaller.h"
#include "database/Recordset.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace portico {

class AccessCatalogue;
class CataloguePictures;
class CatalogueSession;
class FolderThemeCatalogue;
class ProgramCatalogue;

// The catalogue data layer: every query and change of the catalogue database.
// Operations never throw (except AddProgramImage and AddThemeImage, which pass
// their errors on): a failure is shown through messageSink() as a critical
// message "number, description" titled with the error's source, and the
// operation returns its default result (null record set, false, "" or 0).
// Record sets returned belong to the caller.
//
// An object serves the programs unless made for the library. Serving the
// library, loadPrograms gives the three published columns, deleteProgram takes
// the program's permission rows with it, GetProgramImage writes a file named
// after the program, and the runtime's errors (6 Overflow, ...) are reported
// under "Tessera" instead of "Portico".
class clsDBRoutines {
public:
    // Pictures are exported to, and the icon picker's temp.bmp read from,
    // `pictureFolder`; without one, the per-user picture folder.
    clsDBRoutines();
    explicit clsDBRoutines(std::filesystem::path pictureFolder);
    explicit clsDBRoutines(CatalogueCaller caller, std::optional<std::filesystem::path> pictureFolder = std::nullopt);
    ~clsDBRoutines();
    clsDBRoutines(const clsDBRoutines&) = delete;
    clsDBRoutines& operator=(const clsDBRoutines&) = delete;

    // Connection. The connection string is the path of the catalogue file.
    void openDatabase(const std::string& mstrConString);
    // The connection behind every operation: timeouts, the offline copy, reconnecting.
    CatalogueSession& session() { return *session_; }
    CatalogueCaller caller() const;
    const std::string& DefaultIconPath() const;
    void setDefaultIconPath(std::string value);
    // The library's folder for picture files, before the picture folder; empty
    // (the programs never set it) means the picture folder.
    const std::string& exportThemePath() const;
    void setExportThemePath(std::string value);

    // Folder of the picture files (temp.bmp, Theme_LogoSplash.bmp, ...).
    std::filesystem::path PictureFolder() const;
    void setPictureFolder(std::filesystem::path folder);
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
    // Whether the program is started in a terminal; false for a catalogue made
    // before the mark (an older client's programs are ordinary ones).
    bool runsInTerminal(const std::string& name);
    // Marks the program started in a terminal or not. Marking fails (reported)
    // on a server catalogue not yet brought up to date; unmarking never does.
    bool setRunsInTerminal(const std::string& name, bool terminal);

    // Programs by key, for windows that act on the row the user selected. Names
    // are unique without regard to case (see NameFold): adding or renaming onto
    // another program's name is refused with error 3022, naming the clash.
    // Program_Key, Program_Name, Program_Icon, Program_Path of every program, by name.
    std::unique_ptr<Recordset> loadProgramList();
    // For lists that fetch pictures only for the rows in sight: Program_Key and
    // Program_Name (and Program_Path when `withPaths`) of every program, by name
    // and key, without the pictures.
    std::unique_ptr<Recordset> loadProgramNames(bool withPaths = false);
    // Program_Key and Program_Icon of the programs with these keys, in no order;
    // a key with no program has no row.
    std::unique_ptr<Recordset> loadProgramIcons(const std::vector<std::int64_t>& keys);
    // Every column of the program with this key (no row when there is none).
    std::unique_ptr<Recordset> loadProgramByKey(std::int64_t key);
    // ProgramName, ProgramPath, AddedDate and ProgramIcon of the program with this key.
    std::unique_ptr<Recordset> loadPropertiesByKey(std::int64_t key);
    // Adds a program with `picture` (the bytes of a picture file) as its icon;
    // an empty picture means the default icon, or none when that cannot be read.
    bool addProgramWithPicture(const std::string& name, const std::string& description, const std::string& path,
                               const Bytes& picture, const std::string& startInDir = {},
                               const std::string& parameters = {});
    // Changes the program with this key; a null `picture` leaves its icon as it
    // is. False (reported) when the program is no longer there.
    bool updateProgramByKey(std::int64_t key, const std::string& name, const std::string& description,
                            const std::string& path, const std::string& startInDir, const std::string& parameters,
                            const Bytes* picture);
    // Deletes the program with this key and its permission rows.
    bool deleteProgramByKey(std::int64_t key);
    // The stored name of a program, other than the one with `exceptKey`, that has
    // the same name as `name`; "" when there is none.
    std::string programNamedLike(const std::string& name, std::int64_t exceptKey = 0);

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

    // Who may see what. A program with no grant (a permission row of status 1)
    // is seen by everyone; one with grants only by the users granted it and the
    // members of the groups granted it. A grant is (1 = user or 2 = group, name).
    using Grants = std::vector<std::pair<std::int16_t, std::string>>;
    // Whether this object reads only what the person running it may see. Off
    // unless asked: Portico asks; PorticoAdmin (administrators see everything),
    // the tools and libTessera's clients read every row of a file, which any
    // program that can read the file can do. On a server, the server applies
    // the rule to its users whatever the client.
    void applyAccessRule(bool apply);
    // Program_Key and Program_Name of the programs `user` may see, by name, by
    // the rule (the server's roles, or the user's groups on this machine).
    std::unique_ptr<Recordset> loadProgramsVisibleTo(const std::string& user);
    // The grants of a program, users first, by name.
    Grants grantsOf(std::int64_t programKey);
    // Keys of the programs that have a grant.
    std::vector<std::int64_t> restrictedProgramKeys();
    // Whether `name` is a user (1) or group (2) known where the catalogue is:
    // this machine's logins and groups, or the server's roles.
    bool isKnownName(const std::string& name, std::int16_t type);
    // Whether this session may change the catalogue (write the file, or change
    // the server's tables); true, without a report, when it cannot be told.
    bool mayChangeCatalogue();
    // As addProgramWithPicture and updateProgramByKey, writing the program's
    // grants (replacing those it had; none: everyone sees it) in the same
    // transaction. An unknown name is refused before anything is written.
    // The "Run in a terminal" mark is written with the program (the update
    // leaves it as it is when none is given); a catalogue that cannot keep a
    // set mark refuses the whole save.
    bool addProgramWithGrants(const std::string& name, const std::string& description, const std::string& path,
                              const Bytes& picture, const std::string& startInDir, const std::string& parameters,
                              const Grants& grants, bool terminal = false);
    bool updateProgramWithGrants(std::int64_t key, const std::string& name, const std::string& description,
                                 const std::string& path, const std::string& startInDir, const std::string& parameters,
                                 const Bytes* picture, const Grants& grants,
                                 std::optional<bool> terminal = std::nullopt);

    // Folders and themes.
    bool AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath);
    bool DeleteFolder(const std::string& mStrFolderName);
    std::unique_ptr<Recordset> GetFolders();
    std::unique_ptr<Recordset> LoadThemes();
    bool DeleteTheme(const std::string& mStrThemeName);
    std::unique_ptr<Recordset> LoadTheme(const std::string& mStrThemeName);
    // For the windows that show one picture of a theme: the theme's row with
    // that column alone when it is Theme_LogoSplash or Theme_LogoAddRemove
    // (the others are not read), else as LoadTheme.
    std::unique_ptr<Recordset> loadThemePicture(const std::string& themeName, const std::string& field);
    bool CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash = {},
                     const std::string& mStrAddRemove = {}, const std::string& mStrSetup = {});
    bool setDefaultTheme(const std::string& mStrThemeName);
    std::int16_t GetThemeKey(const std::string& mStrThemeName);
    std::string GetThemeName(std::int16_t mIntThemeKey);
    std::string getDefaultTheme();

    // Themes by key. Theme_Key, Theme_Name of every theme, by name.
    std::unique_ptr<Recordset> loadThemeList();
    bool deleteThemeByKey(std::int64_t key);
    // The key of the default theme; 0, without a report, when no theme is the
    // default or the default theme is no longer there.
    std::int64_t defaultThemeKey();
    // The stored name of a theme with the same name as `name`; "" when none.
    std::string themeNamedLike(const std::string& name);

private:
    // The operations by concern. The session, which they all use, is destroyed last.
    std::unique_ptr<CatalogueSession> session_;
    std::unique_ptr<CataloguePictures> pictures_;
    std::unique_ptr<ProgramCatalogue> programs_;
    std::unique_ptr<FolderThemeCatalogue> foldersThemes_;
    std::unique_ptr<AccessCatalogue> access_;
};

}  // namespace portico
