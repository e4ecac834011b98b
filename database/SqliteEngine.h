#pragma once

#include "database/Engine.h"

#include <cstddef>
#include <cstdint>

namespace portico {

// Opens a catalogue file; never creates one. Statements wait up to
// `commandTimeout` seconds for another program's lock.
std::unique_ptr<Engine> openSqliteEngine(const std::string& file, int commandTimeout);

// Opens a private in-memory copy of `image`, the bytes of a catalogue file;
// its changes reach no file and end with the engine. For the fuzzer and tests
// (see Connection::setEngineOpener): no connection string leads here. An image
// in write-ahead-log mode cannot be opened this way.
std::unique_ptr<Engine> openSqliteImage(const std::uint8_t* image, std::size_t size, int commandTimeout);

}  // namespace portico
