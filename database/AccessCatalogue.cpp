#include "database/AccessCatalogue.h"

#include "database/CatalogueSession.h"
#include "database/ProgramCatalogue.h"
#include "settings/ErrorNumbers.h"
#include "settings/TextUtil.h"

#include <vector>

namespace portico {

AccessCatalogue::AccessCatalogue(CatalogueSession& session, ProgramCatalogue& programs)
    : session_(session), programs_(programs) {}

// Every join matches a subject's key together with its kind (1 = user, 2 = group),
// so that a group's grant is never read as a grant to the user with the same key.

std::unique_ptr<Recordset> AccessCatalogue::LoadSecurityUser(const std::string& strSid, const std::string& strPrgName) {
    const std::int16_t programKey = programs_.getProgramKey(strPrgName);
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
    const std::int16_t programKey = programs_.getProgramKey(strPrgName);
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
        const std::int16_t programKey = programs_.getProgramKey(trimSpacesOnly(strPrgName));
        if (programKey == 0)
            session_.raise(errors::kInvalidArgument, "There is no program named '" + trimSpacesOnly(strPrgName) + "'.");
        const std::int16_t objectKey = GetObjectKey(strObjectName, mIntType);
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

}  // namespace portico
