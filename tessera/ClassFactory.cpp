#include "tessera/ClassFactory.h"

#include "tessera/DBRoutinesObject.h"
#include "tessera/ErrorInfo.h"
#include "tessera/Guid.h"
#include "tessera/ServerState.h"

namespace portico::tessera {

const TesseraClassFactoryVtbl ClassFactory::vtable_ = {
    &ClassFactory::QueryInterface, &ClassFactory::AddRef,     &ClassFactory::Release,
    &ClassFactory::CreateInstance, &ClassFactory::LockServer,
};

ClassFactory::ClassFactory() {
    interface_.lpVtbl = &vtable_;
    interface_.owner = this;
    ServerState::objectCreated();
}

ClassFactory::~ClassFactory() { ServerState::objectDestroyed(); }

TesseraClassFactory* ClassFactory::create() { return &(new ClassFactory())->interface_; }

ClassFactory& ClassFactory::from(TesseraClassFactory* self) noexcept { return *static_cast<Interface*>(self)->owner; }

TesseraStatus ClassFactory::QueryInterface(TesseraClassFactory* self, const TesseraGuid* iid, void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    if (!self || !iid) return TESSERA_E_POINTER;
    if (sameGuid(iid, TESSERA_IID_IUnknown) || sameGuid(iid, TESSERA_IID_IClassFactory)) {
        AddRef(self);
        *object = self;
        return TESSERA_S_OK;
    }
    return TESSERA_E_NOINTERFACE;
}

std::uint32_t ClassFactory::AddRef(TesseraClassFactory* self) { return ++from(self).references_; }

std::uint32_t ClassFactory::Release(TesseraClassFactory* self) {
    auto& factory = from(self);
    const auto remaining = --factory.references_;
    if (remaining == 0) delete &factory;
    return remaining;
}

TesseraStatus ClassFactory::CreateInstance(TesseraClassFactory*, TesseraUnknown* outer, const TesseraGuid* iid,
                                           void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    if (outer) return TESSERA_CLASS_E_NOAGGREGATION;
    if (!iid) return TESSERA_E_POINTER;
    return guardedCall([&] {
        _clsDBRoutines* instance = DBRoutinesObject::create();
        // The new object answers for itself which interfaces it has; the
        // creation reference goes once the caller holds its own.
        const TesseraStatus status = instance->lpVtbl->QueryInterface(instance, iid, object);
        instance->lpVtbl->Release(instance);
        return status;
    });
}

TesseraStatus ClassFactory::LockServer(TesseraClassFactory*, TesseraBool lock) {
    if (lock) {
        ServerState::lock();
    } else {
        ServerState::unlock();
    }
    return TESSERA_S_OK;
}

}  // namespace portico::tessera
