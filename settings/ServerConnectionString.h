#pragma once

#include <string>

namespace portico {

// True for a PostgreSQL connection URI (postgresql://, postgres://) or a libpq
// keyword string (service=..., host=... dbname=...); anything else names a catalogue file.
bool isServerConnectionString(const std::string& connectionString);

// True when a server connection string carries a password (password=..., or
// user:secret@ in a URI). Settings never keep one: libpq's ~/.pgpass and
// pg_service.conf are the places for passwords.
bool carriesPassword(const std::string& connectionString);

// What the programs say when the configured DatabasePath cannot be used: names
// the missing file, but never repeats a connection string that carries a password.
std::string unusableCatalogueText(const std::string& configuredPath);

}  // namespace portico
