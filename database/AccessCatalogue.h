#pragma once

#include "database/Recordset.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

    // Who may see what (see ProgramVisibility and clsDBRoutines).
    using Grants = std::vector<std::pair<std::int16_t, std::string>>;
    void applyAccessRule(bool apply);
    std::unique_ptr<Recordset> loadProgramsVisibleTo(const std::string& user);
    Grants grantsOf(std::int64_t programKey);
    std::vector<std::int64_t> restrictedProgramKeys();
    bool isKnownName(const std::string& name, std::int16_t type);
    bool mayChangeCatalogue();
    bool saveWithGrants(const std::function<bool()>& saveProgram, const std::string& name, const Grants* grants);

private:
    CatalogueSession& session_;
    ProgramCatalogue& programs_;

    bool onServer();
    std::int64_t subjectKey(const std::string& name, std::int16_t type);
};

}  // namespace portico
