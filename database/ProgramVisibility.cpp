#include "database/ProgramVisibility.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"

namespace portico {
namespace {

// A name as an SQL text. A name with a NUL in it names nobody: it becomes a
// text no catalogue name equals, rather than one cut short at the NUL.
std::string literal(const std::string& name) {
    if (name.find('\0') != std::string::npos) return "NULL";
    std::string text = "'";
    for (const char c : name) {
        text += c;
        if (c == '\'') text += '\'';
    }
    return text + "'";
}

}  // namespace

std::string ProgramVisibility::fileCondition(const CatalogueIdentity& identity, const std::string& schema) {
    std::string groups;
    for (const auto& group : identity.groups) groups += (groups.empty() ? "" : ", ") + literal(group);
    if (groups.empty()) groups = "NULL";
    // Hidden: programs with a grant, less those granted to this user or one of
    // its groups. The kind of subject is matched with its key, so a group's
    // grant never counts for the user with the same key. A row without a key
    // can hold no grant and is open.
    return "(Program_Key IS NULL OR Program_Key NOT IN ("
           "SELECT Program_Key FROM " + schema + "Permission "
           "WHERE Permission_Status = 1 AND Program_Key IS NOT NULL "
           "EXCEPT SELECT Program_Key FROM " + schema + "Permission WHERE Permission_Status = 1 AND ("
           "(Object_Type = 1 AND Object_Key IN (SELECT User_Key FROM " + schema + "[User] WHERE User_Name = " +
           literal(identity.user) + ")) OR "
           "(Object_Type = 2 AND Object_Key IN (SELECT Group_Key FROM " + schema + "[Group] WHERE Group_Name IN (" +
           groups + "))))))";
}

bool ProgramVisibility::onServer(Connection& connection) {
    return !connection.engine(ado::kConnectionSource).location().empty();
}

void ProgramVisibility::restrict(Connection& connection, const CatalogueIdentity& identity) {
    if (onServer(connection)) return;
    Engine& engine = connection.engine(ado::kConnectionSource);
    lift(connection);
    engine.run("CREATE TEMP VIEW Program AS SELECT * FROM main.Program WHERE " + fileCondition(identity, "main."), {});
}

void ProgramVisibility::lift(Connection& connection) {
    if (onServer(connection)) return;
    connection.engine(ado::kConnectionSource).run("DROP VIEW IF EXISTS temp.Program", {});
}

}  // namespace portico
