#include "database/PostgresDialect.h"
#include "database/SqlText.h"
#include "database/SqliteEngine.h"

#include <gtest/gtest.h>

namespace portico::test {
namespace {

constexpr SqlText kAsWritten(SqlText::Names::AsWritten);
constexpr SqlText kLowerCase(SqlText::Names::LowerCase);

TEST(SqlTextTest, QuotesNamesAsEachEngineKeepsThem) {
    const struct {
        std::string name, asWritten, lowerCase;
    } cases[] = {
        {"Program_Name", R"("Program_Name")", R"("program_name")"},
        {"User", R"("User")", R"("user")"},
        {R"(Say "hi")", R"("Say ""hi""")", R"("say ""hi""")"},
        {R"(")", R"("""")", R"("""")"},
        {"", R"("")", R"("")"},
        // Only ASCII letters fold, as the server folds unquoted names.
        {"Ärger?", R"("Ärger?")", R"("Ärger?")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kAsWritten.quote(c.name), c.asWritten) << c.name;
        EXPECT_EQ(kLowerCase.quote(c.name), c.lowerCase) << c.name;
    }
}

// A `?` or bracket inside a quoted name must not become a placeholder or a name
// when the server's translation reads the statement.
TEST(SqlTextTest, BuildsRowStatementsWithOnePlaceholderAValue) {
    const struct {
        std::string sql, expected;
        int parameterCount;
    } cases[] = {
        {kAsWritten.insert("Program", {"Program_Name", "Program_Path"}),
         R"(INSERT INTO "Program" ("Program_Name", "Program_Path") VALUES (?, ?))", 2},
        {kLowerCase.insert("Program", {"Program_Name"}, "Program_Key"),
         R"(INSERT INTO "program" ("program_name") VALUES (?) RETURNING "program_key")", 1},
        {kAsWritten.insert("Log", {}), R"(INSERT INTO "Log" DEFAULT VALUES)", 0},
        {kLowerCase.insert("Log", {}, "Id"), R"(INSERT INTO "log" DEFAULT VALUES RETURNING "id")", 0},
        {kLowerCase.insert("Odd", {"Why?", R"(Say "hi")", "[Tag]"}),
         R"(INSERT INTO "odd" ("why?", "say ""hi""", "[tag]") VALUES (?, ?, ?))", 3},
        {kAsWritten.update("Program", {"Program_Name", "Program_Icon"}, "Program_Key"),
         R"(UPDATE "Program" SET "Program_Name" = ?, "Program_Icon" = ? WHERE "Program_Key" = ?)", 3},
        {kLowerCase.update("Odd", {"Why?"}, "Key"), R"(UPDATE "odd" SET "why?" = ? WHERE "key" = ?)", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.sql, c.expected);
        EXPECT_EQ(PostgresDialect::translate(c.sql).parameterCount, c.parameterCount) << c.sql;
    }
}

TEST(SqlTextTest, TheFileEngineAddsAndChangesRowsWhateverTheNames) {
    auto engine = openSqliteImage(nullptr, 0, 1);
    engine->run(R"(CREATE TABLE "Odd ""Table""" ("Key" INTEGER PRIMARY KEY AUTOINCREMENT, "Why?" TEXT, "[Tag]" TEXT,
                                                "It's" INTEGER))",
                {});
    const std::string table = R"(Odd "Table")";
    EXPECT_EQ(engine->insertRow(table, {"Why?", "[Tag]", "It's"}, {"a?", "[b]", 1}, "Key"), 1);
    EXPECT_EQ(engine->insertRow(table, {}, {}, "Key"), 2);
    engine->updateRow(table, {"Why?", "It's"}, {"c", 3}, "Key", 2);
    const auto rows = engine->run(R"(SELECT "Why?", "[Tag]", "It's" FROM "Odd ""Table""" ORDER BY "Key")", {}).rows;
    EXPECT_EQ(rows, (std::vector<std::vector<Variant>>{{"a?", "[b]", 1}, {"c", Variant::null(), 3}}));
}

}  // namespace
}  // namespace portico::test
