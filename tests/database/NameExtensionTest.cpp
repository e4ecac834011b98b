// The loadable collation in a plain SQLite connection and in Python's sqlite3
// module, as the sqlite3 shell and scripts use a catalogue file. This program
// links no data layer, so the collation it sees is the extension's alone.

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <dlfcn.h>
#include <cstdlib>
#include <string>

namespace portico::test {
namespace {

std::string newCatalogue(const TempFolder& folder) {
    const std::string file = folder.str() + "/Portico.mdb";
    const std::string command = std::string(PORTICO_CREATE_CATALOGUE) + " '" + file + "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return file;
}

// The first column of the first row, or the error.
std::string scalar(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) return sqlite3_errmsg(db);
    std::string result;
    const int step = sqlite3_step(statement);
    if (step == SQLITE_ROW) result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    else if (step != SQLITE_DONE) result = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return result;
}

TEST(NameExtension, APlainConnectionWritesCountsAndChecksACatalogue) {
    TempFolder folder;
    const std::string file = newCatalogue(folder);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const std::string insert = "INSERT INTO Program (Program_Name, Program_Path) VALUES ('Editor', '/usr/bin/ed')";
    EXPECT_EQ(scalar(db, insert), "no such collation sequence: PORTICO_NAME");

    // Kept mapped after SQLite lets it go, so that the leak checker still sees
    // what ICU's caches, reached from the module, hold.
    ASSERT_NE(dlopen(PORTICO_NAME_EXTENSION, RTLD_NOW | RTLD_NODELETE), nullptr) << dlerror();
    ASSERT_EQ(sqlite3_enable_load_extension(db, 1), SQLITE_OK);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_load_extension(db, PORTICO_NAME_EXTENSION, nullptr, &error), SQLITE_OK) << (error ? error : "");
    EXPECT_EQ(scalar(db, insert), "");
    // The index's own rule: the same name in another case and with blanks is refused.
    EXPECT_EQ(scalar(db, "INSERT INTO Program (Program_Name) VALUES (' EDITOR ')"),
              "UNIQUE constraint failed: Program.Program_Name");
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM Program"), "1");
    EXPECT_EQ(scalar(db, "PRAGMA integrity_check"), "ok");
    sqlite3_close(db);
}

TEST(NameExtension, PythonsSqliteModuleLoadsIt) {
    if (std::system("python3 -c 'import sqlite3, sys; sys.exit(0 if hasattr(sqlite3.Connection, \"enable_load_extension\") else 1)'"
                    " 2>/dev/null") != 0)
        GTEST_SKIP() << "this python3's sqlite3 module cannot load extensions";
    TempFolder folder;
    const std::string file = newCatalogue(folder);
    const std::string command =
        "cd '" + folder.str() + "' && python3 -c \"import sqlite3; c = sqlite3.connect('Portico.mdb'); "
        "c.enable_load_extension(True); c.load_extension('" PORTICO_NAME_EXTENSION "'); "
        "c.execute(\\\"INSERT INTO Program (Program_Name) VALUES ('Editor')\\\"); c.commit(); "
        "print(c.execute('SELECT COUNT(*) FROM Program').fetchone()[0], c.execute('PRAGMA integrity_check').fetchone()[0])\"";
    FILE* output = ::popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, output) != nullptr;
    EXPECT_EQ(::pclose(output), 0);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(line), "1 ok\n");
}

}  // namespace
}  // namespace portico::test
