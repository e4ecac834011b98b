#include "tessera/PredeclaredInstance.h"

#include "settings/MessageSink.h"
#include "tessera/DBRoutinesObject.h"
#include "tessera/ErrorInfo.h"

namespace portico::tessera {

PredeclaredInstance& PredeclaredInstance::get() {
    static PredeclaredInstance instance;
    return instance;
}

PredeclaredInstance::~PredeclaredInstance() {
    if (!instance_) return;
    // The library is being unloaded: the client's handler may be gone already,
    // so a report made while the instance closes goes to standard error.
    installMessageSink(nullptr);
    instance_->lpVtbl->Release(instance_);
}

TesseraStatus PredeclaredInstance::query(const TesseraGuid* iid, void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    return guardedCall([&] {
        std::lock_guard lock(mutex_);
        if (!instance_) instance_ = DBRoutinesObject::create();
        return instance_->lpVtbl->QueryInterface(instance_, iid, object);
    });
}

std::int64_t PredeclaredInstance::objectsHeldOnlyByLibrary() {
    std::lock_guard lock(mutex_);
    return (instance_ && DBRoutinesObject::from(instance_).references() == 1) ? 1 : 0;
}

}  // namespace portico::tessera
