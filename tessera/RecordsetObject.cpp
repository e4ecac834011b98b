#include "tessera/RecordsetObject.h"

#include "database/AdoErrors.h"
#include "database/Recordset.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "tessera/CText.h"
#include "tessera/DispatchTable.h"
#include "tessera/ErrorInfo.h"
#include "tessera/Guid.h"
#include "tessera/ServerState.h"
#include "tessera/VariantConversion.h"

#include <limits>

namespace portico::tessera {

namespace {

const DispatchTable& recordsetNames() {
    static const DispatchTable table{
        {"Field", TESSERA_DISPID_RS_Field, {"Index", "Value"}},
        {"RecordCount", TESSERA_DISPID_RS_RecordCount, {}},
        {"EOF", TESSERA_DISPID_RS_EOF, {}},
        {"MoveFirst", TESSERA_DISPID_RS_MoveFirst, {}},
        {"MoveNext", TESSERA_DISPID_RS_MoveNext, {}},
        {"FieldCount", TESSERA_DISPID_RS_FieldCount, {}},
        {"FieldName", TESSERA_DISPID_RS_FieldName, {"Index"}},
        {"AddNew", TESSERA_DISPID_RS_AddNew, {}},
        {"Update", TESSERA_DISPID_RS_Update, {}},
        {"Close", TESSERA_DISPID_RS_Close, {}},
    };
    return table;
}

constexpr const char* kRecordsetSource = "Tessera.Recordset";

[[noreturn]] void noSuchItem() {
    throw PorticoError(ado::kItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal.",
                       kRecordsetSource);
}

std::int32_t clampedCount(long count) {
    if (count > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(count);
}

void setResult(TesseraVariant* result, const TesseraVariant& value) {
    if (result) {
        *result = value;
    } else {
        TesseraVariant copy = value;
        VariantConversion::clear(copy);
    }
}

}  // namespace

const TesseraRecordsetVtbl RecordsetObject::vtable_ = {
    &RecordsetObject::QueryInterface,
    &RecordsetObject::AddRef,
    &RecordsetObject::Release,
    &RecordsetObject::GetTypeInfoCount,
    &RecordsetObject::GetTypeInfo,
    &RecordsetObject::GetIDsOfNames,
    &RecordsetObject::Invoke,
    &RecordsetObject::get_RecordCount,
    &RecordsetObject::get_EOF,
    &RecordsetObject::MoveFirst,
    &RecordsetObject::MoveNext,
    &RecordsetObject::get_FieldCount,
    &RecordsetObject::get_FieldName,
    &RecordsetObject::get_Field,
    &RecordsetObject::get_FieldByIndex,
    &RecordsetObject::put_Field,
    &RecordsetObject::AddNew,
    &RecordsetObject::Update,
    &RecordsetObject::Close,
};

RecordsetObject::RecordsetObject(std::unique_ptr<Recordset> recordset) : recordset_(std::move(recordset)) {
    interface_.lpVtbl = &vtable_;
    interface_.owner = this;
    ServerState::objectCreated();
}

RecordsetObject::~RecordsetObject() { ServerState::objectDestroyed(); }

TesseraRecordset* RecordsetObject::wrap(std::unique_ptr<Recordset> recordset) {
    if (!recordset) return nullptr;
    auto* object = new RecordsetObject(std::move(recordset));
    return &object->interface_;
}

Recordset* RecordsetObject::unwrap(TesseraRecordset* recordset) noexcept {
    if (!recordset || recordset->lpVtbl != &vtable_) return nullptr;
    return from(recordset).recordset_.get();
}

RecordsetObject& RecordsetObject::from(TesseraRecordset* self) noexcept { return *static_cast<Interface*>(self)->owner; }

int RecordsetObject::checkedIndex(std::int32_t index) const {
    if (index < 0 || index >= recordset_->FieldCount()) noSuchItem();
    return static_cast<int>(index);
}

TesseraStatus RecordsetObject::QueryInterface(TesseraRecordset* self, const TesseraGuid* iid, void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    if (!self || !iid) return TESSERA_E_POINTER;
    if (sameGuid(iid, TESSERA_IID_IUnknown) || sameGuid(iid, TESSERA_IID_IDispatch) ||
        sameGuid(iid, TESSERA_IID_TesseraRecordset)) {
        AddRef(self);
        *object = self;
        return TESSERA_S_OK;
    }
    return TESSERA_E_NOINTERFACE;
}

std::uint32_t RecordsetObject::AddRef(TesseraRecordset* self) { return ++from(self).references_; }

std::uint32_t RecordsetObject::Release(TesseraRecordset* self) {
    auto& object = from(self);
    const auto remaining = --object.references_;
    if (remaining == 0) delete &object;
    return remaining;
}

TesseraStatus RecordsetObject::GetTypeInfoCount(TesseraRecordset*, std::uint32_t* count) {
    if (!count) return TESSERA_E_POINTER;
    *count = 0;
    return TESSERA_S_OK;
}

TesseraStatus RecordsetObject::GetTypeInfo(TesseraRecordset*, std::uint32_t, std::uint32_t, void** typeInfo) {
    if (typeInfo) *typeInfo = nullptr;
    return TESSERA_E_NOTIMPL;
}

TesseraStatus RecordsetObject::GetIDsOfNames(TesseraRecordset*, const TesseraGuid*, const char* const* names,
                                             std::uint32_t count, std::uint32_t, std::int32_t* dispids) {
    return recordsetNames().idsOfNames(names, count, dispids);
}

TesseraStatus RecordsetObject::get_RecordCount(TesseraRecordset* self, std::int32_t* count) {
    return guardedCall([&] {
        if (!count) return TESSERA_E_POINTER;
        *count = 0;
        *count = clampedCount(from(self).recordset_->RecordCount());
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::get_EOF(TesseraRecordset* self, TesseraBool* eof) {
    return guardedCall([&] {
        if (!eof) return TESSERA_E_POINTER;
        *eof = TESSERA_TRUE;
        *eof = from(self).recordset_->IsEOF() ? TESSERA_TRUE : TESSERA_FALSE;
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::MoveFirst(TesseraRecordset* self) {
    return guardedCall([&] {
        from(self).recordset_->MoveFirst();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::MoveNext(TesseraRecordset* self) {
    return guardedCall([&] {
        from(self).recordset_->MoveNext();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::get_FieldCount(TesseraRecordset* self, std::int32_t* count) {
    return guardedCall([&] {
        if (!count) return TESSERA_E_POINTER;
        *count = 0;
        *count = from(self).recordset_->FieldCount();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::get_FieldName(TesseraRecordset* self, std::int32_t index, char** name) {
    return guardedCall([&] {
        if (!name) return TESSERA_E_POINTER;
        *name = nullptr;
        auto& object = from(self);
        *name = allocateText(object.recordset_->Fields(object.checkedIndex(index)).Name());
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::get_Field(TesseraRecordset* self, const char* name, TesseraVariant* value) {
    return guardedCall([&] {
        if (!value) return TESSERA_E_POINTER;
        TesseraVariantInit(value);
        VariantConversion::toC(from(self).recordset_->Fields(textArgument(name)).Value(), *value);
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::get_FieldByIndex(TesseraRecordset* self, std::int32_t index, TesseraVariant* value) {
    return guardedCall([&] {
        if (!value) return TESSERA_E_POINTER;
        TesseraVariantInit(value);
        auto& object = from(self);
        VariantConversion::toC(object.recordset_->Fields(object.checkedIndex(index)).Value(), *value);
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::put_Field(TesseraRecordset* self, const char* name, const TesseraVariant* value) {
    return guardedCall([&] {
        if (!value) return TESSERA_E_POINTER;
        from(self).recordset_->Fields(textArgument(name)).setValue(VariantConversion::fromC(*value));
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::AddNew(TesseraRecordset* self) {
    return guardedCall([&] {
        from(self).recordset_->AddNew();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::Update(TesseraRecordset* self) {
    return guardedCall([&] {
        from(self).recordset_->Update();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::Close(TesseraRecordset* self) {
    return guardedCall([&] {
        from(self).recordset_->Close();
        return TESSERA_S_OK;
    });
}

TesseraStatus RecordsetObject::Invoke(TesseraRecordset* self, std::int32_t dispid, std::uint16_t flags,
                                      const TesseraVariant* args, std::uint32_t argCount, TesseraVariant* result) {
    if (result) TesseraVariantInit(result);
    if (argCount > 0 && !args) return TESSERA_E_POINTER;
    auto expectArguments = [&](std::uint32_t count) {
        if (argCount != count) throw PorticoError(errors::kWrongArgumentCount, "Wrong number of arguments or invalid property assignment",
                                                  kRecordsetSource);
    };
    auto& object = from(self);
    auto& recordset = *object.recordset_;
    auto fieldFor = [&](const TesseraVariant& key) {
        if (key.vt == TESSERA_VT_BSTR) return recordset.Fields(key.u.strVal ? key.u.strVal : "");
        const auto index = VariantConversion::toInt64(key);
        if (index < 0 || index > std::numeric_limits<std::int32_t>::max()) noSuchItem();
        return recordset.Fields(object.checkedIndex(static_cast<std::int32_t>(index)));
    };

    const TesseraStatus status = guardedCall([&]() -> TesseraStatus {
        TesseraVariant value{};
        switch (dispid) {
        case TESSERA_DISPID_RS_Field:
            if (flags & TESSERA_DISPATCH_PROPERTYPUT) {
                expectArguments(2);
                fieldFor(args[0]).setValue(VariantConversion::fromC(args[1]));
                return TESSERA_S_OK;
            }
            expectArguments(1);
            VariantConversion::toC(fieldFor(args[0]).Value(), value);
            break;
        case TESSERA_DISPID_RS_RecordCount:
            expectArguments(0);
            value.vt = TESSERA_VT_I4;
            value.u.lVal = clampedCount(recordset.RecordCount());
            break;
        case TESSERA_DISPID_RS_EOF:
            expectArguments(0);
            value.vt = TESSERA_VT_BOOL;
            value.u.boolVal = recordset.IsEOF() ? TESSERA_TRUE : TESSERA_FALSE;
            break;
        case TESSERA_DISPID_RS_MoveFirst:
            expectArguments(0);
            recordset.MoveFirst();
            break;
        case TESSERA_DISPID_RS_MoveNext:
            expectArguments(0);
            recordset.MoveNext();
            break;
        case TESSERA_DISPID_RS_FieldCount:
            expectArguments(0);
            value.vt = TESSERA_VT_I4;
            value.u.lVal = recordset.FieldCount();
            break;
        case TESSERA_DISPID_RS_FieldName: {
            expectArguments(1);
            const auto index = VariantConversion::toInt64(args[0]);
            if (index < 0 || index > std::numeric_limits<std::int32_t>::max()) noSuchItem();
            value.u.strVal = allocateText(recordset.Fields(object.checkedIndex(static_cast<std::int32_t>(index))).Name());
            value.vt = TESSERA_VT_BSTR;
            break;
        }
        case TESSERA_DISPID_RS_AddNew:
            expectArguments(0);
            recordset.AddNew();
            break;
        case TESSERA_DISPID_RS_Update:
            expectArguments(0);
            recordset.Update();
            break;
        case TESSERA_DISPID_RS_Close:
            expectArguments(0);
            recordset.Close();
            break;
        default:
            return ErrorInfo::fail(TESSERA_DISP_E_MEMBERNOTFOUND, 438,
                                   "Object doesn't support this property or method", kRecordsetSource);
        }
        setResult(result, value);
        return TESSERA_S_OK;
    });
    if (status == ErrorInfo::statusFromError(450)) return TESSERA_DISP_E_BADPARAMCOUNT;
    if (status == ErrorInfo::statusFromError(13) || status == ErrorInfo::statusFromError(94))
        return TESSERA_DISP_E_TYPEMISMATCH;
    if (status == ErrorInfo::statusFromError(6)) return TESSERA_DISP_E_OVERFLOW;
    return status;
}

}  // namespace portico::tessera
