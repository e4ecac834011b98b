#pragma once

#include <string>

namespace portico {

// True for a PostgreSQL connection URI (postgresql://, postgres://) or a libpq
// keyword string (service=..., host=... dbname=...); anything else names a catalogue file.
bool isServerConnectionString(const std::string& connectionString);

// True when a server connection string carries a password (password=...,
// sslpassword=..., or user:secret@ in a URI). Settings never keep one: libpq's
// ~/.pgpass and pg_service.conf are the places for passwords.
bool carriesPassword(const std::string& connectionString);

// How the data layer decides carriesPassword with libpq's own parser, which is
// the only one that reads every spelling the way a connection will (escapes in
// URI keys, any white space before "="). Without one, a plain reading decides.
using PasswordDecision = bool (*)(const std::string& connectionString);
void setPasswordDecision(PasswordDecision decision);

// What the programs say when the configured DatabasePath cannot be used: names
// the missing file, but never repeats a connection string that carries a password.
std::string unusableCatalogueText(const std::string& configuredPath);

}  // namespace portico
