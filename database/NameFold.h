#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace portico {

// How the catalogue tells whether two names are the same name: blanks around
// them do not count, and neither does letter case in any script ("Ä" is "ä",
// "Straße" is "STRASSE"). Names that are not valid UTF-8 compare by their bytes,
// with ASCII letters folded.
class NameFold {
public:
    // The collation that the catalogue's unique name indexes use.
    static constexpr const char* kCollation = "PORTICO_NAME";

    // The form two names share exactly when they are the same name.
    static std::string key(std::string_view name);
    static bool sameName(std::string_view a, std::string_view b) { return key(a) == key(b); }

    // Makes the collation known to every SQLite connection this process opens
    // (ours and any other tool's in the same process), so that a catalogue with
    // the unique indexes can be checked, counted and written.
    static void registerEverywhere();
    // Makes the collation known to one connection.
    static int registerOn(sqlite3* db);
};

}  // namespace portico
