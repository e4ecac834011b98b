#include "tessera/DBRoutinesDispatch.h"

#include "settings/ErrorNumbers.h"
#include "tessera/CText.h"
#include "tessera/DispatchTable.h"
#include "tessera/ErrorInfo.h"
#include "tessera/VariantConversion.h"

#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

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

template <auto Slot>
constexpr std::size_t kSlotParameters = std::tuple_size_v<typename SlotTraits<decltype(Slot)>::Parameters>;

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
    constexpr std::size_t inputCount = HasResult ? kSlotParameters<Slot> - 1 : kSlotParameters<Slot>;
    return callSlot<Slot, HasResult>(self, args, result, kind, std::make_index_sequence<inputCount>{});
}

template <auto Slot>
constexpr bool kAnswersInt16 =
    std::is_same_v<std::tuple_element_t<kSlotParameters<Slot> - 1, typename SlotTraits<decltype(Slot)>::Parameters>,
                   std::int16_t*>;

// All that GetIDsOfNames and Invoke know of one member.
struct Member {
    DispatchTable::Member published;  // name, dispatch identifier, parameter names
    std::size_t required;             // arguments that may not be left out
    std::size_t accepted;             // arguments the member takes
    ResultKind kind;
    Invoker method;                   // a method, or a property's read
    Invoker write;                    // a property's write, else null
};

// A method names each argument of its slot (all but the last parameter, the
// result), so the names cannot drift from what the slot takes.
template <auto Slot, typename... Names>
consteval Member method(const char* name, std::int32_t dispid, ResultKind kind, std::size_t required,
                        Names... parameters) {
    static_assert(sizeof...(Names) + 1 == kSlotParameters<Slot>, "one parameter name per argument of the slot");
    if (required > sizeof...(Names)) throw "more arguments required than the member takes";
    if ((kind != ResultKind::Other) != kAnswersInt16<Slot>) throw "only a 16-bit result reads as integer or boolean";
    return {{name, dispid, {parameters...}}, required, sizeof...(Names), kind, &invokeSlot<Slot, true>, nullptr};
}

// A property is read without arguments and written with one, under one identifier.
template <auto Read, auto Write>
consteval Member property(const char* name, std::int32_t dispid) {
    static_assert(kSlotParameters<Read> == 1 && kSlotParameters<Write> == 1, "a property reads one value, writes one");
    return {{name, dispid, {}}, 0, 0, ResultKind::Other, &invokeSlot<Read, true>, &invokeSlot<Write, false>};
}

using V = _clsDBRoutinesVtbl;
constexpr ResultKind kInt = ResultKind::Integer;
constexpr ResultKind kBool = ResultKind::Boolean;
constexpr ResultKind kOther = ResultKind::Other;

