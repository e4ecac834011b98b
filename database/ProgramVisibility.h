#pragma once

#include "database/CatalogueIdentity.h"

#include <string>

namespace portico {

class Connection;

// The rule of who may see a program. A program with no grant (a permission row
// with status 1) is open to everyone; one with grants is seen by the users
// granted it and by the members of the groups granted it. Names compare
// without regard to case. A server applies the rule itself (server-access.sql);
// on a catalogue file the programs apply it when they read.
class ProgramVisibility {
public:
    // The condition, on a row of Program, that `identity` may see the row, for
    // a catalogue file; `schema` ("main." or "") prefixes the tables read.
    // Names are written in as quoted texts, so a view can hold the condition.
    static std::string fileCondition(const CatalogueIdentity& identity, const std::string& schema = {});
    // On a catalogue file: puts a temporary view named Program in front of the
    // table, so that every statement of this connection reads only what
    // `identity` may see. A server's connection is left as it is.
    static void restrict(Connection& connection, const CatalogueIdentity& identity);
    // Takes the view away again (nothing when there is none).
    static void lift(Connection& connection);
    // Whether the connection is to a server, which applies the rule itself.
    static bool onServer(Connection& connection);
};

}  // namespace portico
