#pragma once

#include "database/Recordset.h"

#include <cstdint>
#include <memory>
#include <string>

namespace portico {

class CatalogueSession;
class ProgramCatalogue;

// Users, groups and the permissions they hold on programs. Object type 1 =
// user, 2 = group. See clsDBRoutines for each operation.
class AccessCatalogue {
public:
    AccessCatalogue(CatalogueSession& session, ProgramCatalogue& programs);

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

private:
    CatalogueSession& session_;
    ProgramCatalogue& programs_;
};

}  // namespace portico
