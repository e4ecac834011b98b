#pragma once

#include "tessera/Tessera.h"

#include <atomic>
#include <cstdint>

namespace portico::tessera {

// The class factory of clsDBRoutines that DllGetClassObject hands out.
class ClassFactory {
public:
    // A new factory holding one reference for the caller.
    static TesseraClassFactory* create();

    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

private:
    struct Interface : TesseraClassFactory {
        ClassFactory* owner;
    };

    ClassFactory();
    ~ClassFactory();

    static ClassFactory& from(TesseraClassFactory* self) noexcept;
    static const TesseraClassFactoryVtbl vtable_;

    static TesseraStatus QueryInterface(TesseraClassFactory* self, const TesseraGuid* iid, void** object);
    static std::uint32_t AddRef(TesseraClassFactory* self);
    static std::uint32_t Release(TesseraClassFactory* self);
    static TesseraStatus CreateInstance(TesseraClassFactory* self, TesseraUnknown* outer, const TesseraGuid* iid,
                                        void** object);
    static TesseraStatus LockServer(TesseraClassFactory* self, TesseraBool lock);

    Interface interface_;
    std::atomic<std::uint32_t> references_{1};
};

}  // namespace portico::tessera
