#include "database/AccessCatalogue.h"

#include "database/AdoErrors.h"
#include "database/CatalogueIdentity.h"
#include "database/CatalogueSession.h"
#include "database/Connection.h"
#include "database/ProgramCatalogue.h"
#include "database/ProgramVisibility.h"
#include "database/TransactionScope.h"
#include "settings/ErrorNumbers.h"
#include "settings/TextUtil.h"

#include <unistd.h>

#include <vector>

namespace portico {

AccessCatalogue::AccessCatalogue(CatalogueSession& session, ProgramCatalogue& programs)
    : session_(session), programs_(programs) {}

// Every join matches a subject's key together with its kind (1 = user, 2 = group),
// so that a group's grant is never read as a grant to the user with the same key.

std::unique_ptr<Recordset> AccessCatalogue::LoadSecurityUser(const std::string& strSid, const std::string& strPrgName) {
    const std::int64_t programKey = programs_.programKeyOf(strPrgName);
    return session_.queryRecordset(
        "SELECT Permission.Permission_Status, Program.Program_Name, [User].User_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where [User].User_Sid = ? and Permission.Program_Key = ? and Permission.Permission_Status = 1",
        {strSid, Variant(programKey)});
}

std::unique_ptr<Recordset> AccessCatalogue::LoadGroupPermissionForDataReport() {
    return session_.queryRecordset(
        "SELECT [Group].Group_Name as ObjectName, Permission.Permission_Status as Status, "
        "Program.Program_Name as PrgName "
        "FROM (Permission INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2) "
        "INNER JOIN Program ON Permission.Program_Key = Program.Program_Key",
        {});
}

std::unique_ptr<Recordset> AccessCatalogue::LoadUserPermissionForDataReport() {
    return session_.queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as ObjectName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1",
        {});
}

std::unique_ptr<Recordset> AccessCatalogue::LoadSecurityGroup(const std::string& strGroupName,
                                                              const std::string& strPrgName) {
    const std::int64_t programKey = programs_.programKeyOf(strPrgName);
    return session_.queryRecordset(
        "SELECT Permission.Permission_Status, Program.Program_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where [Group].Group_Name = ? and Permission.Program_Key = ?",
        {strGroupName, Variant(programKey)});
}

std::unique_ptr<Recordset> AccessCatalogue::LoadProgramsByGroup(const std::string& strGroupName) {
    return session_.queryRecordset(
        "SELECT [Group].Group_Name as GroupName, Permission.Permission_Status as Status, "
        "Program.Program_Name as Program_Name "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where [Group].Group_Name = ?",
        {strGroupName}, CatalogueSession::kShortReportSeparator);
}

std::unique_ptr<Recordset> AccessCatalogue::LoadProgramsByUser(const std::string& strUserName,
                                                               const std::string& strSid) {
    return session_.queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as UserName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where [User].User_Name = ? and [User].User_Sid = ?",
        {strUserName, strSid}, CatalogueSession::kShortReportSeparator);
}

std::unique_ptr<Recordset> AccessCatalogue::LoadUsersByProgram(const std::string& strPrgName) {
    return session_.queryRecordset(
        "SELECT Permission.Permission_Status as Status, Program.Program_Name as PrgName, [User].User_Name as UserName, "
        "Permission.Object_Type "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
        "where Program.Program_Name = ?",
        {strPrgName}, CatalogueSession::kShortReportSeparator);
}

std::unique_ptr<Recordset> AccessCatalogue::LoadGroupsByProgram(const std::string& strPrgName) {
    return session_.queryRecordset(
        "SELECT [Group].Group_Name as GroupName, Permission.Permission_Status as Status, "
        "Program.Program_Name as ProgramName "
        "FROM (Permission INNER JOIN Program ON Permission.Program_Key = Program.Program_Key) "
        "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
        "where Program.Program_Name = ?",
        {strPrgName}, CatalogueSession::kShortReportSeparator);
}

std::int16_t AccessCatalogue::GetObjectKey(const std::string& strObjectName, std::int16_t mIntType) {
    std::int16_t key = 0;
    session_.trap([&] {
        std::string sql;
        if (mIntType == 1) sql = "Select User_Key as ObjectKey from [User] where User_Name = ?";
        if (mIntType == 2) sql = "Select Group_Key as ObjectKey from [Group] where Group_Name = ?";
        auto recordset = session_.openQuery(
            sql, sql.empty() ? std::vector<Variant>{} : std::vector<Variant>{trimSpacesOnly(strObjectName)});
        // An unknown name has no key: 0, never another subject's key.
        if (recordset->RecordCount() >= 1) key = recordset->Fields("ObjectKey").Value().toInt16();
    });
    return key;
}

