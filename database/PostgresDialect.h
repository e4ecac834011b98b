#pragma once

#include "database/SqlText.h"
#include "database/Variant.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace portico {

// What the catalogue server's dialect differs in, apart from the connection:
// the catalogue's statements in the server's spelling, the names the server
// hands back, and values in the server's binary format. Needs no client
// library, so it is tested without a server.
class PostgresDialect {
public:
    // Type numbers of pg_type that the binary format is read for.
    enum Type : std::uint32_t {
        kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
        kDate = 1082
    };

    // Names by their lower-case form, as first spelt.
    using Spellings = std::unordered_map<std::string, std::string>;

    struct Translation {
        std::string sql;
        int parameterCount = 0;
    };

    // A message of the client library or the server on one line: its line breaks
    // become "; " and its trailing one goes.
    static std::string oneLine(const char* message);

    // The server folds unquoted names to lower case, and the catalogue's tables
    // and columns are created that way, so a quoted name is quoted in lower case.
    static const SqlText& sqlText();

    // The catalogue's SQL in the server's dialect: `[Name]` becomes "name" and
    // each `?` outside quotes becomes $1, $2, ... in order.
    static Translation translate(const std::string& sql);

    // Adds every identifier of `sql` to `spellings`, words in comments and quotes left out.
    static void collectSpellings(const std::string& sql, Spellings& spellings);
    // A name the server folded to lower case, as the statement, or else the
    // catalogue's schema, spells it; as it is when neither has it.
    static std::string spelling(const char* name, const Spellings& statementSpellings);

    // A value of the binary result format.
    static Variant binaryValue(std::uint32_t type, const char* data, int length);

    // Statement parameters as the client library takes them: bytes in the binary
    // format (pictures travel raw, not escaped), every other value as text, a
    // null as a null pointer. Points into `values`, which must outlive it.
    struct Parameters {
        explicit Parameters(const std::vector<Variant>& values);
        Parameters(const Parameters&) = delete;
        Parameters& operator=(const Parameters&) = delete;

        std::vector<std::string> texts;
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
    };
};

}  // namespace portico
