#include "database/ProgramCatalogue.h"

#include "database/AdoErrors.h"
#include "database/CataloguePictures.h"
#include "database/CatalogueSession.h"
#include "database/NameFold.h"
#include "database/TransactionScope.h"
#include "settings/ErrorNumbers.h"
#include "settings/PictureFolder.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <array>
#include <ctime>

namespace portico {
namespace {

Variant today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 16> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d", &local);
    return Variant::date(text.data());
}

}  // namespace

ProgramCatalogue::ProgramCatalogue(CatalogueSession& session, CataloguePictures& pictures)
    : session_(session), pictures_(pictures) {}

std::unique_ptr<Recordset> ProgramCatalogue::loadPrograms() {
    // The library's clients rely on the three published columns.
    if (session_.servesLibrary())
        return session_.queryRecordset(
            "Select Program_Name, Program_Icon, Program_Path from Program Order by Program_Name", {});
    // The key comes last, so that the lists can name a row whose name cannot be read.
    return session_.queryRecordset(
        "Select Program_Name, Program_Icon, Program_Path, Program_Key from Program Order by Program_Name", {});
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgram(const std::string& mStrName) {
    return session_.queryRecordset("Select * from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
}

std::string ProgramCatalogue::getProgramDescription(const std::string& mStrPrgName) {
    // A null description (rows made through a record set, older catalogues) is an empty one.
    std::string description;
    session_.trap([&] {
        auto recordset = session_.openQuery("Select Program_Desc from Program where Program_Name = ?",
                                            {trimSpacesOnly(mStrPrgName)});
        if (recordset->RecordCount() == 0) return;
        const Variant& value = recordset->Fields("Program_Desc").Value();
        if (!value.isNull()) description = trimSpacesOnly(value.toText());
    });
    return description;
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgramDescriptions() {
    return session_.queryRecordset("Select Program_Name, Program_Desc from Program", {});
}

std::int16_t ProgramCatalogue::getProgramKey(const std::string& mStrName) {
    std::int16_t key = 0;
    session_.trap([&] {
        auto recordset =
            session_.openQuery("Select Program_Key from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
        if (recordset->RecordCount() != 0) key = recordset->Fields("Program_Key").Value().toInt16();
    });
    return key;
}

std::int64_t ProgramCatalogue::programKeyOf(const std::string& name) {
    std::int64_t key = 0;
    session_.trap([&] {
        auto recordset =
            session_.openQuery("Select Program_Key from Program where Program_Name = ?", {trimSpacesOnly(name)});
        if (recordset->RecordCount() != 0) key = recordset->Fields("Program_Key").Value().toInt64();
    });
    return key;
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProperties(const std::string& mStrName) {
    return session_.queryRecordset(
        "Select Program_Name as ProgramName, Program_Path as ProgramPath, Program_Added_Date as AddedDate "
        "from Program where Program_Name = ?",
        {trimSpacesOnly(mStrName)});
}

std::string ProgramCatalogue::getProgramPath(const std::string& mStrName) {
    return session_.readText("Select Program_Path from Program where Program_Name = ?", trimSpacesOnly(mStrName),
                             "Program_Path", true);
}

std::string ProgramCatalogue::getProgramResType(const std::string& mStrName) {
    return session_.readText("Select Program_ResType from Program where Program_Name = ?", trimSpacesOnly(mStrName),
                             "Program_ResType", true);
}

std::string ProgramCatalogue::GetProgramParameters(const std::string& mStrPrgName) {
    return session_.readText("Select Program_StartUpParms from Program where Program_Name = ?",
                             trimSpacesOnly(mStrPrgName), "Program_StartUpParms", false);
}

std::string ProgramCatalogue::GetProgramStartInDir(const std::string& mStrPrgName) {
    return session_.readText("Select Program_StartInDir from Program where Program_Name = ?",
                             trimSpacesOnly(mStrPrgName), "Program_StartInDir", false);
}

bool ProgramCatalogue::runsInTerminal(const std::string& name) {
    // Every column is asked for: a catalogue older than the mark has none, and
    // its programs are ordinary ones.
    bool terminal = false;
    session_.trap([&] {
        auto program = session_.openQuery("Select * from Program where Program_Name = ?", {trimSpacesOnly(name)});
        if (program->RecordCount() == 0 || !program->hasField("Program_Terminal")) return;
        const Variant& value = program->Fields("Program_Terminal").Value();
        terminal = !value.isNull() && !value.isEmpty() && value.toInt64() != 0;
    });
    return terminal;
}

bool ProgramCatalogue::keepsTerminalMark(bool terminal) {
    auto columns = session_.openQuery("Select * from Program where Program_Key = ?", {Variant(std::int64_t{0})});
    if (columns->hasField("Program_Terminal")) return true;
    if (terminal)
        session_.raise(errors::kInvalidArgument,
                       "This catalogue cannot keep \"Run in a terminal\" until it is brought up to date "
                       "(portico-create-catalogue --upgrade).");
    return false;
}

bool ProgramCatalogue::setRunsInTerminal(const std::string& name, bool terminal) {
    bool stored = false;
    session_.trap([&] {
        // Nothing to keep for an ordinary program where there is no column.
        if (!keepsTerminalMark(terminal)) {
            stored = true;
            return;
        }
        auto statement = session_.statement();
        statement->Open("Update Program Set Program_Terminal = ? where Program_Name = ?", session_.activeConnection(),
                        {terminal ? Variant(std::int64_t{1}) : Variant::null(), trimSpacesOnly(name)});
        stored = true;
    });
    return stored;
}

bool ProgramCatalogue::deleteProgram(const std::string& mStrName) {
    // The name is matched as given, blanks included.
    if (!session_.servesLibrary())
        return session_.executeStatement("Delete from Program where Program_name = ?", {mStrName});
    // The library takes the program's permission rows with it, all or nothing.
    // They are found through the rows being deleted, so that a name that
    // matches no program never costs another program its permissions.
    bool deleted = false;
    session_.trap([&] {
        auto statement = session_.statement();
        TransactionScope transaction(*session_.activeConnection());
        statement->Open(
            "Delete from Permission where Program_Key in "
            "(Select Program_Key from Program where Program_name = ?)",
            session_.activeConnection(), {mStrName});
        session_.openQuery("Delete from Program where Program_name = ?", {mStrName});
        transaction.commit();
        deleted = true;
    });
    return deleted;
}

bool ProgramCatalogue::insertProgram(const std::string& name, const std::string& description, const std::string& path,
                                     const std::string& startInDir, const std::string& parameters,
                                     const Bytes* picture, bool terminal) {
    bool added = false;
    session_.trap([&] {
        auto recordset = session_.openTable("Program");
        if (terminal) keepsTerminalMark(true);
        // The name check and the new row are one step for every other writer.
        TransactionScope transaction(*session_.activeConnection());
        session_.refuseTakenName("program", "Program", "Program_Key", "Program_Name", name);
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
            if (!pictures_.defaultIconPath().empty()) {
                try {
                    pictures_.AddProgramImage(*recordset, pictures_.defaultIconPath());
                } catch (const PorticoError&) {
                    recordset->Fields("Program_Icon").setValue(Variant::null());
                }
            }
        } else {
            try {
                pictures_.AddProgramImage(*recordset);
            } catch (const PorticoError& error) {
                // No picture from the icon picker, or no picture folder to find it in:
                // take the default icon. When that cannot be read either, the error
                // is reported and no row is written.
                if (error.number() != ado::kWrongArguments && error.number() != ado::kFileNotOpened &&
                    error.number() != kPictureFolderError)
                    throw;
                pictures_.AddProgramImage(*recordset, pictures_.defaultIconPath());
            }
        }
        if (terminal) recordset->Fields("Program_Terminal").setValue(std::int64_t{1});
        recordset->Fields("Program_Added_Date").setValue(today());
        recordset->Update();
        transaction.commit();
        added = true;
    });
    return added;
}

bool ProgramCatalogue::updateProgram(const std::string& mStrOldName, const std::string& mStrName,
                                     const std::string& mStrDesc, const std::string& mStrProgramPath,
                                     const std::string& mStrProgramStartInDir,
                                     const std::string& mStrProgramStartUpParm) {
    bool updated = false;
    session_.trap([&] {
        auto statement = session_.statement();
        // Texts and picture change together or not at all: a half-done update
        // would leave the program renamed but without its new picture.
        TransactionScope transaction(*session_.activeConnection());
        // Renaming onto another program is refused; the rows being renamed may
        // keep their name or change its case, even where older catalogues hold
        // it twice.
        std::vector<std::int64_t> renamed;
        auto old = session_.openQuery("Select Program_Key from Program where Program_Name = ?", {mStrOldName});
        for (; !old->IsEOF(); old->MoveNext()) renamed.push_back(old->Fields("Program_Key").Value().toInt64());
        if (!NameFold::sameName(mStrOldName, mStrName))
            session_.refuseTakenName("program", "Program", "Program_Key", "Program_Name", mStrName, renamed);
        statement->Open(
            "Update Program Set Program_Name = ?, Program_Desc = ?, Program_Path = ?, Program_StartInDir = ?, "
            "Program_StartUpParms = ? where Program_Name = ?",
            session_.activeConnection(),
            {trimSpacesOnly(mStrName), mStrDesc, trimSpacesOnly(mStrProgramPath), mStrProgramStartInDir,
             mStrProgramStartUpParm, mStrOldName});
        auto program = session_.openQuery("Select * from Program where Program_Name = ?", {trimSpacesOnly(mStrName)});
        pictures_.AddProgramImage(*program);
        program->Update();
        transaction.commit();
        updated = true;
    });
    return updated;
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgramList() {
    return session_.queryRecordset(
        "Select Program_Key, Program_Name, Program_Icon, Program_Path from Program Order by Program_Name, Program_Key",
        {});
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgramNames(bool withPaths) {
    // Without the pictures the names come from the name index alone.
    return session_.queryRecordset(
        withPaths ? "Select Program_Key, Program_Name, Program_Path from Program "
                    "Order by Program_Name, Program_Key"
                  : "Select Program_Key, Program_Name from Program Order by Program_Name, Program_Key",
        {});
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgramIcons(const std::vector<std::int64_t>& keys) {
    std::string sql = "Select Program_Key, Program_Icon from Program where Program_Key in (";
    std::vector<Variant> parameters;
    parameters.reserve(keys.size());
    for (const std::int64_t key : keys) {
        sql += parameters.empty() ? "?" : ", ?";
        parameters.emplace_back(key);
    }
    if (parameters.empty()) sql += "Null";
    return session_.queryRecordset(sql + ")", parameters);
}

std::unique_ptr<Recordset> ProgramCatalogue::loadProgramByKey(std::int64_t key) {
    return session_.queryRecordset("Select * from Program where Program_Key = ?", {Variant(key)});
}

std::unique_ptr<Recordset> ProgramCatalogue::loadPropertiesByKey(std::int64_t key) {
    return session_.queryRecordset(
        "Select Program_Name as ProgramName, Program_Path as ProgramPath, Program_Added_Date as AddedDate, "
        "Program_Icon as ProgramIcon from Program where Program_Key = ?",
        {Variant(key)});
}

bool ProgramCatalogue::updateProgramByKey(std::int64_t key, const std::string& name, const std::string& description,
                                          const std::string& path, const std::string& startInDir,
                                          const std::string& parameters, const Bytes* picture,
                                          std::optional<bool> terminal) {
    bool updated = false;
    session_.trap([&] {
        auto statement = session_.statement();
        TransactionScope transaction(*session_.activeConnection());
        auto current = session_.openQuery("Select Program_Name from Program where Program_Key = ?", {Variant(key)});
        if (current->RecordCount() == 0)
            session_.raise(ado::kNoCurrentRecord, "The program to change is no longer in the catalogue.");
        // A row of an older catalogue that shares its name with others can be
        // changed; only a new clash is refused.
        const Variant& currentName = current->Fields("Program_Name").Value();
        if (currentName.isNull() || !NameFold::sameName(currentName.toText(), name))
            session_.refuseTakenName("program", "Program", "Program_Key", "Program_Name", name, {key});
        std::string sql =
            "Update Program Set Program_Name = ?, Program_Desc = ?, Program_Path = ?, Program_StartInDir = ?, "
            "Program_StartUpParms = ?";
        std::vector<Variant> values{trimSpacesOnly(name), description, trimSpacesOnly(path), startInDir, parameters};
        // One statement, so that the history shows one change with the mark in it.
        if (terminal && keepsTerminalMark(*terminal)) {
            sql += ", Program_Terminal = ?";
            values.push_back(*terminal ? Variant(std::int64_t{1}) : Variant::null());
        }
        values.emplace_back(key);
        statement->Open(sql + " where Program_Key = ?", session_.activeConnection(), values);
        if (picture)
            session_.openQuery("Update Program Set Program_Icon = ? where Program_Key = ?",
                               {Variant(*picture), Variant(key)});
        transaction.commit();
        updated = true;
    });
    return updated;
}

bool ProgramCatalogue::deleteProgramByKey(std::int64_t key) {
    bool deleted = false;
    session_.trap([&] {
        auto statement = session_.statement();
        TransactionScope transaction(*session_.activeConnection());
        statement->Open("Delete from Permission where Program_Key = ?", session_.activeConnection(), {Variant(key)});
        session_.openQuery("Delete from Program where Program_Key = ?", {Variant(key)});
        transaction.commit();
        deleted = true;
    });
    return deleted;
}

std::string ProgramCatalogue::programNamedLike(const std::string& name, std::int64_t exceptKey) {
    std::string found;
    session_.trap([&] { found = session_.sameNameIn("Program", "Program_Key", "Program_Name", name, {exceptKey}); });
    return found;
}

}  // namespace portico
