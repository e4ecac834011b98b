#include "database/clsDBRoutines.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/NameFold.h"
#include "database/Stream.h"
#include "settings/ErrorNumbers.h"
#include "settings/MessageSink.h"
#include "settings/PictureFolder.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <ctime>
#include <string_view>

namespace portico {
namespace {

constexpr int kCommandTimeoutSeconds = 100;
constexpr int kConnectionTimeoutSeconds = 100;
constexpr const char* kCatalogueTables[] = {"Program", "Permission", "User", "Group", "Folder", "Theme", "Settings"};

// The separator most reports use; four permission queries use a bare comma.
constexpr const char* kReportSeparator = ", ";
constexpr const char* kShortReportSeparator = ",";

// The engine's number for a change that would duplicate an index's value.

void report(const PorticoError& error, const char* separator = kReportSeparator) {
    messageSink().showMessage(std::to_string(error.number()) + separator + error.description(), error.source(),
                              MessageIcon::Critical);
}

// Runs one operation's steps; a failure skips the rest and is reported.
template <typename Steps>
void trap(Steps&& steps, const char* separator = kReportSeparator) {
    try {
        steps();
    } catch (const PorticoError& error) {
        report(error, separator);
    }
}

[[noreturn]] void raiseObjectNotSet() {
    throw PorticoError(ado::kObjectNotSet, ado::kObjectNotSetText, ado::kRuntimeSource);
}

Variant today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 16> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d", &local);
    return Variant::date(text.data());
}

// Undoes a transaction that did not reach its commit.
class TransactionScope {
public:
    explicit TransactionScope(Connection& connection) : connection_(connection) { connection_.BeginTrans(); }
    ~TransactionScope() {
        if (!committed_) {
            try {
                connection_.RollbackTrans();
            } catch (const PorticoError&) {
                // The engine has already rolled back whatever it could.
            }
        }
    }
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;
    void commit() {
        connection_.CommitTrans();
        committed_ = true;
    }

private:
    Connection& connection_;
    bool committed_ = false;
};

#ifdef PORTICO_TESSERA_VARIANT
// The library names a program's picture file after the program. A name is not
// a path: separators become "_", so the file always lands in the picture
// folder ("../x" is ".._x.bmp", "a/b" is "a_b.bmp").
std::string programPictureName(const std::string& programName) {
    std::string name = programName;
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    }
    return name + ".bmp";
}
#endif

}  // namespace

// ---------------------------------------------------------------- connection

clsDBRoutines::clsDBRoutines() : databasePassword_("lantern731") {}

clsDBRoutines::clsDBRoutines(std::filesystem::path pictureFolder)
    : databasePassword_("lantern731"), pictureFolder_(std::move(pictureFolder)) {}

clsDBRoutines::~clsDBRoutines() { closeDatabase(); }

void clsDBRoutines::openDatabase(const std::string& mstrConString) {
    connectionString_ = mstrConString;
    connectDatabase();
}

void clsDBRoutines::connectDatabase() {
    trap([&] {
        // The old connection goes without an explicit close.
        activeConnection_.reset();
        connection_ = std::make_shared<Connection>();
        connection_->setCommandTimeout(kCommandTimeoutSeconds);
        connection_->setConnectionTimeout(kConnectionTimeoutSeconds);
        connection_->setConnectionString(connectionString_);
        connection_->Open();
        try {
            std::set<std::string> present;
            for (const auto& table : connection_->tableNames()) present.insert(toLowerAscii(table));
            for (const char* required : kCatalogueTables) {
                if (present.count(toLowerAscii(required))) continue;
                const Engine& engine = connection_->engine(ado::kConnectionSource);
                const std::string server = engine.location();
                // A server's database without tables is most often one made for
                // the catalogue and not yet filled.
                throw PorticoError(errors::kNotACatalogue,
                                   server.empty() ? "The file is not a Portico catalogue (it has no table " +
                                                        std::string(required) + "): " + connectionString_
                                                  : server + " is not a Portico catalogue (it has no table " +
                                                        std::string(required) +
                                                        "); portico-create-catalogue makes one in an empty database.",
                                   engine.source());
            }
        } catch (const PorticoError&) {
            // Not a catalogue: leave the connection closed so that it is not used.
            connection_->Close();
            throw;
        }
    });
}

void clsDBRoutines::closeDatabase() {
    trap([&] {
        if (isConnectionOpen(connection_)) connection_->Close();
        activeConnection_.reset();
        connection_.reset();
    });
}

