#include "tessera/DBRoutinesObject.h"

#include "database/clsDBRoutines.h"
#include "settings/ErrorNumbers.h"
#include "tessera/CText.h"
#include "tessera/DBRoutinesDispatch.h"
#include "tessera/ErrorInfo.h"
#include "tessera/Guid.h"
#include "tessera/RecordsetObject.h"
#include "tessera/ServerState.h"
#include "tessera/VariantConversion.h"

#include <cstring>

namespace portico::tessera {

namespace {

using Self = _clsDBRoutines;

clsDBRoutines& db(Self* self) { return DBRoutinesObject::from(self).routines(); }

// The shapes of the members' results. Each initialises the result before the
// call, so that a failing member still leaves a defined value behind.
template <typename Body>
TesseraStatus textResult(char** result, Body&& body) {
    return guardedCall([&] {
        if (!result) return TESSERA_E_POINTER;
        *result = nullptr;
        *result = allocateText(body());
        return TESSERA_S_OK;
    });
}

template <typename Body>
TesseraStatus boolResult(TesseraBool* result, Body&& body) {
    return guardedCall([&] {
        if (!result) return TESSERA_E_POINTER;
        *result = TESSERA_FALSE;
        *result = body() ? TESSERA_TRUE : TESSERA_FALSE;
        return TESSERA_S_OK;
    });
}

template <typename Body>
TesseraStatus integerResult(std::int16_t* result, Body&& body) {
    return guardedCall([&] {
        if (!result) return TESSERA_E_POINTER;
        *result = 0;
        *result = body();
        return TESSERA_S_OK;
    });
}

template <typename Body>
TesseraStatus recordsetResult(TesseraRecordset** result, Body&& body) {
    return guardedCall([&] {
        if (!result) return TESSERA_E_POINTER;
        *result = nullptr;
        *result = RecordsetObject::wrap(body());
        return TESSERA_S_OK;
    });
}

// Members whose result is a variant that is always empty.
template <typename Body>
TesseraStatus emptyVariantResult(TesseraVariant* result, Body&& body) {
    return guardedCall([&] {
        if (!result) return TESSERA_E_POINTER;
        TesseraVariantInit(result);
        body();
        return TESSERA_S_OK;
    });
}

// The record set a picture member is given: one of ours, or an invalid argument.
Recordset* targetRecordset(TesseraRecordset* const* rs) {
    if (!rs || !*rs) throw PorticoError(errors::kObjectNotSet, "Object variable or With block variable not set", kLibrarySource);
    auto* recordset = RecordsetObject::unwrap(*rs);
    if (!recordset) throw PorticoError(errors::kTypeMismatch, "Type mismatch", kLibrarySource);
    return recordset;
}

// The object type of GetObjectKey arrives as a variant: anything but 1 or 2
// is "another value", which the data layer refuses with its report.
std::int16_t objectType(const TesseraVariant* type) {
    if (!type) return 0;
    try {
        const auto value = VariantConversion::toInt64(*type);
        return (value == 1 || value == 2) ? static_cast<std::int16_t>(value) : 0;
    } catch (const PorticoError&) {
        return 0;
    }
}

TesseraStatus QueryInterface(Self* self, const TesseraGuid* iid, void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    if (!self || !iid) return TESSERA_E_POINTER;
    if (sameGuid(iid, TESSERA_IID_IUnknown) || sameGuid(iid, TESSERA_IID_IDispatch) ||
        sameGuid(iid, TESSERA_IID__clsDBRoutines)) {
        DBRoutinesObject::from(self).addRef();
        *object = self;
        return TESSERA_S_OK;
    }
    return TESSERA_E_NOINTERFACE;
}

std::uint32_t AddRef(Self* self) { return DBRoutinesObject::from(self).addRef(); }
std::uint32_t Release(Self* self) { return DBRoutinesObject::from(self).release(); }

TesseraStatus GetTypeInfoCount(Self*, std::uint32_t* count) {
    if (!count) return TESSERA_E_POINTER;
    *count = 0;
    return TESSERA_S_OK;
}

TesseraStatus GetTypeInfo(Self*, std::uint32_t, std::uint32_t, void** typeInfo) {
    if (typeInfo) *typeInfo = nullptr;
    return TESSERA_E_NOTIMPL;
}

TesseraStatus GetIDsOfNames(Self*, const TesseraGuid*, const char* const* names, std::uint32_t count, std::uint32_t,
                            std::int32_t* dispids) {
    return DBRoutinesDispatch::idsOfNames(names, count, dispids);
}

TesseraStatus Invoke(Self* self, std::int32_t dispid, std::uint16_t flags, const TesseraVariant* args,
                     std::uint32_t argCount, TesseraVariant* result) {
    return DBRoutinesDispatch::invoke(self, dispid, flags, args, argCount, result);
}

// ---- the members, in their published order ----

TesseraStatus openDatabase(Self* self, const char* mstrConString, TesseraVariant* result) {
    return emptyVariantResult(result, [&] { db(self).openDatabase(textArgument(mstrConString)); });
}

TesseraStatus put_DefaultIconPath(Self* self, const char* value) {
    return guardedCall([&] {
        db(self).setDefaultIconPath(textArgument(value));
        return TESSERA_S_OK;
    });
}

TesseraStatus put_exportThemePath(Self* self, const char* value) {
    return guardedCall([&] {
        db(self).setExportThemePath(textArgument(value));
        return TESSERA_S_OK;
    });
}

TesseraStatus get_DefaultIconPath(Self* self, char** result) {
    return textResult(result, [&] { return db(self).DefaultIconPath(); });
}

TesseraStatus get_exportThemePath(Self* self, char** result) {
    return textResult(result, [&] { return db(self).exportThemePath(); });
}

TesseraStatus loadPrograms(Self* self, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).loadPrograms(); });
}

