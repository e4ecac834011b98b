#pragma once

#include "database/Engine.h"
#include "settings/ServerConnectionString.h"

namespace portico {

// Connects to a catalogue server, waiting at most `connectTimeout` seconds;
// statements and lock waits are cut off after `commandTimeout` seconds.
std::unique_ptr<Engine> openPostgresEngine(const std::string& connectionString, int connectTimeout,
                                           int commandTimeout);

}  // namespace portico
