#include "database/clsDBRoutines.h"

#include "database/AccessCatalogue.h"
#include "database/CataloguePictures.h"
#include "database/CatalogueSession.h"
#include "database/FolderThemeCatalogue.h"
#include "database/ProgramCatalogue.h"

namespace portico {

// ---------------------------------------------------------------- connection

clsDBRoutines::clsDBRoutines() : clsDBRoutines(CatalogueCaller::Programs) {}

clsDBRoutines::clsDBRoutines(std::filesystem::path pictureFolder)
    : clsDBRoutines(CatalogueCaller::Programs, std::move(pictureFolder)) {}

clsDBRoutines::clsDBRoutines(CatalogueCaller caller, std::optional<std::filesystem::path> pictureFolder)
    : session_(std::make_unique<CatalogueSession>(caller)),
      pictures_(std::make_unique<CataloguePictures>(*session_, std::move(pictureFolder))),
      programs_(std::make_unique<ProgramCatalogue>(*session_, *pictures_)),
      foldersThemes_(std::make_unique<FolderThemeCatalogue>(*session_, *pictures_)),
      access_(std::make_unique<AccessCatalogue>(*session_, *programs_)) {}

// The session closes the connection, and reports a failure, as the last part to go.
clsDBRoutines::~clsDBRoutines() = default;

void clsDBRoutines::openDatabase(const std::string& mstrConString) { session_->open(mstrConString); }

CatalogueCaller clsDBRoutines::caller() const { return session_->caller(); }

const std::string& clsDBRoutines::DefaultIconPath() const { return pictures_->defaultIconPath(); }

void clsDBRoutines::setDefaultIconPath(std::string value) { pictures_->setDefaultIconPath(std::move(value)); }

const std::string& clsDBRoutines::exportThemePath() const { return pictures_->exportThemePath(); }

void clsDBRoutines::setExportThemePath(std::string value) { pictures_->setExportThemePath(std::move(value)); }

std::filesystem::path clsDBRoutines::PictureFolder() const { return pictures_->pictureFolder(); }

void clsDBRoutines::setPictureFolder(std::filesystem::path folder) { pictures_->setPictureFolder(std::move(folder)); }

std::filesystem::path clsDBRoutines::programImageFile() const { return pictures_->programImageFile(); }

std::filesystem::path clsDBRoutines::themeImageFile(const std::string& fieldName) const {
    return pictures_->themeImageFile(fieldName);
}

// ---------------------------------------------------------------- programs

std::unique_ptr<Recordset> clsDBRoutines::loadPrograms() { return programs_->loadPrograms(); }

std::unique_ptr<Recordset> clsDBRoutines::loadProgram(const std::string& mStrName) {
    return programs_->loadProgram(mStrName);
}

std::string clsDBRoutines::getProgramDescription(const std::string& mStrPrgName) {
    return programs_->getProgramDescription(mStrPrgName);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramDescriptions() { return programs_->loadProgramDescriptions(); }

std::int16_t clsDBRoutines::getProgramKey(const std::string& mStrName) { return programs_->getProgramKey(mStrName); }

std::unique_ptr<Recordset> clsDBRoutines::loadProperties(const std::string& mStrName) {
    return programs_->loadProperties(mStrName);
}

std::string clsDBRoutines::getProgramPath(const std::string& mStrName) { return programs_->getProgramPath(mStrName); }

std::string clsDBRoutines::getProgramResType(const std::string& mStrName) {
    return programs_->getProgramResType(mStrName);
}

bool clsDBRoutines::deleteProgram(const std::string& mStrName) { return programs_->deleteProgram(mStrName); }

bool clsDBRoutines::addProgram(const std::string& mStrName, const std::string& mStrDesc,
                               const std::string& mStrProgramPath, const std::string& /*strFileName*/,
                               const std::string& strProgramStartInDir, const std::string& strProgramStartParms) {
    return programs_->insertProgram(mStrName, mStrDesc, mStrProgramPath, strProgramStartInDir, strProgramStartParms,
                                    nullptr);
}

bool clsDBRoutines::updateProgram(const std::string& mStrOldName, const std::string& mStrName,
                                  const std::string& mStrDesc, const std::string& mStrProgramPath,
                                  const std::string& mStrProgramStartInDir, const std::string& mStrProgramStartUpParm) {
    return programs_->updateProgram(mStrOldName, mStrName, mStrDesc, mStrProgramPath, mStrProgramStartInDir,
                                    mStrProgramStartUpParm);
}

std::string clsDBRoutines::GetProgramParameters(const std::string& mStrPrgName) {
    return programs_->GetProgramParameters(mStrPrgName);
}

std::string clsDBRoutines::GetProgramStartInDir(const std::string& mStrPrgName) {
    return programs_->GetProgramStartInDir(mStrPrgName);
}

bool clsDBRoutines::runsInTerminal(const std::string& name) { return programs_->runsInTerminal(name); }

bool clsDBRoutines::setRunsInTerminal(const std::string& name, bool terminal) {
    return programs_->setRunsInTerminal(name, terminal);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramList() { return programs_->loadProgramList(); }

std::unique_ptr<Recordset> clsDBRoutines::loadProgramNames(bool withPaths) {
    return programs_->loadProgramNames(withPaths);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramIcons(const std::vector<std::int64_t>& keys) {
    return programs_->loadProgramIcons(keys);
}

std::unique_ptr<Recordset> clsDBRoutines::loadProgramByKey(std::int64_t key) {
    return programs_->loadProgramByKey(key);
}

std::unique_ptr<Recordset> clsDBRoutines::loadPropertiesByKey(std::int64_t key) {
    return programs_->loadPropertiesByKey(key);
}

bool clsDBRoutines::addProgramWithPicture(const std::string& name, const std::string& description,
                                          const std::string& path, const Bytes& picture, const std::string& startInDir,
                                          const std::string& parameters) {
    return programs_->insertProgram(name, description, path, startInDir, parameters, &picture);
}

bool clsDBRoutines::updateProgramByKey(std::int64_t key, const std::string& name, const std::string& description,
                                       const std::string& path, const std::string& startInDir,
                                       const std::string& parameters, const Bytes* picture) {
    return programs_->updateProgramByKey(key, name, description, path, startInDir, parameters, picture);
}

bool clsDBRoutines::deleteProgramByKey(std::int64_t key) { return programs_->deleteProgramByKey(key); }

std::string clsDBRoutines::programNamedLike(const std::string& name, std::int64_t exceptKey) {
    return programs_->programNamedLike(name, exceptKey);
}

// ---------------------------------------------------------------- pictures

void clsDBRoutines::AddProgramImage(Recordset& rs, const std::string& strPath) {
    session_->passOn([&] { pictures_->AddProgramImage(rs, strPath); });
}

void clsDBRoutines::AddThemeImage(Recordset& rs, const std::string& strPath, const std::string& mStrFieldName) {
    session_->passOn([&] { pictures_->AddThemeImage(rs, strPath, mStrFieldName); });
}

bool clsDBRoutines::GetThemeImage(const std::string& mStrThemeName, const std::string& mStrFieldName) {
    return pictures_->GetThemeImage(mStrThemeName, mStrFieldName);
}

bool clsDBRoutines::GetProgramImage(const std::string& strPrgName) { return pictures_->GetProgramImage(strPrgName); }

// ---------------------------------------------------------------- users, groups, permissions

std::unique_ptr<Recordset> clsDBRoutines::LoadSecurityUser(const std::string& strSid, const std::string& strPrgName) {
    return access_->LoadSecurityUser(strSid, strPrgName);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadGroupPermissionForDataReport() {
    return access_->LoadGroupPermissionForDataReport();
}

std::unique_ptr<Recordset> clsDBRoutines::LoadUserPermissionForDataReport() {
    return access_->LoadUserPermissionForDataReport();
}

std::unique_ptr<Recordset> clsDBRoutines::LoadSecurityGroup(const std::string& strGroupName,
                                                            const std::string& strPrgName) {
    return access_->LoadSecurityGroup(strGroupName, strPrgName);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadProgramsByGroup(const std::string& strGroupName) {
    return access_->LoadProgramsByGroup(strGroupName);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadProgramsByUser(const std::string& strUserName,
                                                             const std::string& strSid) {
    return access_->LoadProgramsByUser(strUserName, strSid);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadUsersByProgram(const std::string& strPrgName) {
    return access_->LoadUsersByProgram(strPrgName);
}

std::unique_ptr<Recordset> clsDBRoutines::LoadGroupsByProgram(const std::string& strPrgName) {
    return access_->LoadGroupsByProgram(strPrgName);
}

std::int16_t clsDBRoutines::GetObjectKey(const std::string& strObjectName, std::int16_t mIntType) {
    return access_->GetObjectKey(strObjectName, mIntType);
}

bool clsDBRoutines::AddSecurity(const std::string& strObjectName, std::int16_t intPermissionStatus,
                                const std::string& strPrgName, std::int16_t mIntType) {
    return access_->AddSecurity(strObjectName, intPermissionStatus, strPrgName, mIntType);
}

bool clsDBRoutines::DeleteSecurity(std::int16_t IntObjectKey, std::int16_t IntPrgKey) {
    return access_->DeleteSecurity(IntObjectKey, IntPrgKey);
}

bool clsDBRoutines::AddUser(const std::string& strUserName, const std::string& strSid) {
    return access_->AddUser(strUserName, strSid);
}

bool clsDBRoutines::AddGroup(const std::string& strGroupName) { return access_->AddGroup(strGroupName); }

bool clsDBRoutines::DeleteUser(const std::string& strSid) { return access_->DeleteUser(strSid); }

bool clsDBRoutines::DeleteGroup(const std::string& strGroupName) { return access_->DeleteGroup(strGroupName); }

bool clsDBRoutines::GroupExists(const std::string& strGroupName) { return access_->GroupExists(strGroupName); }

bool clsDBRoutines::UserExists(const std::string& strUserName) { return access_->UserExists(strUserName); }

// ---------------------------------------------------------------- folders and themes

bool clsDBRoutines::AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath) {
    return foldersThemes_->AddFolder(mStrFolderName, mStrFolderPath);
}

bool clsDBRoutines::DeleteFolder(const std::string& mStrFolderName) {
    return foldersThemes_->DeleteFolder(mStrFolderName);
}

std::unique_ptr<Recordset> clsDBRoutines::GetFolders() { return foldersThemes_->GetFolders(); }

std::unique_ptr<Recordset> clsDBRoutines::LoadThemes() { return foldersThemes_->LoadThemes(); }

bool clsDBRoutines::DeleteTheme(const std::string& mStrThemeName) { return foldersThemes_->DeleteTheme(mStrThemeName); }

std::unique_ptr<Recordset> clsDBRoutines::LoadTheme(const std::string& mStrThemeName) {
    return foldersThemes_->LoadTheme(mStrThemeName);
}

std::unique_ptr<Recordset> clsDBRoutines::loadThemePicture(const std::string& themeName, const std::string& field) {
    return foldersThemes_->loadThemePicture(themeName, field);
}

bool clsDBRoutines::CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash,
                                const std::string& mStrAddRemove, const std::string& mStrSetup) {
    return foldersThemes_->CreateTheme(mStrThemeName, mStrSplash, mStrAddRemove, mStrSetup);
}

bool clsDBRoutines::setDefaultTheme(const std::string& mStrThemeName) {
    return foldersThemes_->setDefaultTheme(mStrThemeName);
}

std::int16_t clsDBRoutines::GetThemeKey(const std::string& mStrThemeName) {
    return foldersThemes_->GetThemeKey(mStrThemeName);
}

std::string clsDBRoutines::GetThemeName(std::int16_t mIntThemeKey) {
    return foldersThemes_->GetThemeName(mIntThemeKey);
}

std::string clsDBRoutines::getDefaultTheme() { return foldersThemes_->getDefaultTheme(); }

std::unique_ptr<Recordset> clsDBRoutines::loadThemeList() { return foldersThemes_->loadThemeList(); }

bool clsDBRoutines::deleteThemeByKey(std::int64_t key) { return foldersThemes_->deleteThemeByKey(key); }

std::int64_t clsDBRoutines::defaultThemeKey() { return foldersThemes_->defaultThemeKey(); }

std::string clsDBRoutines::themeNamedLike(const std::string& name) { return foldersThemes_->themeNamedLike(name); }

// ---------------------------------------------------------------- who may see what

void clsDBRoutines::applyAccessRule(bool apply) { access_->applyAccessRule(apply); }

std::unique_ptr<Recordset> clsDBRoutines::loadProgramsVisibleTo(const std::string& user) {
    return access_->loadProgramsVisibleTo(user);
}

clsDBRoutines::Grants clsDBRoutines::grantsOf(std::int64_t programKey) { return access_->grantsOf(programKey); }

std::vector<std::int64_t> clsDBRoutines::restrictedProgramKeys() { return access_->restrictedProgramKeys(); }

bool clsDBRoutines::isKnownName(const std::string& name, std::int16_t type) { return access_->isKnownName(name, type); }

bool clsDBRoutines::mayChangeCatalogue() { return access_->mayChangeCatalogue(); }

bool clsDBRoutines::addProgramWithGrants(const std::string& name, const std::string& description,
                                         const std::string& path, const Bytes& picture, const std::string& startInDir,
                                         const std::string& parameters, const Grants& grants, bool terminal) {
    return access_->saveWithGrants(
        [&] { return programs_->insertProgram(name, description, path, startInDir, parameters, &picture, terminal); },
        name, &grants);
}

bool clsDBRoutines::updateProgramWithGrants(std::int64_t key, const std::string& name, const std::string& description,
                                            const std::string& path, const std::string& startInDir,
                                            const std::string& parameters, const Bytes* picture, const Grants& grants,
                                            std::optional<bool> terminal) {
    return access_->saveWithGrants(
        [&] {
            return programs_->updateProgramByKey(key, name, description, path, startInDir, parameters, picture,
                                                 terminal);
        },
        name, &grants);
}

}  // namespace portico