TesseraStatus loadProgram(Self* self, const char* mStrName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).loadProgram(textArgument(mStrName)); });
}

TesseraStatus getProgramDescription(Self* self, const char* mStrPrgName, char** result) {
    return textResult(result, [&] { return db(self).getProgramDescription(textArgument(mStrPrgName)); });
}

TesseraStatus getProgramKey(Self* self, const char* mStrName, std::int16_t* result) {
    return integerResult(result, [&] { return db(self).getProgramKey(textArgument(mStrName)); });
}

TesseraStatus loadProperties(Self* self, const char* mStrName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).loadProperties(textArgument(mStrName)); });
}

TesseraStatus getProgramPath(Self* self, const char* mStrName, char** result) {
    return textResult(result, [&] { return db(self).getProgramPath(textArgument(mStrName)); });
}

TesseraStatus getProgramResType(Self* self, const char* mStrName, char** result) {
    return textResult(result, [&] { return db(self).getProgramResType(textArgument(mStrName)); });
}

TesseraStatus deleteProgram(Self* self, const char* mStrName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).deleteProgram(textArgument(mStrName)); });
}

TesseraStatus addProgram(Self* self, const char* mStrName, const char* const* mStrDesc,
                         const char* const* mStrProgramPath, const char* const* strFileName,
                         const char* const* strProgramStartInDir, const char* const* strProgramStartParms,
                         TesseraBool* result) {
    if (!mStrDesc || !mStrProgramPath || !strFileName) return TESSERA_E_POINTER;
    return boolResult(result, [&] {
        return db(self).addProgram(textArgument(mStrName), refTextArgument(mStrDesc), refTextArgument(mStrProgramPath),
                                   refTextArgument(strFileName), refTextArgument(strProgramStartInDir),
                                   refTextArgument(strProgramStartParms));
    });
}

TesseraStatus AddProgramImage(Self* self, TesseraRecordset* const* rs, const char* const* strPath,
                              TesseraVariant* result) {
    return emptyVariantResult(result,
                              [&] { db(self).AddProgramImage(*targetRecordset(rs), refTextArgument(strPath)); });
}

TesseraStatus AddThemeImage(Self* self, TesseraRecordset* const* rs, const char* const* strPath,
                            const char* const* mStrFieldName, TesseraVariant* result) {
    if (!strPath || !mStrFieldName) return TESSERA_E_POINTER;
    return emptyVariantResult(result, [&] {
        db(self).AddThemeImage(*targetRecordset(rs), refTextArgument(strPath), refTextArgument(mStrFieldName));
    });
}

TesseraStatus GetThemeImage(Self* self, const char* mStrThemeName, const char* const* mStrFieldName,
                            TesseraBool* result) {
    if (!mStrFieldName) return TESSERA_E_POINTER;
    return boolResult(result,
                      [&] { return db(self).GetThemeImage(textArgument(mStrThemeName), refTextArgument(mStrFieldName)); });
}

TesseraStatus GetProgramImage(Self* self, const char* strPrgName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).GetProgramImage(textArgument(strPrgName)); });
}

