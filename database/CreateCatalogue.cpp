// portico-create-catalogue FILE: writes a new, empty Portico catalogue.
// portico-create-catalogue [--admin-role ROLE] [--user-role ROLE] URI: makes one in an empty PostgreSQL database.
// portico-create-catalogue --upgrade [--admin-role ROLE] [--user-role ROLE] URI: brings a server's catalogue up to date.
#include "database/CatalogueFile.h"
#include "database/CatalogueServer.h"
#include "database/PostgresEngine.h"
#include "settings/PorticoError.h"

#include <iostream>
#include <string>

namespace {

void usage(std::ostream& out, const char* program) {
    out << "usage: " << program << " FILE\n"
        << "       " << program << " [--admin-role ROLE] [--user-role ROLE] CONNECTION\n"
        << "       " << program << " --upgrade [--admin-role ROLE] [--user-role ROLE] CONNECTION\n"
        << "Creates an empty Portico catalogue in FILE (an existing file is never overwritten), or in the\n"
        << "empty PostgreSQL database that CONNECTION names (postgresql://host/db, \"service=portico\",\n"
        << "\"host=... dbname=...\"): ROLE for administrators (default portico_admins) may change it,\n"
        << "ROLE for users (default portico_users) may only read it, each user only the programs they may see.\n"
        << "--upgrade sets up who may see what on a catalogue a server has held since before the server kept it;\n"
        << "a catalogue file needs nothing.\n"
        << "A name that starts with '-' is taken for an option; write ./-name for such a file.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::string administrators = portico::CatalogueServer::kAdministratorsRole;
    std::string users = portico::CatalogueServer::kUsersRole;
    std::string target;
    bool upgrade = false;
    bool wrong = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            usage(std::cout, argv[0]);
            return 0;
        }
        if (argument == "--upgrade") {
            upgrade = true;
        } else if ((argument == "--admin-role" || argument == "--user-role") && i + 1 < argc) {
            (argument == "--admin-role" ? administrators : users) = argv[++i];
        } else if (!argument.empty() && argument[0] == '-') {
            // A mistyped option must not become a catalogue file called "--verbose".
            std::cerr << argv[0] << ": unknown option " << argument << '\n';
            wrong = true;
        } else if (target.empty() && !argument.empty()) {
            target = argument;
        } else {
            wrong = true;
        }
    }
    if (wrong || target.empty()) {
        usage(std::cerr, argv[0]);
        return 2;
    }
    try {
        if (upgrade && portico::isServerConnectionString(target)) {
            portico::CatalogueServer::upgrade(target, administrators, users);
            std::cout << "The catalogue is up to date; each member of " << users
                      << " sees only the programs they may see\n";
        } else if (upgrade) {
            // A file keeps its grants in the same tables; the programs apply them when they read.
            portico::CatalogueFile::check(target);
            std::cout << target << " needs no change\n";
        } else if (portico::isServerConnectionString(target)) {
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
