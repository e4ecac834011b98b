#include "tessera/DBRoutinesDispatch.h"

#include "settings/ErrorNumbers.h"
#include "tessera/CText.h"
#include "tessera/DispatchTable.h"
#include "tessera/ErrorInfo.h"
#include "tessera/VariantConversion.h"

#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace portico::tessera {

namespace {

// The arguments of one Invoke, in the member's order. A trailing argument not
// given, or given as "left out", is missing.
class Arguments {
public:
    Arguments(const TesseraVariant* args, std::uint32_t count) : args_(args), count_(count) {}
    const TesseraVariant* at(std::size_t index) const {
        if (index >= count_) return nullptr;
        const TesseraVariant& value = args_[index];
        return VariantConversion::isMissing(value) ? nullptr : &value;
    }
    std::uint32_t count() const { return count_; }

private:
    const TesseraVariant* args_;
    std::uint32_t count_;
};

// One argument converted to the C type the member takes. A missing argument
// is only ever optional here: required ones are checked before conversion.
template <typename T>
struct InArgument;

template <>
struct InArgument<const char*> {
    std::string text;
    void load(const TesseraVariant* value) { text = value ? VariantConversion::toText(*value) : std::string(); }
    const char* get() const { return text.c_str(); }
};

template <>
struct InArgument<const char* const*> {
    std::string text;
    const char* pointer = nullptr;
    void load(const TesseraVariant* value) {
        if (!value) return;
        text = VariantConversion::toText(*value);
        pointer = text.c_str();
    }
    const char* const* get() const { return pointer ? &pointer : nullptr; }
};

template <>
struct InArgument<std::int16_t> {
    std::int16_t value = 0;
    void load(const TesseraVariant* argument) { value = argument ? VariantConversion::toInt16(*argument) : 0; }
    std::int16_t get() const { return value; }
};

template <>
struct InArgument<const std::int16_t*> {
    std::int16_t value = 0;
    bool present = false;
    void load(const TesseraVariant* argument) {
        if (!argument) return;
        value = VariantConversion::toInt16(*argument);
        present = true;
    }
    const std::int16_t* get() const { return present ? &value : nullptr; }
};

template <>
struct InArgument<const TesseraVariant*> {
    const TesseraVariant* value = nullptr;
    void load(const TesseraVariant* argument) { value = argument; }
    const TesseraVariant* get() const { return value; }
};

template <>
struct InArgument<TesseraRecordset* const*> {
    TesseraRecordset* recordset = nullptr;
    void load(const TesseraVariant* argument) {
        if (!argument) return;
        if (argument->vt == TESSERA_VT_DISPATCH) {
            recordset = argument->u.recordset;
        } else if (argument->vt == TESSERA_VT_UNKNOWN) {
            recordset = reinterpret_cast<TesseraRecordset*>(argument->u.punkVal);
        } else {
            throw PorticoError(errors::kTypeMismatch, "Type mismatch", kLibrarySource);
        }
    }
    TesseraRecordset* const* get() const { return &recordset; }
};

enum class ResultKind { Integer, Boolean, Other };

// A member's result, turned into the variant Invoke answers.
template <typename T>
struct OutArgument;

template <>
struct OutArgument<char*> {
    char* value = nullptr;
    ~OutArgument() { freeText(value); }
    char** pointer() { return &value; }
    void store(TesseraVariant& result, ResultKind) {
        if (!value) value = allocateText("");
        result.vt = TESSERA_VT_BSTR;
        result.u.strVal = std::exchange(value, nullptr);
    }
};

template <>
struct OutArgument<std::int16_t> {
    std::int16_t value = 0;
    std::int16_t* pointer() { return &value; }
    void store(TesseraVariant& result, ResultKind kind) {
        if (kind == ResultKind::Boolean) {
            result.vt = TESSERA_VT_BOOL;
            result.u.boolVal = value ? TESSERA_TRUE : TESSERA_FALSE;
        } else {
            result.vt = TESSERA_VT_I2;
            result.u.iVal = value;
        }
    }
};

template <>
struct OutArgument<TesseraRecordset*> {
    TesseraRecordset* value = nullptr;
    ~OutArgument() {
        if (value) value->lpVtbl->Release(value);
    }
    TesseraRecordset** pointer() { return &value; }
    void store(TesseraVariant& result, ResultKind) {
        result.vt = TESSERA_VT_DISPATCH;
        result.u.recordset = std::exchange(value, nullptr);
    }
};

template <>
struct OutArgument<TesseraVariant> {
    TesseraVariant value{};
    ~OutArgument() { VariantConversion::clear(value); }
    TesseraVariant* pointer() { return &value; }
    void store(TesseraVariant& result, ResultKind) {
        result = value;
        std::memset(&value, 0, sizeof value);
    }
};

template <typename Slot>
struct SlotTraits;

template <typename... P>
struct SlotTraits<TesseraStatus (*_clsDBRoutinesVtbl::*)(_clsDBRoutines*, P...)> {
    using Parameters = std::tuple<P...>;
};

template <auto Slot, bool HasResult, std::size_t... I>
TesseraStatus callSlot(_clsDBRoutines* self, const Arguments& args, TesseraVariant* result, ResultKind kind,
                       std::index_sequence<I...>) {
    using Parameters = typename SlotTraits<decltype(Slot)>::Parameters;
    std::tuple<InArgument<std::tuple_element_t<I, Parameters>>...> inputs;
    (std::get<I>(inputs).load(args.at(I)), ...);
    const auto& table = *self->lpVtbl;
    if constexpr (HasResult) {
        using ResultPointer = std::tuple_element_t<sizeof...(I), Parameters>;
        OutArgument<std::remove_pointer_t<ResultPointer>> output;
        const TesseraStatus status = (table.*Slot)(self, std::get<I>(inputs).get()..., output.pointer());
        if (TESSERA_SUCCEEDED(status) && result) output.store(*result, kind);
        return status;
    } else {
        return (table.*Slot)(self, std::get<I>(inputs).get()...);
    }
}

using Invoker = TesseraStatus (*)(_clsDBRoutines*, const Arguments&, TesseraVariant*, ResultKind);

template <auto Slot, bool HasResult>
TesseraStatus invokeSlot(_clsDBRoutines* self, const Arguments& args, TesseraVariant* result, ResultKind kind) {
    constexpr std::size_t parameterCount =
        std::tuple_size_v<typename SlotTraits<decltype(Slot)>::Parameters>;
    constexpr std::size_t inputCount = HasResult ? parameterCount - 1 : parameterCount;
    return callSlot<Slot, HasResult>(self, args, result, kind, std::make_index_sequence<inputCount>{});
}

struct Member {
    std::int32_t dispid;
    std::size_t required;  // arguments that may not be left out
    std::size_t accepted;  // arguments the member takes
    ResultKind kind;
    Invoker method;        // a method, or a property's read
    Invoker write;         // a property's write, else null
};

template <auto Slot>
constexpr Invoker method() {
    return &invokeSlot<Slot, true>;
}
template <auto Slot>
constexpr Invoker write() {
    return &invokeSlot<Slot, false>;
}

using V = _clsDBRoutinesVtbl;
constexpr ResultKind kInt = ResultKind::Integer;
constexpr ResultKind kBool = ResultKind::Boolean;
constexpr ResultKind kOther = ResultKind::Other;

// Dispatch identifiers, argument counts and slots of the members. Properties
// share one identifier between their read and write.
constexpr Member kMembers[] = {
    {TESSERA_DISPID_openDatabase, 1, 1, kOther, method<&V::openDatabase>(), nullptr},
    {TESSERA_DISPID_exportThemePath, 0, 0, kOther, method<&V::get_exportThemePath>(), write<&V::put_exportThemePath>()},
    {TESSERA_DISPID_DefaultIconPath, 0, 0, kOther, method<&V::get_DefaultIconPath>(), write<&V::put_DefaultIconPath>()},
    {TESSERA_DISPID_loadPrograms, 0, 0, kOther, method<&V::loadPrograms>(), nullptr},
    {TESSERA_DISPID_loadProgram, 1, 1, kOther, method<&V::loadProgram>(), nullptr},
    {TESSERA_DISPID_getProgramDescription, 1, 1, kOther, method<&V::getProgramDescription>(), nullptr},
    {TESSERA_DISPID_getProgramKey, 1, 1, kInt, method<&V::getProgramKey>(), nullptr},
    {TESSERA_DISPID_loadProperties, 1, 1, kOther, method<&V::loadProperties>(), nullptr},
    {TESSERA_DISPID_getProgramPath, 1, 1, kOther, method<&V::getProgramPath>(), nullptr},
    {TESSERA_DISPID_getProgramResType, 1, 1, kOther, method<&V::getProgramResType>(), nullptr},
    {TESSERA_DISPID_deleteProgram, 1, 1, kBool, method<&V::deleteProgram>(), nullptr},
    {TESSERA_DISPID_addProgram, 4, 6, kBool, method<&V::addProgram>(), nullptr},
    {TESSERA_DISPID_AddProgramImage, 1, 2, kOther, method<&V::AddProgramImage>(), nullptr},
    {TESSERA_DISPID_AddThemeImage, 3, 3, kOther, method<&V::AddThemeImage>(), nullptr},
    {TESSERA_DISPID_GetThemeImage, 2, 2, kBool, method<&V::GetThemeImage>(), nullptr},
    {TESSERA_DISPID_GetProgramImage, 1, 1, kBool, method<&V::GetProgramImage>(), nullptr},
    {TESSERA_DISPID_updateProgram, 4, 6, kBool, method<&V::updateProgram>(), nullptr},
    {TESSERA_DISPID_LoadSecurityUser, 2, 2, kOther, method<&V::LoadSecurityUser>(), nullptr},
    {TESSERA_DISPID_LoadGroupPermissionForDataReport, 0, 0, kOther, method<&V::LoadGroupPermissionForDataReport>(),
     nullptr},
    {TESSERA_DISPID_LoadUserPermissionForDataReport, 0, 0, kOther, method<&V::LoadUserPermissionForDataReport>(),
     nullptr},
    {TESSERA_DISPID_LoadSecurityGroup, 2, 2, kOther, method<&V::LoadSecurityGroup>(), nullptr},
    {TESSERA_DISPID_LoadProgramsByGroup, 1, 1, kOther, method<&V::LoadProgramsByGroup>(), nullptr},
    {TESSERA_DISPID_LoadProgramsByUser, 2, 2, kOther, method<&V::LoadProgramsByUser>(), nullptr},
    {TESSERA_DISPID_LoadUsersByProgram, 1, 1, kOther, method<&V::LoadUsersByProgram>(), nullptr},
    {TESSERA_DISPID_LoadGroupsByProgram, 1, 1, kOther, method<&V::LoadGroupsByProgram>(), nullptr},
    {TESSERA_DISPID_GetObjectKey, 2, 2, kInt, method<&V::GetObjectKey>(), nullptr},
    {TESSERA_DISPID_AddSecurity, 4, 4, kBool, method<&V::AddSecurity>(), nullptr},
    {TESSERA_DISPID_DeleteSecurity, 2, 2, kBool, method<&V::DeleteSecurity>(), nullptr},
    {TESSERA_DISPID_AddUser, 2, 2, kBool, method<&V::AddUser>(), nullptr},
    {TESSERA_DISPID_AddGroup, 1, 1, kBool, method<&V::AddGroup>(), nullptr},
    {TESSERA_DISPID_DeleteUser, 1, 1, kBool, method<&V::DeleteUser>(), nullptr},
    {TESSERA_DISPID_DeleteGroup, 1, 1, kBool, method<&V::DeleteGroup>(), nullptr},
    {TESSERA_DISPID_GroupExists, 1, 1, kBool, method<&V::GroupExists>(), nullptr},
    {TESSERA_DISPID_UserExists, 1, 1, kBool, method<&V::UserExists>(), nullptr},
    {TESSERA_DISPID_AddFolder, 2, 2, kBool, method<&V::AddFolder>(), nullptr},
    {TESSERA_DISPID_DeleteFolder, 1, 1, kBool, method<&V::DeleteFolder>(), nullptr},
    {TESSERA_DISPID_GetFolders, 0, 0, kOther, method<&V::GetFolders>(), nullptr},
    {TESSERA_DISPID_GetProgramParameters, 1, 1, kOther, method<&V::GetProgramParameters>(), nullptr},
    {TESSERA_DISPID_GetProgramStartInDir, 1, 1, kOther, method<&V::GetProgramStartInDir>(), nullptr},
    {TESSERA_DISPID_LoadThemes, 0, 0, kOther, method<&V::LoadThemes>(), nullptr},
    {TESSERA_DISPID_DeleteTheme, 1, 1, kBool, method<&V::DeleteTheme>(), nullptr},
    {TESSERA_DISPID_LoadTheme, 1, 1, kOther, method<&V::LoadTheme>(), nullptr},
    {TESSERA_DISPID_CreateTheme, 1, 4, kBool, method<&V::CreateTheme>(), nullptr},
    {TESSERA_DISPID_setDefaultTheme, 1, 1, kBool, method<&V::setDefaultTheme>(), nullptr},
    {TESSERA_DISPID_GetThemeKey, 1, 1, kInt, method<&V::GetThemeKey>(), nullptr},
    {TESSERA_DISPID_GetThemeName, 1, 1, kOther, method<&V::GetThemeName>(), nullptr},
    {TESSERA_DISPID_getDefaultTheme, 0, 0, kOther, method<&V::getDefaultTheme>(), nullptr},
};

const DispatchTable& memberNames() {
    static const DispatchTable table{
        {"openDatabase", TESSERA_DISPID_openDatabase, {"mstrConString"}},
        {"exportThemePath", TESSERA_DISPID_exportThemePath, {}},
        {"DefaultIconPath", TESSERA_DISPID_DefaultIconPath, {}},
        {"loadPrograms", TESSERA_DISPID_loadPrograms, {}},
        {"loadProgram", TESSERA_DISPID_loadProgram, {"mStrName"}},
        {"getProgramDescription", TESSERA_DISPID_getProgramDescription, {"mStrPrgName"}},
        {"getProgramKey", TESSERA_DISPID_getProgramKey, {"mStrName"}},
        {"loadProperties", TESSERA_DISPID_loadProperties, {"mStrName"}},
        {"getProgramPath", TESSERA_DISPID_getProgramPath, {"mStrName"}},
        {"getProgramResType", TESSERA_DISPID_getProgramResType, {"mStrName"}},
        {"deleteProgram", TESSERA_DISPID_deleteProgram, {"mStrName"}},
        {"addProgram", TESSERA_DISPID_addProgram,
         {"mStrName", "mStrDesc", "mStrProgramPath", "strFileName", "strProgramStartInDir", "strProgramStartParms"}},
        {"AddProgramImage", TESSERA_DISPID_AddProgramImage, {"rs", "strPath"}},
        {"AddThemeImage", TESSERA_DISPID_AddThemeImage, {"rs", "strPath", "mStrFieldName"}},
        {"GetThemeImage", TESSERA_DISPID_GetThemeImage, {"mStrThemeName", "mStrFieldName"}},
        {"GetProgramImage", TESSERA_DISPID_GetProgramImage, {"strPrgName"}},
        {"updateProgram", TESSERA_DISPID_updateProgram,
         {"mStrOldName", "mStrName", "mStrDesc", "mStrProgramPath", "mStrProgramStartInDir", "mStrProgramStartUpParm"}},
        {"LoadSecurityUser", TESSERA_DISPID_LoadSecurityUser, {"strSid", "strPrgName"}},
        {"LoadGroupPermissionForDataReport", TESSERA_DISPID_LoadGroupPermissionForDataReport, {}},
        {"LoadUserPermissionForDataReport", TESSERA_DISPID_LoadUserPermissionForDataReport, {}},
        {"LoadSecurityGroup", TESSERA_DISPID_LoadSecurityGroup, {"strGroupName", "strPrgName"}},
        {"LoadProgramsByGroup", TESSERA_DISPID_LoadProgramsByGroup, {"strGroupName"}},
        {"LoadProgramsByUser", TESSERA_DISPID_LoadProgramsByUser, {"strUserName", "strSid"}},
        {"LoadUsersByProgram", TESSERA_DISPID_LoadUsersByProgram, {"strPrgName"}},
        {"LoadGroupsByProgram", TESSERA_DISPID_LoadGroupsByProgram, {"strPrgName"}},
        {"GetObjectKey", TESSERA_DISPID_GetObjectKey, {"strObjectName", "mIntType"}},
        {"AddSecurity", TESSERA_DISPID_AddSecurity, {"strObjectName", "intPermissionStatus", "strPrgName", "mIntType"}},
        {"DeleteSecurity", TESSERA_DISPID_DeleteSecurity, {"IntObjectKey", "IntPrgKey"}},
        {"AddUser", TESSERA_DISPID_AddUser, {"strUserName", "strSid"}},
        {"AddGroup", TESSERA_DISPID_AddGroup, {"strGroupName"}},
        {"DeleteUser", TESSERA_DISPID_DeleteUser, {"strSid"}},
        {"DeleteGroup", TESSERA_DISPID_DeleteGroup, {"strGroupName"}},
        {"GroupExists", TESSERA_DISPID_GroupExists, {"strGroupName"}},
        {"UserExists", TESSERA_DISPID_UserExists, {"strUserName"}},
        {"AddFolder", TESSERA_DISPID_AddFolder, {"mStrFolderName", "mStrFolderPath"}},
        {"DeleteFolder", TESSERA_DISPID_DeleteFolder, {"mStrFolderName"}},
        {"GetFolders", TESSERA_DISPID_GetFolders, {}},
        {"GetProgramParameters", TESSERA_DISPID_GetProgramParameters, {"mStrPrgName"}},
        {"GetProgramStartInDir", TESSERA_DISPID_GetProgramStartInDir, {"mStrPrgName"}},
        {"LoadThemes", TESSERA_DISPID_LoadThemes, {}},
        {"DeleteTheme", TESSERA_DISPID_DeleteTheme, {"mStrThemeName"}},
        {"LoadTheme", TESSERA_DISPID_LoadTheme, {"mStrThemeName"}},
        {"CreateTheme", TESSERA_DISPID_CreateTheme, {"mStrThemeName", "mStrSplash", "mStrAddRemove", "mStrSetup"}},
        {"setDefaultTheme", TESSERA_DISPID_setDefaultTheme, {"mStrThemeName"}},
        {"GetThemeKey", TESSERA_DISPID_GetThemeKey, {"mStrThemeName"}},
        {"GetThemeName", TESSERA_DISPID_GetThemeName, {"mIntThemeKey"}},
        {"getDefaultTheme", TESSERA_DISPID_getDefaultTheme, {}},
    };
    return table;
}

const Member* findMember(std::int32_t dispid) {
    for (const auto& member : kMembers) {
        if (member.dispid == dispid) return &member;
    }
    return nullptr;
}

TesseraStatus dispatchFailure(TesseraStatus status, long number, const char* description) {
    return ErrorInfo::fail(status, number, description, kLibrarySource);
}

}  // namespace

