#pragma once

#include "database/AdoErrors.h"
#include "settings/PorticoError.h"

#include <string>

namespace portico {

// An error of the runtime itself (overflow, type mismatch, invalid use of
// Null). It is raised under the programs' name; a catalogue object that serves
// another product reports it under that product's name (CatalogueSession).
class RuntimeError : public PorticoError {
public:
    RuntimeError(long number, std::string description)
        : PorticoError(number, std::move(description), ado::kRuntimeSource) {}
};

}  // namespace portico
