#include "database/PostgresDialect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace portico::test {
namespace {

using Type = PostgresDialect::Type;
constexpr std::uint32_t kText = 25;

// `value` as the server's binary format sends it: big-endian, `length` bytes.
std::string bigEndian(std::uint64_t value, int length) {
    std::string bytes;
    for (int i = length - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

Variant read(std::uint32_t type, const std::string& data) {
    return PostgresDialect::binaryValue(type, data.data(), static_cast<int>(data.size()));
}

Variant readDate(std::int32_t daysSince2000) {
    return read(Type::kDate, bigEndian(static_cast<std::uint32_t>(daysSince2000), 4));
}

TEST(PostgresDialectTest, TranslatesTheCataloguesStatementsForTheServer) {
    const struct {
        std::string sql, expected;
        int parameterCount;
    } cases[] = {
        {"SELECT [Program_Name] FROM [Program] WHERE [Program_Key] = ?",
         R"(SELECT "program_name" FROM "program" WHERE "program_key" = $1)", 1},
        {"SELECT * FROM [User] WHERE User_Name = ? AND User_Pass = ?",
         R"(SELECT * FROM "user" WHERE User_Name = $1 AND User_Pass = $2)", 2},
        {"? ? ? ? ? ? ? ? ? ? ?", "$1 $2 $3 $4 $5 $6 $7 $8 $9 $10 $11", 11},
        // Texts and quoted names pass as they are, with their ? and brackets.
        {"UPDATE Program SET Program_Desc = 'Why? [Because]' WHERE Program_Key = ?",
         "UPDATE Program SET Program_Desc = 'Why? [Because]' WHERE Program_Key = $1", 1},
        {R"(SELECT 'it''s ?', "a?""[b]" FROM t WHERE x = ?)", R"(SELECT 'it''s ?', "a?""[b]" FROM t WHERE x = $1)", 1},
        {R"([Say "hi"])", R"("say ""hi""")", 0},
        // Malformed text stays as it is rather than swallowing what follows it.
        {"SELECT [Program_Name FROM Program WHERE Program_Key = ?",
         "SELECT [Program_Name FROM Program WHERE Program_Key = $1", 1},
        {"SELECT 'open ?", "SELECT 'open ?", 0},
        {R"(SELECT "open ?)", R"(SELECT "open ?)", 0},
        {"]?[", "]$1[", 1},
        {"[]", R"("")", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        const auto translation = PostgresDialect::translate(c.sql);
        EXPECT_EQ(translation.sql, c.expected);
        EXPECT_EQ(translation.parameterCount, c.parameterCount) << c.sql;
    }
}

TEST(PostgresDialectTest, EveryCutOfAStatementIsReadWithoutFault) {
    const std::string sql = "SELECT [Program_Name], 'it''s [odd] ?', \"x?\" FROM [Program] -- what's this?\n"
                            "WHERE [Program_Key] = ? AND Program_Path LIKE ?";
    for (std::size_t length = 0; length <= sql.size(); ++length) {
        const std::string cut = sql.substr(0, length);
        const auto translation = PostgresDialect::translate(cut);
        EXPECT_EQ(std::count(translation.sql.begin(), translation.sql.end(), '$'), translation.parameterCount) << cut;
        PostgresDialect::Spellings spellings;
        PostgresDialect::collectSpellings(cut, spellings);
    }
}

TEST(PostgresDialectTest, HandsBackNamesAsTheStatementOrElseTheSchemaSpellsThem) {
    PostgresDialect::Spellings spellings;
    PostgresDialect::collectSpellings("SELECT Program_Name AS ShownName, [Key], program_desc FROM Program\n"
                                      "-- isn't Hidden\n"
                                      "WHERE Later = 'Quoted' AND SHOWNNAME = ''",
                                      spellings);
    const struct {
        const char* folded;
        std::string expected;
    } cases[] = {
        {"shownname", "ShownName"},                    // the first spelling counts
        {"key", "Key"},                                // from inside brackets
        {"program_desc", "program_desc"},              // the statement's spelling before the schema's
        {"program_startindir", "Program_StartInDir"},  // the schema's
        {"later", "Later"},                            // the comment's apostrophe opened no text
        {"hidden", "hidden"},                          // a comment's words are no names
        {"quoted", "quoted"},                          // nor are a text's
        {"nosuchname", "nosuchname"},
    };
    for (const auto& c : cases) EXPECT_EQ(PostgresDialect::spelling(c.folded, spellings), c.expected) << c.folded;
}

TEST(PostgresDialectTest, PutsAMessageOnOneLine) {
    const struct {
        const char* message;
        std::string expected;
    } cases[] = {
        {nullptr, ""},
        {"server closed the connection unexpectedly\n", "server closed the connection unexpectedly"},
        {"FATAL:  no such database\nDETAIL:  see the log\n \n", "FATAL:  no such database; DETAIL:  see the log"},
    };
    for (const auto& c : cases) EXPECT_EQ(PostgresDialect::oneLine(c.message), c.expected);
}

TEST(PostgresDialectTest, ReadsTheServersBinaryValues) {
    float oneAndAHalf = 1.5f;
    double minusTwoAndAQuarter = -2.25;
    std::uint32_t floatBits;
    std::uint64_t doubleBits;
    std::memcpy(&floatBits, &oneAndAHalf, sizeof floatBits);
    std::memcpy(&doubleBits, &minusTwoAndAQuarter, sizeof doubleBits);
    const struct {
        std::uint32_t type;
        std::string data;
        Variant expected;
    } cases[] = {
        {Type::kBool, "\x01", -1},
        {Type::kBool, std::string(1, '\0'), 0},
        {Type::kInt2, bigEndian(0xFFFE, 2), -2},
        {Type::kInt4, bigEndian(0x80000000, 4), std::int64_t{-2147483648LL}},
        {Type::kOid, bigEndian(0xFFFFFFFF, 4), std::int64_t{4294967295LL}},
        {Type::kInt8, bigEndian(0xFFFFFFFFFFFFFFFE, 8), std::int64_t{-2}},
        {Type::kFloat4, bigEndian(floatBits, 4), 1.5},
        {Type::kFloat8, bigEndian(doubleBits, 8), -2.25},
        {kText, "Grüße, 'x'", "Grüße, 'x'"},
        {Type::kBytea, std::string("\0\xFF\x01", 3), Bytes{0, 0xFF, 1}},
        {Type::kBytea, "", Bytes{}},
        {Type::kDate, bigEndian(0, 4), Variant::date("2000-01-01")},
        {Type::kDate, bigEndian(0xFFFFFFFF, 4), Variant::date("1999-12-31")},
        {Type::kDate, bigEndian(59, 4), Variant::date("2000-02-29")},
        {Type::kDate, bigEndian(static_cast<std::uint32_t>(-10957), 4), Variant::date("1970-01-01")},
        {Type::kDate, bigEndian(36584, 4), Variant::date("2100-03-01")},
        {Type::kDate, bigEndian(static_cast<std::uint32_t>(-730119), 4), Variant::date("0001-01-01")},
        {Type::kDate, bigEndian(2921939, 4), Variant::date("9999-12-31")},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(read(cases[i].type, cases[i].data), cases[i].expected) << "case " << i;
}

// The day after `iso`, by the calendar's rules rather than by counting days.
std::string nextDay(const std::string& iso) {
    int year = 0, month = 0, day = 0;
    std::sscanf(iso.c_str(), "%d-%d-%d", &year, &month, &day);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int monthDays[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++day > monthDays[month - 1]) {
        day = 1;
        if (++month > 12) month = 1, ++year;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

TEST(PostgresDialectTest, DayCountsReadAsOneCalendarDayAfterAnother) {
    // 1600-02-29 to 2400-02-29: leap days, centuries that are no leap years and two that are.
    std::string previous = readDate(-146038).toText();
    ASSERT_EQ(previous, "1600-02-29");
    for (std::int32_t days = -146037; days <= 146097 + 59; ++days) {
        const std::string date = readDate(days).toText();
        ASSERT_EQ(date, nextDay(previous)) << days << " days from 2000-01-01";
        previous = date;
    }
    EXPECT_EQ(previous, "2400-02-29");
}

TEST(PostgresDialectTest, ParametersComeBackFromTheServerAsTheyWereSent) {
    const std::vector<Variant> values = {
        Variant::null(), Variant(), "it's ?", std::int64_t{-42}, Variant::date("2024-02-29"),
        Bytes{0, 0xFF, 7}, Bytes{},
    };
    const PostgresDialect::Parameters sent(values);
    ASSERT_EQ(sent.values.size(), values.size());
    const auto text = [&](std::size_t i) {
        return std::string(sent.values[i], static_cast<std::size_t>(sent.lengths[i]));
    };
    EXPECT_EQ(sent.values[0], nullptr);
    EXPECT_EQ(sent.values[1], nullptr);
    EXPECT_EQ(text(2), "it's ?");
    EXPECT_EQ(text(3), "-42");
    // A date goes as text and comes back as the server's day count.
    EXPECT_EQ(text(4), "2024-02-29");
    EXPECT_EQ(readDate(8825), values[4]);
    // Bytes go raw and come back raw; empty ones are not a null.
    for (std::size_t i : {5u, 6u}) {
        ASSERT_NE(sent.values[i], nullptr);
        EXPECT_EQ(sent.formats[i], 1);
        EXPECT_EQ(PostgresDialect::binaryValue(Type::kBytea, sent.values[i], sent.lengths[i]), values[i]);
    }
    for (std::size_t i : {2u, 3u, 4u}) EXPECT_EQ(sent.formats[i], 0);
}

}  // namespace
}  // namespace portico::test
