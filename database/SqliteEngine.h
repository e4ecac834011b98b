#pragma once

#include "Engine.h"

namespace portico {

// Opens a catalogue file; never creates one. Statements wait up to
// `commandTimeout` seconds for another program's lock.
std::unique_ptr<Engine> openSqliteEngine(const std::string& file, int commandTimeout);

}  // namespace portico