TesseraStatus updateProgram(Self* self, const char* mStrOldName, const char* mStrName, const char* const* mStrDesc,
                            const char* const* mStrProgramPath, const char* const* mStrProgramStartInDir,
                            const char* const* mStrProgramStartUpParm, TesseraBool* result) {
    if (!mStrDesc || !mStrProgramPath) return TESSERA_E_POINTER;
    return boolResult(result, [&] {
        return db(self).updateProgram(textArgument(mStrOldName), textArgument(mStrName), refTextArgument(mStrDesc),
                                      refTextArgument(mStrProgramPath), refTextArgument(mStrProgramStartInDir),
                                      refTextArgument(mStrProgramStartUpParm));
    });
}

TesseraStatus LoadSecurityUser(Self* self, const char* strSid, const char* strPrgName, TesseraRecordset** result) {
    return recordsetResult(result,
                           [&] { return db(self).LoadSecurityUser(textArgument(strSid), textArgument(strPrgName)); });
}

TesseraStatus LoadGroupPermissionForDataReport(Self* self, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadGroupPermissionForDataReport(); });
}

TesseraStatus LoadUserPermissionForDataReport(Self* self, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadUserPermissionForDataReport(); });
}

TesseraStatus LoadSecurityGroup(Self* self, const char* strGroupName, const char* strPrgName,
                                TesseraRecordset** result) {
    return recordsetResult(
        result, [&] { return db(self).LoadSecurityGroup(textArgument(strGroupName), textArgument(strPrgName)); });
}

TesseraStatus LoadProgramsByGroup(Self* self, const char* strGroupName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadProgramsByGroup(textArgument(strGroupName)); });
}

TesseraStatus LoadProgramsByUser(Self* self, const char* strUserName, const char* strSid, TesseraRecordset** result) {
    return recordsetResult(result,
                           [&] { return db(self).LoadProgramsByUser(textArgument(strUserName), textArgument(strSid)); });
}

TesseraStatus LoadUsersByProgram(Self* self, const char* strPrgName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadUsersByProgram(textArgument(strPrgName)); });
}

TesseraStatus LoadGroupsByProgram(Self* self, const char* strPrgName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadGroupsByProgram(textArgument(strPrgName)); });
}

TesseraStatus GetObjectKey(Self* self, const char* strObjectName, const TesseraVariant* mIntType,
                           std::int16_t* result) {
    return integerResult(result,
                         [&] { return db(self).GetObjectKey(textArgument(strObjectName), objectType(mIntType)); });
}

TesseraStatus AddSecurity(Self* self, const char* strObjectName, const std::int16_t* intPermissionStatus,
                          const char* strPrgName, std::int16_t mIntType, TesseraBool* result) {
    if (!intPermissionStatus) return TESSERA_E_POINTER;
    return boolResult(result, [&] {
        return db(self).AddSecurity(textArgument(strObjectName), *intPermissionStatus, textArgument(strPrgName),
                                    mIntType);
    });
}

TesseraStatus DeleteSecurity(Self* self, std::int16_t IntObjectKey, std::int16_t IntPrgKey, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).DeleteSecurity(IntObjectKey, IntPrgKey); });
}

TesseraStatus AddUser(Self* self, const char* strUserName, const char* strSid, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).AddUser(textArgument(strUserName), textArgument(strSid)); });
}

TesseraStatus AddGroup(Self* self, const char* strGroupName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).AddGroup(textArgument(strGroupName)); });
}

TesseraStatus DeleteUser(Self* self, const char* strSid, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).DeleteUser(textArgument(strSid)); });
}

TesseraStatus DeleteGroup(Self* self, const char* strGroupName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).DeleteGroup(textArgument(strGroupName)); });
}

TesseraStatus GroupExists(Self* self, const char* strGroupName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).GroupExists(textArgument(strGroupName)); });
}

TesseraStatus UserExists(Self* self, const char* strUserName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).UserExists(textArgument(strUserName)); });
}

TesseraStatus AddFolder(Self* self, const char* mStrFolderName, const char* mStrFolderPath, TesseraBool* result) {
    return boolResult(result,
                      [&] { return db(self).AddFolder(textArgument(mStrFolderName), textArgument(mStrFolderPath)); });
}

TesseraStatus DeleteFolder(Self* self, const char* mStrFolderName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).DeleteFolder(textArgument(mStrFolderName)); });
}

TesseraStatus GetFolders(Self* self, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).GetFolders(); });
}

TesseraStatus GetProgramParameters(Self* self, const char* mStrPrgName, char** result) {
    return textResult(result, [&] { return db(self).GetProgramParameters(textArgument(mStrPrgName)); });
}

