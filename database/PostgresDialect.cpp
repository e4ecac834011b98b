#include "database/PostgresDialect.h"

#include "settings/TextUtil.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace portico {

extern const char* const kCatalogueSchema;

namespace {

bool isIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

const PostgresDialect::Spellings& catalogueSpellings() {
    static const auto spellings = [] {
        PostgresDialect::Spellings map;
        PostgresDialect::collectSpellings(kCatalogueSchema, map);
        return map;
    }();
    return spellings;
}

std::uint64_t bigEndian(const char* data, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// A day count from 2000-01-01 as YYYY-MM-DD (proleptic Gregorian calendar).
std::string isoDate(std::int64_t daysSince2000) {
    std::int64_t z = daysSince2000 + 10957 + 719468;  // days since 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::array<char, 80> text{};
    std::snprintf(text.data(), text.size(), "%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
    return text.data();
}

}  // namespace

std::string PostgresDialect::oneLine(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "; ");
    return text;
}

const SqlText& PostgresDialect::sqlText() {
    static constexpr SqlText text(SqlText::Names::LowerCase);
    return text;
}

PostgresDialect::Translation PostgresDialect::translate(const std::string& sql) {
    Translation result;
    result.sql.reserve(sql.size() + 16);
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const auto end = sql.find(c, i + 1);
            const auto stop = end == std::string::npos ? sql.size() : end + 1;
            result.sql.append(sql, i, stop - i);
            i = stop - 1;
        } else if (c == '[') {
            const auto end = sql.find(']', i + 1);
            if (end == std::string::npos) {
                result.sql += c;
                continue;
            }
            result.sql += sqlText().quote(sql.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '?') {
            result.sql += '$' + std::to_string(++result.parameterCount);
        } else {
            result.sql += c;
        }
    }
    return result;
}

void PostgresDialect::collectSpellings(const std::string& sql, Spellings& spellings) {
    for (std::size_t i = 0; i < sql.size();) {
        if (sql.compare(i, 2, "--") == 0) {
            // A comment's words are no identifiers, and its apostrophes open no text.
            const auto end = sql.find('\n', i);
            i = end == std::string::npos ? sql.size() : end + 1;
        } else if (sql[i] == '\'') {
            const auto end = sql.find('\'', i + 1);
            i = end == std::string::npos ? sql.size() : end + 1;
        } else if (isIdentifierStart(sql[i])) {
            std::size_t end = i;
            while (end < sql.size() && isIdentifierChar(sql[end])) ++end;
            std::string word = sql.substr(i, end - i);
            spellings.emplace(toLowerAscii(word), std::move(word));
            i = end;
        } else {
            ++i;
        }
    }
}

std::string PostgresDialect::spelling(const char* name, const Spellings& statementSpellings) {
    if (auto found = statementSpellings.find(name); found != statementSpellings.end()) return found->second;
    if (auto found = catalogueSpellings().find(name); found != catalogueSpellings().end()) return found->second;
    return name;
}

Variant PostgresDialect::binaryValue(std::uint32_t type, const char* data, int length) {
    switch (type) {
    case kBool: return Variant(length > 0 && data[0] ? -1 : 0);
    case kInt2: return Variant(static_cast<std::int64_t>(static_cast<std::int16_t>(bigEndian(data, 2))));
    case kInt4:
    case kOid:
        if (type == kOid) return Variant(static_cast<std::int64_t>(static_cast<std::uint32_t>(bigEndian(data, 4))));
        return Variant(static_cast<std::int64_t>(static_cast<std::int32_t>(bigEndian(data, 4))));
    case kInt8: return Variant(static_cast<std::int64_t>(bigEndian(data, 8)));
    case kFloat4: {
        const auto bits = static_cast<std::uint32_t>(bigEndian(data, 4));
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return Variant(static_cast<double>(value));
    }
    case kFloat8: {
        const std::uint64_t bits = bigEndian(data, 8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return Variant(value);
    }
    case kBytea: {
        // From bytes, not chars, so that the copy is one memcpy rather than a loop.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        return Variant(Bytes(bytes, bytes + length));
    }
    case kDate: return Variant::date(isoDate(static_cast<std::int32_t>(bigEndian(data, 4))));
    default: return Variant(std::string(data, static_cast<std::size_t>(length)));  // text and its kin
    }
}

PostgresDialect::Parameters::Parameters(const std::vector<Variant>& parameters)
    : texts(parameters.size()), values(parameters.size(), nullptr), lengths(parameters.size(), 0),
      formats(parameters.size(), 0) {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const Variant& value = parameters[i];
        switch (value.type()) {
        case Variant::Type::Empty:
        case Variant::Type::Null: break;
        case Variant::Type::Bytes: {
            // An empty value needs a pointer all the same: a null one means NULL.
            static const char nothing = 0;
            const Bytes& bytes = value.bytes();
            values[i] = bytes.empty() ? &nothing : reinterpret_cast<const char*>(bytes.data());
            lengths[i] = static_cast<int>(bytes.size());
            formats[i] = 1;
            break;
        }
        default:
            texts[i] = value.toText();
            values[i] = texts[i].c_str();
            lengths[i] = static_cast<int>(texts[i].size());
        }
    }
}

}  // namespace portico