// A member's name is written once: it is the published name, it names the
// identifier in Tessera.h and the slot of the function table.
#define DISPATCH_METHOD(member, kind, required, ...) \
    method<&V::member>(#member, TESSERA_DISPID_##member, kind, required __VA_OPT__(, ) __VA_ARGS__)
#define DISPATCH_PROPERTY(member) property<&V::get_##member, &V::put_##member>(#member, TESSERA_DISPID_##member)

// Every member of _clsDBRoutines: how its result reads, how many of its
// arguments are required, and its parameters' names in order.
constexpr Member kMembers[] = {
    DISPATCH_METHOD(openDatabase, kOther, 1, "mstrConString"),
    DISPATCH_PROPERTY(exportThemePath),
    DISPATCH_PROPERTY(DefaultIconPath),
    DISPATCH_METHOD(loadPrograms, kOther, 0),
    DISPATCH_METHOD(loadProgram, kOther, 1, "mStrName"),
    DISPATCH_METHOD(getProgramDescription, kOther, 1, "mStrPrgName"),
    DISPATCH_METHOD(getProgramKey, kInt, 1, "mStrName"),
    DISPATCH_METHOD(loadProperties, kOther, 1, "mStrName"),
    DISPATCH_METHOD(getProgramPath, kOther, 1, "mStrName"),
    DISPATCH_METHOD(getProgramResType, kOther, 1, "mStrName"),
    DISPATCH_METHOD(deleteProgram, kBool, 1, "mStrName"),
    DISPATCH_METHOD(addProgram, kBool, 4, "mStrName", "mStrDesc", "mStrProgramPath", "strFileName",
                    "strProgramStartInDir", "strProgramStartParms"),
    DISPATCH_METHOD(AddProgramImage, kOther, 1, "rs", "strPath"),
    DISPATCH_METHOD(AddThemeImage, kOther, 3, "rs", "strPath", "mStrFieldName"),
    DISPATCH_METHOD(GetThemeImage, kBool, 2, "mStrThemeName", "mStrFieldName"),
    DISPATCH_METHOD(GetProgramImage, kBool, 1, "strPrgName"),
    DISPATCH_METHOD(updateProgram, kBool, 4, "mStrOldName", "mStrName", "mStrDesc", "mStrProgramPath",
                    "mStrProgramStartInDir", "mStrProgramStartUpParm"),
    DISPATCH_METHOD(LoadSecurityUser, kOther, 2, "strSid", "strPrgName"),
    DISPATCH_METHOD(LoadGroupPermissionForDataReport, kOther, 0),
    DISPATCH_METHOD(LoadUserPermissionForDataReport, kOther, 0),
    DISPATCH_METHOD(LoadSecurityGroup, kOther, 2, "strGroupName", "strPrgName"),
    DISPATCH_METHOD(LoadProgramsByGroup, kOther, 1, "strGroupName"),
    DISPATCH_METHOD(LoadProgramsByUser, kOther, 2, "strUserName", "strSid"),
    DISPATCH_METHOD(LoadUsersByProgram, kOther, 1, "strPrgName"),
    DISPATCH_METHOD(LoadGroupsByProgram, kOther, 1, "strPrgName"),
    DISPATCH_METHOD(GetObjectKey, kInt, 2, "strObjectName", "mIntType"),
    DISPATCH_METHOD(AddSecurity, kBool, 4, "strObjectName", "intPermissionStatus", "strPrgName", "mIntType"),
    DISPATCH_METHOD(DeleteSecurity, kBool, 2, "IntObjectKey", "IntPrgKey"),
    DISPATCH_METHOD(AddUser, kBool, 2, "strUserName", "strSid"),
    DISPATCH_METHOD(AddGroup, kBool, 1, "strGroupName"),
    DISPATCH_METHOD(DeleteUser, kBool, 1, "strSid"),
    DISPATCH_METHOD(DeleteGroup, kBool, 1, "strGroupName"),
    DISPATCH_METHOD(GroupExists, kBool, 1, "strGroupName"),
    DISPATCH_METHOD(UserExists, kBool, 1, "strUserName"),
    DISPATCH_METHOD(AddFolder, kBool, 2, "mStrFolderName", "mStrFolderPath"),
    DISPATCH_METHOD(DeleteFolder, kBool, 1, "mStrFolderName"),
    DISPATCH_METHOD(GetFolders, kOther, 0),
    DISPATCH_METHOD(GetProgramParameters, kOther, 1, "mStrPrgName"),
    DISPATCH_METHOD(GetProgramStartInDir, kOther, 1, "mStrPrgName"),
    DISPATCH_METHOD(LoadThemes, kOther, 0),
    DISPATCH_METHOD(DeleteTheme, kBool, 1, "mStrThemeName"),
    DISPATCH_METHOD(LoadTheme, kOther, 1, "mStrThemeName"),
    DISPATCH_METHOD(CreateTheme, kBool, 1, "mStrThemeName", "mStrSplash", "mStrAddRemove", "mStrSetup"),
    DISPATCH_METHOD(setDefaultTheme, kBool, 1, "mStrThemeName"),
    DISPATCH_METHOD(GetThemeKey, kInt, 1, "mStrThemeName"),
    DISPATCH_METHOD(GetThemeName, kOther, 1, "mIntThemeKey"),
    DISPATCH_METHOD(getDefaultTheme, kOther, 0),
};

#undef DISPATCH_METHOD
#undef DISPATCH_PROPERTY

consteval bool identifiersDistinct() {
    for (std::size_t i = 0; i < std::size(kMembers); ++i) {
        for (std::size_t j = i + 1; j < std::size(kMembers); ++j) {
            if (kMembers[i].published.dispid == kMembers[j].published.dispid) return false;
        }
    }
    return true;
}
static_assert(identifiersDistinct(), "two members share a dispatch identifier");

const DispatchTable& memberNames() {
    static const DispatchTable table = [] {
        std::vector<DispatchTable::Member> published;
        published.reserve(std::size(kMembers));
        for (const auto& member : kMembers) published.push_back(member.published);
        return DispatchTable(std::move(published));
    }();
    return table;
}

const Member* findMember(std::int32_t dispid) {
    for (const auto& member : kMembers) {
        if (member.published.dispid == dispid) return &member;
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
