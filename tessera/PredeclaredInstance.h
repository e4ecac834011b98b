#pragma once

#include "tessera/Tessera.h"

#include <cstdint>
#include <mutex>

namespace portico::tessera {

// The library's one implicit instance of clsDBRoutines, shared by every caller
// of TesseraGetPredeclaredInstance. The library holds one reference of its own
// until it is unloaded; only the references clients hold keep it loaded.
class PredeclaredInstance {
public:
    static PredeclaredInstance& get();

    TesseraStatus query(const TesseraGuid* iid, void** object);
    // 1 when the instance exists and nobody but the library holds it.
    std::int64_t objectsHeldOnlyByLibrary();

    ~PredeclaredInstance();

private:
    PredeclaredInstance() = default;

    std::mutex mutex_;
    _clsDBRoutines* instance_ = nullptr;
};

}  // namespace portico::tessera
