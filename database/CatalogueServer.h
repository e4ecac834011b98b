#pragma once

#include <string>

namespace portico {

// Makes new, empty catalogues on a PostgreSQL server.
class CatalogueServer {
public:
    static constexpr const char* kAdministratorsRole = "portico_admins";
    static constexpr const char* kUsersRole = "portico_users";

    // Creates the catalogue's tables and the one Settings row in the database
    // named by `connectionString`, in one transaction, and grants the
    // administrators' role the right to change the catalogue and the users'
    // role the right to read it (SELECT only), each user reading only the
    // programs they may see (server-access.sql). Missing roles are created
    // (NOLOGIN: people are made members of them). Throws PorticoError, leaving
    // the database as it was, when it already has tables or the server refuses.
    static void create(const std::string& connectionString, const std::string& administratorsRole = kAdministratorsRole,
                       const std::string& usersRole = kUsersRole);
    // Brings a catalogue made before the server kept who may see what up to
    // date: sets up server-access.sql for the two (existing) roles, in one
    // transaction. Running it again changes nothing. Throws PorticoError.
    static void upgrade(const std::string& connectionString, const std::string& administratorsRole = kAdministratorsRole,
                        const std::string& usersRole = kUsersRole);
};

}  // namespace portico