bool clsDBRoutines::isConnectionOpen(const std::shared_ptr<Connection>& connection) {
    bool open = false;
    trap([&] {
        if (!connection) raiseObjectNotSet();
        open = connection->State() == Connection::adStateOpen;
    });
    return open;
}

std::shared_ptr<Connection> clsDBRoutines::getConnection(const std::shared_ptr<Connection>& connection) {
    if (isConnectionOpen(connection)) return connection;
    connectDatabase();
    return connection_;
}

std::unique_ptr<Recordset> clsDBRoutines::createRecordset() {
    std::unique_ptr<Recordset> recordset;
    trap([&] {
        activeConnection_ = getConnection(connection_);
        recordset = std::make_unique<Recordset>();
    });
    return recordset;
}

std::unique_ptr<Recordset> clsDBRoutines::openQuery(const std::string& sql, const std::vector<Variant>& parameters) {
    auto recordset = createRecordset();
    if (!recordset) raiseObjectNotSet();
    recordset->Open(sql, activeConnection_, parameters);
    return recordset;
}

std::unique_ptr<Recordset> clsDBRoutines::openTable(const std::string& table) {
    auto recordset = createRecordset();
    if (!recordset) raiseObjectNotSet();
    recordset->OpenTable(table, activeConnection_);
    return recordset;
}

std::unique_ptr<Recordset> clsDBRoutines::queryRecordset(const std::string& sql, const std::vector<Variant>& parameters,
                                                         const char* separator) {
    std::unique_ptr<Recordset> result;
    trap([&] { result = openQuery(sql, parameters); }, separator);
    return result;
}

bool clsDBRoutines::executeStatement(const std::string& sql, const std::vector<Variant>& parameters) {
    bool done = false;
    trap([&] {
        openQuery(sql, parameters);
        done = true;
    });
    return done;
}

std::string clsDBRoutines::readText(const std::string& sql, const std::string& parameter, const std::string& field,
                                    bool checkCount) {
    std::string result;
    trap([&] {
        auto recordset = openQuery(sql, {parameter});
        if (checkCount && recordset->RecordCount() == 0) return;
        const Variant& value = recordset->Fields(field).Value();
        // A missing value is no text; without the count check it reads as "".
        if (!checkCount && value.isNull()) return;
        result = trimSpacesOnly(value.toText());
    });
    return result;
}

std::filesystem::path clsDBRoutines::PictureFolder() const {
#ifdef PORTICO_TESSERA_VARIANT
    // Without an export folder, pictures go where the programs put theirs: the
    // per-user picture folder, never a folder shared with other users.
    if (!exportThemePath_.empty()) return exportThemePath_;
#endif
    if (!pictureFolder_) pictureFolder_ = defaultPictureFolder();
    return *pictureFolder_;
}

std::filesystem::path clsDBRoutines::programImageFile() const { return PictureFolder() / kTempPictureFile; }

std::filesystem::path clsDBRoutines::themeImageFile(const std::string& fieldName) const {
    return PictureFolder() / (fieldName + ".bmp");
}

// ---------------------------------------------------------------- programs

