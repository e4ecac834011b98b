// portico-create-catalogue FILE: writes a new, empty Portico catalogue.
// portico-create-catalogue [--admin-role ROLE] [--user-role ROLE] URI: makes one in an empty PostgreSQL database.
#include "CatalogueFile.h"
#include "CatalogueServer.h"
#include "PorticoError.h"
#include "PostgresEngine.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    std::string administrators = portico::CatalogueServer::kAdministratorsRole;
    std::string users = portico::CatalogueServer::kUsersRole;
    std::string target;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--admin-role" || argument == "--user-role") && i + 1 < argc)
            (argument == "--admin-role" ? administrators : users) = argv[++i];
        else if (target.empty() && !argument.empty() && argument.rfind("--", 0) != 0)
            target = argument;
        else
            usage = true;
    }
    if (usage || target.empty()) {
        std::cerr << "usage: " << argv[0] << " FILE\n"
                  << "       " << argv[0] << " [--admin-role ROLE] [--user-role ROLE] CONNECTION\n"
                  << "Creates an empty Portico catalogue in FILE (an existing file is never overwritten), or in the\n"
                  << "empty PostgreSQL database that CONNECTION names (postgresql://host/db, \"service=portico\",\n"
                  << "\"host=... dbname=...\"): ROLE for administrators (default portico_admins) may change it,\n"
                  << "ROLE for users (default portico_users) may only read it.\n";
        return 2;
    }
    try {
        if (portico::isServerConnectionString(target)) {
            portico::CatalogueServer::create(target, administrators, users);
            std::cout << "Created the catalogue; " << administrators << " may change it, " << users
                      << " may read it\n";
        } else {
            portico::CatalogueFile::create(target);
            std::cout << "Created " << target << '\n';
        }
    } catch (const portico::PorticoError& error) {
        std::cerr << argv[0] << ": " << error.description() << '\n';
        return 1;
    }
    return 0;
}
