// The catalogue's name collation as a loadable SQLite extension, so that the
// sqlite3 shell and scripts can write, count and check a catalogue file:
//   sqlite3 Portico.mdb -cmd '.load /usr/lib/<triplet>/portico/portico_name'
// SQLite finds the entry point from the file name (sqlite3_porticoname_init).

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "database/NameFold.h"

extern "C" int sqlite3_porticoname_init(sqlite3* db, char**,
                                        const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    return portico::NameFold::registerOn(db);
}