TesseraStatus GetProgramStartInDir(Self* self, const char* mStrPrgName, char** result) {
    return textResult(result, [&] { return db(self).GetProgramStartInDir(textArgument(mStrPrgName)); });
}

TesseraStatus LoadThemes(Self* self, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadThemes(); });
}

TesseraStatus DeleteTheme(Self* self, const char* mStrThemeName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).DeleteTheme(textArgument(mStrThemeName)); });
}

TesseraStatus LoadTheme(Self* self, const char* mStrThemeName, TesseraRecordset** result) {
    return recordsetResult(result, [&] { return db(self).LoadTheme(textArgument(mStrThemeName)); });
}

TesseraStatus CreateTheme(Self* self, const char* mStrThemeName, const char* const* mStrSplash,
                          const char* const* mStrAddRemove, const char* const* mStrSetup, TesseraBool* result) {
    return boolResult(result, [&] {
        return db(self).CreateTheme(textArgument(mStrThemeName), refTextArgument(mStrSplash),
                                    refTextArgument(mStrAddRemove), refTextArgument(mStrSetup));
    });
}

TesseraStatus setDefaultTheme(Self* self, const char* mStrThemeName, TesseraBool* result) {
    return boolResult(result, [&] { return db(self).setDefaultTheme(textArgument(mStrThemeName)); });
}

TesseraStatus GetThemeKey(Self* self, const char* mStrThemeName, std::int16_t* result) {
    return integerResult(result, [&] { return db(self).GetThemeKey(textArgument(mStrThemeName)); });
}

TesseraStatus GetThemeName(Self* self, std::int16_t mIntThemeKey, char** result) {
    return textResult(result, [&] { return db(self).GetThemeName(mIntThemeKey); });
}

TesseraStatus getDefaultTheme(Self* self, char** result) {
    return textResult(result, [&] { return db(self).getDefaultTheme(); });
}

const _clsDBRoutinesVtbl kVtable = {
    QueryInterface,
    AddRef,
    Release,
    GetTypeInfoCount,
    GetTypeInfo,
    GetIDsOfNames,
    Invoke,
    openDatabase,
    put_DefaultIconPath,
    put_exportThemePath,
    get_DefaultIconPath,
    get_exportThemePath,
    loadPrograms,
    loadProgram,
    getProgramDescription,
    getProgramKey,
    loadProperties,
    getProgramPath,
    getProgramResType,
    deleteProgram,
    addProgram,
    AddProgramImage,
    AddThemeImage,
    GetThemeImage,
    GetProgramImage,
    updateProgram,
    LoadSecurityUser,
    LoadGroupPermissionForDataReport,
    LoadUserPermissionForDataReport,
    LoadSecurityGroup,
    LoadProgramsByGroup,
    LoadProgramsByUser,
    LoadUsersByProgram,
    LoadGroupsByProgram,
    GetObjectKey,
    AddSecurity,
    DeleteSecurity,
    AddUser,
    AddGroup,
    DeleteUser,
    DeleteGroup,
    GroupExists,
    UserExists,
    AddFolder,
    DeleteFolder,
    GetFolders,
    GetProgramParameters,
    GetProgramStartInDir,
    LoadThemes,
    DeleteTheme,
    LoadTheme,
    CreateTheme,
    setDefaultTheme,
    GetThemeKey,
    GetThemeName,
    getDefaultTheme,
};

}  // namespace

// The library's clients get the library's behaviour of the published members,
// and the runtime's errors under its name.
DBRoutinesObject::DBRoutinesObject() : routines_(std::make_unique<clsDBRoutines>(CatalogueCaller::Library)) {
    interface_.lpVtbl = &kVtable;
    interface_.owner = this;
    ServerState::objectCreated();
}

DBRoutinesObject::~DBRoutinesObject() { ServerState::objectDestroyed(); }

_clsDBRoutines* DBRoutinesObject::create() {
    auto* object = new DBRoutinesObject();
    return &object->interface_;
}

DBRoutinesObject& DBRoutinesObject::from(_clsDBRoutines* self) noexcept {
    return *static_cast<Interface*>(self)->owner;
}

const _clsDBRoutinesVtbl& DBRoutinesObject::vtable() noexcept { return kVtable; }

std::uint32_t DBRoutinesObject::release() noexcept {
    const auto remaining = --references_;
    // Destroying the instance closes its connection; a report it makes on the
    // way goes to the client's handler like any other.
    if (remaining == 0) delete this;
    return remaining;
}

}  // namespace portico::tessera
