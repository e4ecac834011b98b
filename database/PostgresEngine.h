#pragma once

#include "Engine.h"

namespace portico {

// True for a PostgreSQL connection URI (postgresql://, postgres://) or a libpq
// keyword string (service=..., host=... dbname=...); anything else names a catalogue file.
bool isServerConnectionString(const std::string& connectionString);

// Connects to a catalogue server, waiting at most `connectTimeout` seconds;
// statements and lock waits are cut off after `commandTimeout` seconds.
std::unique_ptr<Engine> openPostgresEngine(const std::string& connectionString, int connectTimeout,
                                           int commandTimeout);

}  // namespace portico