TesseraStatus DBRoutinesDispatch::idsOfNames(const char* const* names, std::uint32_t count, std::int32_t* dispids) {
    return memberNames().idsOfNames(names, count, dispids);
}

TesseraStatus DBRoutinesDispatch::invoke(_clsDBRoutines* self, std::int32_t dispid, std::uint16_t flags,
                                         const TesseraVariant* args, std::uint32_t argCount, TesseraVariant* result) {
    ErrorInfo::clear();
    if (result) TesseraVariantInit(result);
    if (argCount > 0 && !args) return TESSERA_E_POINTER;

    const Member* member = findMember(dispid);
    if (!member)
        return dispatchFailure(TESSERA_DISP_E_MEMBERNOTFOUND, 438, "Object doesn't support this property or method");

    const bool writing = (flags & TESSERA_DISPATCH_PROPERTYPUT) != 0;
    if (writing && !member->write)
        return dispatchFailure(TESSERA_DISP_E_MEMBERNOTFOUND, 438, "Object doesn't support this property or method");

    const Arguments arguments(args, argCount);
    const std::size_t required = writing ? 1 : member->required;
    const std::size_t accepted = writing ? 1 : member->accepted;
    if (argCount > accepted)
        return dispatchFailure(TESSERA_DISP_E_BADPARAMCOUNT, 450,
                               "Wrong number of arguments or invalid property assignment");
    for (std::size_t i = 0; i < required; ++i) {
        if (!arguments.at(i)) return dispatchFailure(TESSERA_DISP_E_PARAMNOTOPTIONAL, 449, "Argument not optional");
    }

    TesseraStatus status = TESSERA_S_OK;
    try {
        status = writing ? member->write(self, arguments, nullptr, member->kind)
                         : member->method(self, arguments, result, member->kind);
    } catch (const PorticoError& error) {
        // Only the conversion of an argument throws here; the members catch their own.
        const TesseraStatus conversion = error.number() == 6 ? TESSERA_DISP_E_OVERFLOW : TESSERA_DISP_E_TYPEMISMATCH;
        return ErrorInfo::fail(conversion, error.number(), error.description(), error.source());
    } catch (const std::bad_alloc&) {
        return dispatchFailure(TESSERA_E_OUTOFMEMORY, 7, "Out of memory");
    }
    return status;
}

}  // namespace portico::tessera