bool AccessCatalogue::AddSecurity(const std::string& strObjectName, std::int16_t intPermissionStatus,
                                  const std::string& strPrgName, std::int16_t mIntType) {
    bool added = false;
    session_.trap([&] {
        const std::int64_t programKey = programs_.programKeyOf(trimSpacesOnly(strPrgName));
        if (programKey == 0)
            session_.raise(errors::kInvalidArgument, "There is no program named '" + trimSpacesOnly(strPrgName) + "'.");
        // The whole key: GetObjectKey carries only 16 bits.
        const std::int64_t objectKey = mIntType == 1 || mIntType == 2
                                           ? subjectKey(trimSpacesOnly(strObjectName), mIntType)
                                           : GetObjectKey(strObjectName, mIntType);
        if (objectKey == 0)
            session_.raise(errors::kInvalidArgument, std::string("There is no ") + (mIntType == 2 ? "group" : "user") +
                                                         " named '" + trimSpacesOnly(strObjectName) + "'.");
        auto recordset = session_.openTable("Permission");
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

bool AccessCatalogue::DeleteSecurity(std::int16_t IntObjectKey, std::int16_t IntPrgKey) {
    return session_.executeStatement("Delete from Permission where Object_Key = ? and Program_Key = ?",
                                     {Variant(IntObjectKey), Variant(IntPrgKey)});
}

bool AccessCatalogue::AddUser(const std::string& strUserName, const std::string& strSid) {
    bool added = false;
    session_.trap([&] {
        auto recordset = session_.openTable("[User]");
        recordset->AddNew();
        recordset->Fields("User_Name").setValue(strUserName);
        recordset->Fields("User_SID").setValue(strSid);
        recordset->Update();
        added = true;
    });
    return added;
}

bool AccessCatalogue::AddGroup(const std::string& strGroupName) {
    bool added = false;
    session_.trap([&] {
        auto recordset = session_.openTable("[Group]");
        recordset->AddNew();
        // The same column either way: each caller keeps the spelling it has always used.
        recordset->Fields(session_.servesLibrary() ? "Group_Name" : "GROUP_NAME").setValue(strGroupName);
        recordset->Update();
        added = true;
    });
    return added;
}

bool AccessCatalogue::DeleteUser(const std::string& strSid) {
    return session_.executeStatement("Delete from [User] where User_Sid = ?", {trimSpacesOnly(strSid)});
}

bool AccessCatalogue::DeleteGroup(const std::string& strGroupName) {
    return session_.executeStatement("Delete from [Group] where Group_Name = ?", {trimSpacesOnly(strGroupName)});
}

bool AccessCatalogue::GroupExists(const std::string& strGroupName) {
    return session_.findsRow("Select Group_Name from [Group] where Group_Name = ?", {strGroupName});
}

bool AccessCatalogue::UserExists(const std::string& strUserName) {
    return session_.findsRow("Select User_Name from [User] where user_name = ?", {strUserName});
}

// ---------------------------------------------------------------- who may see what

namespace {

// A save whose program step failed: that step has reported already.
struct ProgramNotSaved {};

}  // namespace

bool AccessCatalogue::onServer() {
    session_.statement();
    return ProgramVisibility::onServer(*session_.activeConnection());
}

void AccessCatalogue::applyAccessRule(bool apply) {
    session_.trap([&] {
        if (apply)
            session_.setPreparation(
                [](Connection& connection) { ProgramVisibility::restrict(connection, CatalogueIdentity::current()); });
        else
            session_.setPreparation([](Connection& connection) { ProgramVisibility::lift(connection); });
    });
}

std::unique_ptr<Recordset> AccessCatalogue::loadProgramsVisibleTo(const std::string& user) {
    std::unique_ptr<Recordset> result;
    session_.trap([&] {
        const std::string name = trimSpacesOnly(user);
        // On a server its own rule answers, with the roles the server knows.
        if (onServer()) {
            result = session_.openQuery(
                "Select Program_Key, Program_Name from Program where Program_Key <> ALL (portico_hidden_from(?)) "
                "Order by Program_Name, Program_Key",
                {name});
            return;
        }
        result = session_.openQuery("Select Program_Key, Program_Name from main.Program where " +
                                        ProgramVisibility::fileCondition(CatalogueIdentity::of(name), "main.") +
                                        " Order by Program_Name, Program_Key",
                                    {});
    });
    return result;
}

AccessCatalogue::Grants AccessCatalogue::grantsOf(std::int64_t programKey) {
    Grants grants;
    session_.trap([&] {
        auto rows = session_.openQuery(
            "Select 1 as Object_Type, [User].User_Name as Object_Name from Permission "
            "INNER JOIN [User] ON Permission.Object_Key = [User].User_Key AND Permission.Object_Type = 1 "
            "where Permission.Program_Key = ? and Permission.Permission_Status = 1 "
            "UNION ALL Select 2 as Object_Type, [Group].Group_Name as Object_Name from Permission "
            "INNER JOIN [Group] ON Permission.Object_Key = [Group].Group_Key AND Permission.Object_Type = 2 "
            "where Permission.Program_Key = ? and Permission.Permission_Status = 1 "
            "Order by 1, 2",
            {Variant(programKey), Variant(programKey)});
        for (; !rows->IsEOF(); rows->MoveNext()) {
            const Variant& name = rows->Fields("Object_Name").Value();
            if (name.isNull()) continue;
            grants.emplace_back(rows->Fields("Object_Type").Value().toInt16(), name.toText());
        }
    });
    return grants;
}

std::vector<std::int64_t> AccessCatalogue::restrictedProgramKeys() {
    std::vector<std::int64_t> keys;
    session_.trap([&] {
        auto rows = session_.openQuery(
            "Select Distinct Program_Key from Permission where Permission_Status = 1 and Program_Key is not null", {});
        for (; !rows->IsEOF(); rows->MoveNext()) keys.push_back(rows->Fields("Program_Key").Value().toInt64());
    });
    return keys;
}

bool AccessCatalogue::isKnownName(const std::string& name, std::int16_t type) {
    const std::string wanted = trimSpacesOnly(name);
    if (wanted.empty()) return false;
    bool known = false;
    session_.trap([&] {
        if (!onServer()) {
            known = type == 1 ? CatalogueIdentity::knownUser(wanted) : CatalogueIdentity::knownGroup(wanted);
            return;
        }
        // A user is a role that may log in; a group any role people are made members of.
        known = session_.openQuery(type == 1 ? "Select rolname from pg_roles where lower(rolname) = lower(?) and rolcanlogin"
                                             : "Select rolname from pg_roles where lower(rolname) = lower(?)",
                                   {wanted})
                    ->RecordCount() > 0;
    });
    return known;
}

bool AccessCatalogue::mayChangeCatalogue() {
    // Asked once at start; a catalogue that cannot be reached is reported by
    // the operation that needs it, not here.
    try {
        if (onServer())
            return session_.openQuery(
                              "Select case when has_table_privilege('program', 'INSERT') then 1 else 0 end as Allowed",
                              {})
                       ->Fields("Allowed")
                       .Value()
                       .toInt64() == 1;
        return ::access(session_.activeConnection()->ConnectionString().c_str(), W_OK) == 0;
    } catch (const PorticoError&) {
        return true;
    }
}

std::int64_t AccessCatalogue::subjectKey(const std::string& name, std::int16_t type) {
    auto rows = session_.openQuery(type == 1 ? "Select User_Key as ObjectKey from [User] where User_Name = ?"
                                             : "Select Group_Key as ObjectKey from [Group] where Group_Name = ?",
                                   {name});
    return rows->RecordCount() > 0 ? rows->Fields("ObjectKey").Value().toInt64() : 0;
}

bool AccessCatalogue::saveWithGrants(const std::function<bool()>& saveProgram, const std::string& name,
                                     const Grants* grants) {
    bool saved = false;
    try {
        session_.trap([&] {
            // Names are checked before anything is written.
            if (grants) {
                for (const auto& [type, subject] : *grants) {
                    if (type != 1 && type != 2) session_.raise(errors::kInvalidArgument, "A grant is to a user or a group.");
                    if (!isKnownName(subject, type))
                        session_.raise(errors::kInvalidArgument, std::string("There is no ") +
                                                                     (type == 1 ? "user" : "group") + " named '" +
                                                                     trimSpacesOnly(subject) + "'.");
                }
            }
            session_.statement();
            TransactionScope transaction(*session_.activeConnection());
            if (!saveProgram()) throw ProgramNotSaved{};
            if (grants) {
                auto key = session_.openQuery("Select Program_Key from Program where Program_Name = ?",
                                              {trimSpacesOnly(name)});
                if (key->RecordCount() == 0)
                    session_.raise(ado::kNoCurrentRecord, "The program is no longer in the catalogue.");
                const Variant programKey(key->Fields("Program_Key").Value().toInt64());
                // Rows of other statuses grant nothing and stay as they are.
                session_.openQuery("Delete from Permission where Program_Key = ? and Permission_Status = 1", {programKey});
                for (const auto& [type, subject] : *grants) {
                    const std::string plain = trimSpacesOnly(subject);
                    std::int64_t objectKey = subjectKey(plain, type);
                    if (objectKey == 0) {
                        session_.openQuery(type == 1 ? "Insert into [User] (User_Name, User_SID) values (?, ?)"
                                                     : "Insert into [Group] (Group_Name) values (?)",
                                           type == 1 ? std::vector<Variant>{plain, plain} : std::vector<Variant>{plain});
                        objectKey = subjectKey(plain, type);
                    }
                    session_.openQuery(
                        "Insert into Permission (Program_Key, Object_Key, Object_Type, Permission_Status) "
                        "values (?, ?, ?, 1)",
                        {programKey, Variant(objectKey), Variant(type)});
                }
            }
            transaction.commit();
            saved = true;
        });
    } catch (const ProgramNotSaved&) {
    }
    return saved;
}

}  // namespace portico
