#pragma once

#include "tessera/Tessera.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace portico {
class Recordset;
}

namespace portico::tessera {

// A record set of the data layer handed to a client as a TesseraRecordset:
// reference-counted, destroyed (and its result freed) with its last release.
class RecordsetObject {
public:
    // A new object holding one reference for the caller, or null for no record set.
    static TesseraRecordset* wrap(std::unique_ptr<Recordset> recordset);
    // The data layer's record set behind a client's pointer, or null when the
    // pointer is not a record set of this library.
    static Recordset* unwrap(TesseraRecordset* recordset) noexcept;

    RecordsetObject(const RecordsetObject&) = delete;
    RecordsetObject& operator=(const RecordsetObject&) = delete;

private:
    struct Interface : TesseraRecordset {
        RecordsetObject* owner;
    };

    explicit RecordsetObject(std::unique_ptr<Recordset> recordset);
    ~RecordsetObject();

    static RecordsetObject& from(TesseraRecordset* self) noexcept;
    static const TesseraRecordsetVtbl vtable_;

    static TesseraStatus QueryInterface(TesseraRecordset* self, const TesseraGuid* iid, void** object);
    static std::uint32_t AddRef(TesseraRecordset* self);
    static std::uint32_t Release(TesseraRecordset* self);
    static TesseraStatus GetTypeInfoCount(TesseraRecordset* self, std::uint32_t* count);
    static TesseraStatus GetTypeInfo(TesseraRecordset* self, std::uint32_t index, std::uint32_t lcid, void** typeInfo);
    static TesseraStatus GetIDsOfNames(TesseraRecordset* self, const TesseraGuid* iid, const char* const* names,
                                       std::uint32_t count, std::uint32_t lcid, std::int32_t* dispids);
    static TesseraStatus Invoke(TesseraRecordset* self, std::int32_t dispid, std::uint16_t flags,
                                const TesseraVariant* args, std::uint32_t argCount, TesseraVariant* result);
    static TesseraStatus get_RecordCount(TesseraRecordset* self, std::int32_t* count);
    static TesseraStatus get_EOF(TesseraRecordset* self, TesseraBool* eof);
    static TesseraStatus MoveFirst(TesseraRecordset* self);
    static TesseraStatus MoveNext(TesseraRecordset* self);
    static TesseraStatus get_FieldCount(TesseraRecordset* self, std::int32_t* count);
    static TesseraStatus get_FieldName(TesseraRecordset* self, std::int32_t index, char** name);
    static TesseraStatus get_Field(TesseraRecordset* self, const char* name, TesseraVariant* value);
    static TesseraStatus get_FieldByIndex(TesseraRecordset* self, std::int32_t index, TesseraVariant* value);
    static TesseraStatus put_Field(TesseraRecordset* self, const char* name, const TesseraVariant* value);
    static TesseraStatus AddNew(TesseraRecordset* self);
    static TesseraStatus Update(TesseraRecordset* self);
    static TesseraStatus Close(TesseraRecordset* self);

    int checkedIndex(std::int32_t index) const;

    Interface interface_;
    std::atomic<std::uint32_t> references_{1};
    std::unique_ptr<Recordset> recordset_;
};

}  // namespace portico::tessera