std::unique_ptr<Recordset> clsDBRoutines::loadPrograms() {
#ifdef PORTICO_TESSERA_VARIANT
    // The library's clients rely on the three published columns.
    return queryRecordset("Select Program_Name, Program_Icon, Program_Path from Program Order by Program_Name", {});
#else
    // The key comes last, so that the lists can name a row whose name cannot be read.
    return queryRecordset(
        "Select Program_Name, Program_Icon, Program_Path, Program_Key from Program Order by Program_Name", {});
#endif
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgram(const std::string& mStrName) {
    return queryRecordset("Select * from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
}

std::string clsDBRoutines::getProgramDescription(const std::string& mStrPrgName) {
    return readText("Select Program_Desc from Program where Program_Name = ?", trimSpacesOnly(mStrPrgName), "Program_Desc",
                    true);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramDescriptions() {
    return queryRecordset("Select Program_Name, Program_Desc from Program", {});
}

std::int16_t clsDBRoutines::getProgramKey(const std::string& mStrName) {
    std::int16_t key = 0;
    trap([&] {
        auto recordset = openQuery("Select Program_Key from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
        if (recordset->RecordCount() != 0) key = recordset->Fields("Program_Key").Value().toInt16();
    });
    return key;
}

std::unique_ptr<Recordset> clsDBRoutines::loadProperties(const std::string& mStrName) {
    return queryRecordset(
        "Select Program_Name as ProgramName, Program_Path as ProgramPath, Program_Added_Date as AddedDate "
        "from Program where Program_Name = ?",
        {trimSpacesOnly(mStrName)});
}

std::string clsDBRoutines::getProgramPath(const std::string& mStrName) {
    return readText("Select Program_Path from Program where Program_Name = ?", trimSpacesOnly(mStrName), "Program_Path",
                    true);
}

std::string clsDBRoutines::getProgramResType(const std::string& mStrName) {
    return readText("Select Program_ResType from Program where Program_Name = ?", trimSpacesOnly(mStrName),
                    "Program_ResType", true);
}

std::string clsDBRoutines::GetProgramParameters(const std::string& mStrPrgName) {
    return readText("Select Program_StartUpParms from Program where Program_Name = ?", trimSpacesOnly(mStrPrgName),
                    "Program_StartUpParms", false);
}

std::string clsDBRoutines::GetProgramStartInDir(const std::string& mStrPrgName) {
    return readText("Select Program_StartInDir from Program where Program_Name = ?", trimSpacesOnly(mStrPrgName),
                    "Program_StartInDir", false);
}

bool clsDBRoutines::deleteProgram(const std::string& mStrName) {
    // The name is matched as given, blanks included.
#ifdef PORTICO_TESSERA_VARIANT
    // The library takes the program's permission rows with it, all or nothing.
    // They are found through the rows being deleted, so that a name that
    // matches no program never costs another program its permissions.
    bool deleted = false;
    trap([&] {
        auto statement = createRecordset();
        if (!statement) raiseObjectNotSet();
        TransactionScope transaction(*activeConnection_);
        statement->Open("Delete from Permission where Program_Key in "
                        "(Select Program_Key from Program where Program_name = ?)",
                        activeConnection_, {mStrName});
        openQuery("Delete from Program where Program_name = ?", {mStrName});
        transaction.commit();
        deleted = true;
    });
    return deleted;
#else
    return executeStatement("Delete from Program where Program_name = ?", {mStrName});
#endif
}

bool clsDBRoutines::addProgram(const std::string& mStrName, const std::string& mStrDesc,
                               const std::string& mStrProgramPath, const std::string& /*strFileName*/,
                               const std::string& strProgramStartInDir, const std::string& strProgramStartParms) {
    return insertProgram(mStrName, mStrDesc, mStrProgramPath, strProgramStartInDir, strProgramStartParms, nullptr);
}

bool clsDBRoutines::addProgramWithPicture(const std::string& name, const std::string& description,
                                          const std::string& path, const Bytes& picture,
                                          const std::string& startInDir, const std::string& parameters) {
    return insertProgram(name, description, path, startInDir, parameters, &picture);
}

// `picture` null: the icon picker's picture file, else the default icon.
bool clsDBRoutines::insertProgram(const std::string& name, const std::string& description, const std::string& path,
                                  const std::string& startInDir, const std::string& parameters,
                                  const Bytes* picture) {
    bool added = false;
    trap([&] {
        auto recordset = openTable("Program");
        // The name check and the new row are one step for every other writer.
        TransactionScope transaction(*activeConnection_);
        refuseTakenName("program", "Program", "Program_Key", "Program_Name", name);
        recordset->AddNew();
        recordset->Fields("Program_Name").setValue(trimSpacesOnly(name));
        recordset->Fields("Program_Desc").setValue(trimSpacesOnly(description));
        recordset->Fields("Program_Path").setValue(trimSpacesOnly(path));
        recordset->Fields("Program_StartInDir").setValue(trimSpacesOnly(startInDir));
        recordset->Fields("Program_StartUpParms").setValue(trimSpacesOnly(parameters));
        if (picture && !picture->empty()) {
            recordset->Fields("Program_Icon").setValue(*picture);
        } else if (picture) {
            // Nothing picked: the default icon, never whatever a shared file holds.
            if (!defaultIconPath_.empty()) {
                try {
                    AddProgramImage(*recordset, defaultIconPath_);
                } catch (const PorticoError&) {
                    recordset->Fields("Program_Icon").setValue(Variant::null());
                }
            }
        } else {
            try {
                AddProgramImage(*recordset);
            } catch (const PorticoError& error) {
                // No picture from the icon picker, or no picture folder to find it in:
                // take the default icon. When that cannot be read either, the error
                // is reported and no row is written.
                if (error.number() != ado::kWrongArguments && error.number() != ado::kFileNotOpened &&
                    error.number() != kPictureFolderError)
                    throw;
                AddProgramImage(*recordset, defaultIconPath_);
            }
        }
        recordset->Fields("Program_Added_Date").setValue(today());
        recordset->Update();
        transaction.commit();
        added = true;
    });
    return added;
}

bool clsDBRoutines::updateProgram(const std::string& mStrOldName, const std::string& mStrName,
                                  const std::string& mStrDesc, const std::string& mStrProgramPath,
                                  const std::string& mStrProgramStartInDir, const std::string& mStrProgramStartUpParm) {
    bool updated = false;
    trap([&] {
        auto statement = createRecordset();
        if (!statement) raiseObjectNotSet();
        // Texts and picture change together or not at all: a half-done update
        // would leave the program renamed but without its new picture.
        TransactionScope transaction(*activeConnection_);
        // Renaming onto another program is refused; the rows being renamed may
        // keep their name or change its case, even where older catalogues hold
        // it twice.
        std::vector<std::int64_t> renamed;
        auto old = openQuery("Select Program_Key from Program where Program_Name = ?", {mStrOldName});
        for (; !old->IsEOF(); old->MoveNext()) renamed.push_back(old->Fields("Program_Key").Value().toInt64());
        if (!NameFold::sameName(mStrOldName, mStrName))
            refuseTakenName("program", "Program", "Program_Key", "Program_Name", mStrName, renamed);
        statement->Open(
            "Update Program Set Program_Name = ?, Program_Desc = ?, Program_Path = ?, Program_StartInDir = ?, "
            "Program_StartUpParms = ? where Program_Name = ?",
            activeConnection_,
            {trimSpacesOnly(mStrName), mStrDesc, trimSpacesOnly(mStrProgramPath), mStrProgramStartInDir, mStrProgramStartUpParm,
             mStrOldName});
        auto program = openQuery("Select * from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
        AddProgramImage(*program);
        program->Update();
        transaction.commit();
        updated = true;
    });
    return updated;
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramList() {
    return queryRecordset(
        "Select Program_Key, Program_Name, Program_Icon, Program_Path from Program Order by Program_Name, Program_Key",
        {});
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramNames(bool withPaths) {
    // Without the pictures the names come from the name index alone.
    return queryRecordset(withPaths ? "Select Program_Key, Program_Name, Program_Path from Program "
                                      "Order by Program_Name, Program_Key"
                                    : "Select Program_Key, Program_Name from Program Order by Program_Name, Program_Key",
                          {});
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramIcons(const std::vector<std::int64_t>& keys) {
    std::string sql = "Select Program_Key, Program_Icon from Program where Program_Key in (";
    std::vector<Variant> parameters;
    parameters.reserve(keys.size());
    for (const std::int64_t key : keys) {
        sql += parameters.empty() ? "?" : ", ?";
        parameters.emplace_back(key);
    }
    if (parameters.empty()) sql += "Null";
    return queryRecordset(sql + ")", parameters);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramByKey(std::int64_t key) {
    return queryRecordset("Select * from Program where Program_Key = ?", {Variant(key)});
}

std::unique_ptr<Recordset> clsDBRoutines::loadPropertiesByKey(std::int64_t key) {
    return queryRecordset(
        "Select Program_Name as ProgramName, Program_Path as ProgramPath, Program_Added_Date as AddedDate, "
        "Program_Icon as ProgramIcon from Program where Program_Key = ?",
        {Variant(key)});
}

bool clsDBRoutines::updateProgramByKey(std::int64_t key, const std::string& name, const std::string& description,
                                       const std::string& path, const std::string& startInDir,
                                       const std::string& parameters, const Bytes* picture) {
    bool updated = false;
    trap([&] {
        auto statement = createRecordset();
        if (!statement) raiseObjectNotSet();
        TransactionScope transaction(*activeConnection_);
        auto current = openQuery("Select Program_Name from Program where Program_Key = ?", {Variant(key)});
        if (current->RecordCount() == 0)
            throw PorticoError(ado::kNoCurrentRecord, "The program to change is no longer in the catalogue.",
                               ado::kRuntimeSource);
        // A row of an older catalogue that shares its name with others can be
        // changed; only a new clash is refused.
        const Variant& currentName = current->Fields("Program_Name").Value();
        if (currentName.isNull() || !NameFold::sameName(currentName.toText(), name))
            refuseTakenName("program", "Program", "Program_Key", "Program_Name", name, {key});
        statement->Open(
            "Update Program Set Program_Name = ?, Program_Desc = ?, Program_Path = ?, Program_StartInDir = ?, "
            "Program_StartUpParms = ? where Program_Key = ?",
            activeConnection_,
            {trimSpacesOnly(name), description, trimSpacesOnly(path), startInDir, parameters, Variant(key)});
        if (picture)
            openQuery("Update Program Set Program_Icon = ? where Program_Key = ?", {Variant(*picture), Variant(key)});
        transaction.commit();
        updated = true;
    });
    return updated;
}

bool clsDBRoutines::deleteProgramByKey(std::int64_t key) {
    bool deleted = false;
    trap([&] {
        auto statement = createRecordset();
        if (!statement) raiseObjectNotSet();
        TransactionScope transaction(*activeConnection_);
        statement->Open("Delete from Permission where Program_Key = ?", activeConnection_, {Variant(key)});
        openQuery("Delete from Program where Program_Key = ?", {Variant(key)});
        transaction.commit();
        deleted = true;
    });
    return deleted;
}

std::string clsDBRoutines::programNamedLike(const std::string& name, std::int64_t exceptKey) {
    std::string found;
    trap([&] { found = sameNameIn("Program", "Program_Key", "Program_Name", name, {exceptKey}); });
    return found;
}

std::string clsDBRoutines::sameNameIn(const char* table, const char* keyColumn, const char* nameColumn,
                                      const std::string& name, const std::vector<std::int64_t>& except) {
    // Compared here rather than in SQL: the engine's NOCASE folds ASCII only,
    // and older catalogues have no index that knows better.
    const std::string wanted = NameFold::key(name);
    // Folders have no key column; no row of theirs is ever left out.
    auto rows = openQuery(std::string("Select ") + (keyColumn ? keyColumn : "0") + " as RowKey, " + nameColumn +
                              " as RowName from " + table,
                          {});
    for (; !rows->IsEOF(); rows->MoveNext()) {
        const Variant& stored = rows->Fields("RowName").Value();
        if (stored.isNull() || stored.isEmpty()) continue;
        const std::int64_t rowKey = rows->Fields("RowKey").Value().toInt64();
        if (std::find(except.begin(), except.end(), rowKey) != except.end()) continue;
        const std::string storedName = stored.toText();
        if (NameFold::key(storedName) == wanted) return trimSpacesOnly(storedName);
    }
    return {};
}

void clsDBRoutines::refuseTakenName(const char* what, const char* table, const char* keyColumn,
                                    const char* nameColumn, const std::string& name,
                                    const std::vector<std::int64_t>& except) {
    const std::string taken = sameNameIn(table, keyColumn, nameColumn, name, except);
    if (!taken.empty())
        throw PorticoError(errors::kDuplicateName, std::string("A ") + what + " named '" + taken + "' already exists.",
                           ado::kRuntimeSource);
}

// ---------------------------------------------------------------- pictures

void clsDBRoutines::AddProgramImage(Recordset& rs, const std::string& strPath) {
    if (!strPath.empty()) {
        AddThemeImage(rs, strPath, "Program_Icon");
        return;
    }
    // The icon picker's file is ours: a link planted in its place is not followed.
    Stream stream;
    stream.Open();
    stream.LoadFromFile(programImageFile(), SafeFile::Links::Refuse);
    rs.Fields("Program_Icon").setValue(stream.Read());
}

void clsDBRoutines::AddThemeImage(Recordset& rs, const std::string& strPath, const std::string& mStrFieldName) {
    Stream stream;
    stream.Open();
    stream.LoadFromFile(strPath);
    rs.Fields(mStrFieldName).setValue(stream.Read());
}

bool clsDBRoutines::GetThemeImage(const std::string& mStrThemeName, const std::string& mStrFieldName) {
    bool exported = false;
    trap([&] {
        auto theme = openQuery("Select * from Theme where Theme_Name = ?", {mStrThemeName});
        Stream stream;
        stream.Open();
        // The field must exist before its name becomes part of a file name.
        stream.Write(theme->Fields(mStrFieldName).Value());
        stream.SaveToFile(themeImageFile(theme->Fields(mStrFieldName).Name()), Stream::adSaveCreateOverWrite);
        stream.Close();
        theme->Close();
        exported = true;
    });
    return exported;
}

bool clsDBRoutines::GetProgramImage(const std::string& strPrgName) {
    bool exported = false;
    trap([&] {
        auto program = openQuery("Select Program_Icon from Program where Program_Name = ?", {trimSpacesOnly(strPrgName)});
        Stream stream;
        stream.Open();
        const Variant& picture = program->Fields("Program_Icon").Value();
        if (picture.isNull() || picture.isEmpty() ||
            (picture.type() == Variant::Type::Bytes && picture.bytes().empty())) {
            // A program stored without a picture (by a script, the library or an
            // older catalogue) is shown with the default icon; with none to be
            // had it simply has no picture. Neither is worth a message.
            std::error_code ec;
            if (defaultIconPath_.empty() || !std::filesystem::is_regular_file(defaultIconPath_, ec)) return;
            stream.LoadFromFile(defaultIconPath_);
        } else {
            stream.Write(picture);
        }
#ifdef PORTICO_TESSERA_VARIANT
        stream.SaveToFile(PictureFolder() / programPictureName(strPrgName), Stream::adSaveCreateOverWrite);
#else
        stream.SaveToFile(programImageFile(), Stream::adSaveCreateOverWrite);
#endif
        exported = true;
    });
    return exported;
}

// ---------------------------------------------------------------- users, groups, permissions

// Every join matches a subject's key together with its kind (1 = user, 2 = group),
// so that a group's grant is never read as a grant to the user with the same key.

std::unique_ptr<Recordset> clsDBRoutines::LoadSecurityUser(const std::string& strSid, const std::string& strPrgName) {
    const std::int16_t programKey = getProgramKey(strPrgName);
    return queryRecordset(
        "SELECT Permission.Permission_Status, Program.Program_Name, [User].User_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where [User].User_Sid = ? and Permission.Program_Key = ? and Permission.Permission_Status = 1",
        {strSid, Variant(programKey)});
}

std::unique_ptr<Recordset> clsDBRoutines::LoadGroupPermissionForDataReport() {
    return queryRecordset(
        "SELECT [Group].Group_Name as ObjectName, Permission.Permission_Status as Status, "
        "Program.Program_Name as PrgName "
        "FROM (Permission INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2) "
        "INNER JOIN Program ON Permission.Program_Key = Program.Program_Key",
        {});
}

std::unique_ptr<Recordset> clsDBRoutines::LoadUserPermissionForDataReport() {
    return queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as ObjectName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1",
        {});
}

std::unique_ptr<Recordset> clsDBRoutines::LoadSecurityGroup(const std::string& strGroupName,
                                                            const std::string& strPrgName) {
    const std::int16_t programKey = getProgramKey(strPrgName);
    return queryRecordset(
        "SELECT Permission.Permission_Status, Program.Program_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where [Group].Group_Name = ? and Permission.Program_Key = ?",
        {strGroupName, Variant(programKey)});
}

std::unique_ptr<Recordset> clsDBRoutines::LoadProgramsByGroup(const std::string& strGroupName) {
    return queryRecordset(
        "SELECT [Group].Group_Name as GroupName, Permission.Permission_Status as Status, "
        "Program.Program_Name as Program_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where [Group].Group_Name = ?",
        {strGroupName}, kShortReportSeparator);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadProgramsByUser(const std::string& strUserName, const std::string& strSid) {
    return queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as UserName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where [User].User_Name = ? and [User].User_Sid = ?",
        {strUserName, strSid}, kShortReportSeparator);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadUsersByProgram(const std::string& strPrgName) {
    return queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as UserName, "
        "Permission.Object_Type "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where Program.Program_Name = ?",
        {strPrgName}, kShortReportSeparator);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadGroupsByProgram(const std::string& strPrgName) {
    return queryRecordset(
        "SELECT [Group].Group_Name as GroupName, Permission.Permission_Status as Status, "
        "Program.Program_Name as ProgramName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where Program.Program_Name = ?",
        {strPrgName}, kShortReportSeparator);
}

std::int16_t clsDBRoutines::GetObjectKey(const std::string& strObjectName, std::int16_t mIntType) {
    std::int16_t key = 0;
    trap([&] {
        std::string sql;
        if (mIntType == 1) sql = "Select User_Key as ObjectKey from [User] where User_Name = ?";
        if (mIntType == 2) sql = "Select Group_Key as ObjectKey from [Group] where Group_Name = ?";
        auto recordset = openQuery(sql, sql.empty() ? std::vector<Variant>{} : std::vector<Variant>{trimSpacesOnly(strObjectName)});
        // An unknown name has no key: 0, never another subject's key.
        if (recordset->RecordCount() >= 1) key = recordset->Fields("ObjectKey").Value().toInt16();
    });
    return key;
}

bool clsDBRoutines::AddSecurity(const std::string& strObjectName, std::int16_t intPermissionStatus,
                                const std::string& strPrgName, std::int16_t mIntType) {
    bool added = false;
    trap([&] {
        const std::int16_t programKey = getProgramKey(trimSpacesOnly(strPrgName));
        if (programKey == 0)
            throw PorticoError(errors::kInvalidArgument, "There is no program named '" + trimSpacesOnly(strPrgName) + "'.", ado::kRuntimeSource);
        const std::int16_t objectKey = GetObjectKey(strObjectName, mIntType);
        if (objectKey == 0)
            throw PorticoError(errors::kInvalidArgument,
                               std::string("There is no ") + (mIntType == 2 ? "group" : "user") + " named '" +
                                   trimSpacesOnly(strObjectName) + "'.",
                               ado::kRuntimeSource);
        auto recordset = openTable("Permission");
        recordset->AddNew();
        recordset->Fields("Program_Key").setValue(Variant(programKey));
        recordset->Fields("Permission_Status").setValue(Variant(intPermissionStatus));
        recordset->Fields("Object_Key").setValue(Variant(objectKey));
        recordset->Fields("Object_Type").setValue(Variant(mIntType));
        recordset->Update();
        added = true;
    });
    return added;
}

bool clsDBRoutines::DeleteSecurity(std::int16_t IntObjectKey, std::int16_t IntPrgKey) {
    return executeStatement("Delete from Permission where Object_Key = ? and Program_Key = ?",
                            {Variant(IntObjectKey), Variant(IntPrgKey)});
}

bool clsDBRoutines::AddUser(const std::string& strUserName, const std::string& strSid) {
    bool added = false;
    trap([&] {
        auto recordset = openTable("[User]");
        recordset->AddNew();
        recordset->Fields("User_Name").setValue(strUserName);
        recordset->Fields("User_SID").setValue(strSid);
        recordset->Update();
        added = true;
    });
    return added;
}

bool clsDBRoutines::AddGroup(const std::string& strGroupName) {
    bool added = false;
    trap([&] {
        auto recordset = openTable("[Group]");
        recordset->AddNew();
#ifdef PORTICO_TESSERA_VARIANT
        recordset->Fields("Group_Name").setValue(strGroupName);
#else
        recordset->Fields("GROUP_NAME").setValue(strGroupName);
#endif
        recordset->Update();
        added = true;
    });
    return added;
}

bool clsDBRoutines::DeleteUser(const std::string& strSid) {
    return executeStatement("Delete from [User] where User_Sid = ?", {trimSpacesOnly(strSid)});
}

bool clsDBRoutines::DeleteGroup(const std::string& strGroupName) {
    return executeStatement("Delete from [Group] where Group_Name = ?", {trimSpacesOnly(strGroupName)});
}

bool clsDBRoutines::GroupExists(const std::string& strGroupName) {
    bool exists = false;
    trap([&] { exists = openQuery("Select Group_Name from [Group] where Group_Name = ?", {strGroupName})->RecordCount() > 0; });
    return exists;
}

bool clsDBRoutines::UserExists(const std::string& strUserName) {
    bool exists = false;
    trap([&] { exists = openQuery("Select User_Name from [User] where user_name = ?", {strUserName})->RecordCount() > 0; });
    return exists;
}

// ---------------------------------------------------------------- folders and themes

bool clsDBRoutines::AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath) {
    bool added = false;
    trap([&] {
        auto recordset = openTable("Folder");
        TransactionScope transaction(*activeConnection_);
        refuseTakenName("folder", "Folder", nullptr, "Folder_Name", mStrFolderName);
        recordset->AddNew();
        recordset->Fields("Folder_Name").setValue(trimSpacesOnly(mStrFolderName));
        recordset->Fields("Folder_Path").setValue(trimSpacesOnly(mStrFolderPath));
        recordset->Update();
        transaction.commit();
        added = true;
    });
    return added;
}

bool clsDBRoutines::DeleteFolder(const std::string& mStrFolderName) {
    return executeStatement("Delete from Folder where Folder_Name = ?", {trimSpacesOnly(mStrFolderName)});
}

std::unique_ptr<Recordset> clsDBRoutines::GetFolders() {
    return queryRecordset("Select Folder_Name, Folder_Path from Folder order by Folder_Name", {});
}

std::unique_ptr<Recordset> clsDBRoutines::LoadThemes() {
    return queryRecordset("Select Theme_Name from Theme order by Theme_Name", {});
}

bool clsDBRoutines::DeleteTheme(const std::string& mStrThemeName) {
    // The theme manager reports a failure in its own words.
    try {
        auto recordset = createRecordset();
        if (!recordset) return false;
        recordset->Open("Delete from Theme where Theme_Name = ?", activeConnection_, {trimSpacesOnly(mStrThemeName)});
        return true;
    } catch (const PorticoError&) {
        return false;
    }
}

std::unique_ptr<Recordset> clsDBRoutines::LoadTheme(const std::string& mStrThemeName) {
    return queryRecordset("Select * from Theme where Theme_Name = ?", {mStrThemeName});
}

std::unique_ptr<Recordset> clsDBRoutines::loadThemePicture(const std::string& themeName, const std::string& field) {
    // Only known column names become part of the statement.
    if (field != "Theme_LogoSplash" && field != "Theme_LogoAddRemove") return LoadTheme(themeName);
    return queryRecordset("Select " + field + " from Theme where Theme_Name = ?", {themeName});
}

#ifdef PORTICO_TESSERA_VARIANT
bool clsDBRoutines::CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash,
                                const std::string& mStrAddRemove, const std::string& mStrSetup) {
#else
bool clsDBRoutines::CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash,
                                const std::string& mStrAddRemove) {
#endif
    bool created = false;
    trap([&] {
        auto recordset = openTable("Theme");
        TransactionScope transaction(*activeConnection_);
        refuseTakenName("theme", "Theme", "Theme_Key", "Theme_Name", mStrThemeName);
        recordset->AddNew();
        recordset->Fields("Theme_Name").setValue(mStrThemeName);
        if (!trimSpacesOnly(mStrSplash).empty()) AddThemeImage(*recordset, mStrSplash, "Theme_LogoSplash");
        if (!trimSpacesOnly(mStrAddRemove).empty()) AddThemeImage(*recordset, mStrAddRemove, "Theme_LogoAddRemove");
#ifdef PORTICO_TESSERA_VARIANT
        if (!trimSpacesOnly(mStrSetup).empty()) AddThemeImage(*recordset, mStrSetup, "Theme_LogoSetup");
#endif
        recordset->Update();
        transaction.commit();
        created = true;
    });
    return created;
}

bool clsDBRoutines::setDefaultTheme(const std::string& mStrThemeName) {
    const std::int16_t key = GetThemeKey(mStrThemeName);
    return executeStatement("Update Settings Set Theme_Key = ?", {Variant(key)});
}

std::int16_t clsDBRoutines::GetThemeKey(const std::string& mStrThemeName) {
    std::int16_t key = 0;
    trap([&] {
        auto recordset = openQuery("Select Theme_Key from Theme where Theme_Name = ?", {trimSpacesOnly(mStrThemeName)});
        if (recordset->RecordCount() >= 1) key = recordset->Fields("Theme_Key").Value().toInt16();
    });
    return key;
}

std::string clsDBRoutines::GetThemeName(std::int16_t mIntThemeKey) {
    std::string name;
    trap([&] {
        auto recordset = openQuery("Select Theme_Name from Theme where Theme_Key = ?", {Variant(mIntThemeKey)});
        name = trimSpacesOnly(recordset->Fields("Theme_Name").Value().toText());
    });
    return name;
}

std::string clsDBRoutines::getDefaultTheme() {
    std::int16_t key = 0;
    bool found = false;
    trap([&] {
        auto settings = openQuery("Select Theme_Key from Settings", {});
        const Variant& value = settings->Fields("Theme_Key").Value();
        // A catalogue that has never had a theme applied holds no key: that is
        // its normal state, not an error.
        found = !value.isNull();
        if (found) key = value.toInt16();
        settings->Close();
    });
    return found ? GetThemeName(key) : std::string();
}

std::unique_ptr<Recordset> clsDBRoutines::loadThemeList() {
    return queryRecordset("Select Theme_Key, Theme_Name from Theme order by Theme_Name, Theme_Key", {});
}

bool clsDBRoutines::deleteThemeByKey(std::int64_t key) {
    return executeStatement("Delete from Theme where Theme_Key = ?", {Variant(key)});
}

std::int64_t clsDBRoutines::defaultThemeKey() {
    std::int64_t key = 0;
    try {
        auto theme = openQuery("Select Theme.Theme_Key from Settings inner join Theme on Settings.Theme_Key = "
                               "Theme.Theme_Key",
                               {});
        if (theme->RecordCount() > 0) key = theme->Fields("Theme_Key").Value().toInt64();
    } catch (const PorticoError&) {
        // No readable default is no default.
    }
    return key;
}

std::string clsDBRoutines::themeNamedLike(const std::string& name) {
    std::string found;
    trap([&] { found = sameNameIn("Theme", "Theme_Key", "Theme_Name", name); });
    return found;
}

}  // namespace portico
