#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace portico {

using Bytes = std::vector<std::uint8_t>;

// A field value as the catalogue hands it out: empty (never assigned), null (an
// empty column), an integer, a number, a text, a date or raw bytes (pictures).
// Dates are kept as ISO-8601 text ("YYYY-MM-DD").
class Variant {
public:
    enum class Type { Empty, Null, Integer, Number, Text, Date, Bytes };

    Variant() = default;
    Variant(std::int64_t value) : value_(value) {}
    Variant(int value) : value_(static_cast<std::int64_t>(value)) {}
    Variant(double value) : value_(value) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(Bytes value) : value_(std::move(value)) {}

    static Variant null();
    static Variant date(std::string isoDate);

    Type type() const;
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }

    // Conversions raise the runtime's errors: 94 "Invalid use of Null" for a null,
    // 13 "Type mismatch" for a value of the wrong kind, 6 "Overflow" for an integer
    // out of range. Empty converts to 0 or "".
    std::int16_t toInt16() const;
    std::int64_t toInt64() const;
    double toDouble() const;
    std::string toText() const;
    const Bytes& bytes() const;

    bool operator==(const Variant& other) const = default;

private:
    struct EmptyTag { bool operator==(const EmptyTag&) const = default; };
    struct NullTag { bool operator==(const NullTag&) const = default; };
    struct DateValue {
        std::string iso;
        bool operator==(const DateValue&) const = default;
    };
    std::variant<EmptyTag, NullTag, std::int64_t, double, std::string, DateValue, Bytes> value_;
};

}  // namespace portico
