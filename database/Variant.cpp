#include "database/Variant.h"

#include "database/AdoErrors.h"
#include "database/RuntimeError.h"

#include <cmath>
#include <limits>

namespace portico {
namespace {

[[noreturn]] void raise(long number, const char* text) { throw RuntimeError(number, text); }

}  // namespace

Variant Variant::null() {
    Variant v;
    v.value_ = NullTag{};
    return v;
}

Variant Variant::date(std::string isoDate) {
    Variant v;
    v.value_ = DateValue{std::move(isoDate)};
    return v;
}

Variant::Type Variant::type() const { return static_cast<Type>(value_.index()); }

std::int64_t Variant::toInt64() const {
    switch (type()) {
    case Type::Empty: return 0;
    case Type::Null: raise(ado::kInvalidUseOfNull, ado::kInvalidUseOfNullText);
    case Type::Integer: return std::get<std::int64_t>(value_);
    case Type::Number: {
        const double d = std::nearbyint(std::get<double>(value_));
        if (!(d >= -9.2e18 && d <= 9.2e18)) raise(ado::kOverflow, ado::kOverflowText);
        return static_cast<std::int64_t>(d);
    }
    case Type::Text: {
        const std::string& text = std::get<std::string>(value_);
        std::size_t used = 0;
        try {
            const double d = std::stod(text, &used);
            if (text.find_first_not_of(' ', used) != std::string::npos) raise(ado::kTypeMismatch, ado::kTypeMismatchText);
            return Variant(d).toInt64();
        } catch (const std::out_of_range&) {
            raise(ado::kOverflow, ado::kOverflowText);
        } catch (const std::invalid_argument&) {
            raise(ado::kTypeMismatch, ado::kTypeMismatchText);
        }
    }
    case Type::Date:
    case Type::Bytes: break;
    }
    raise(ado::kTypeMismatch, ado::kTypeMismatchText);
}

std::int16_t Variant::toInt16() const {
    const std::int64_t value = toInt64();
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        raise(ado::kOverflow, ado::kOverflowText);
    return static_cast<std::int16_t>(value);
}

double Variant::toDouble() const {
    switch (type()) {
    case Type::Number: return std::get<double>(value_);
    case Type::Integer: return static_cast<double>(std::get<std::int64_t>(value_));
    case Type::Empty: return 0.0;
    case Type::Null: raise(ado::kInvalidUseOfNull, ado::kInvalidUseOfNullText);
    case Type::Text:
        try {
            return std::stod(std::get<std::string>(value_));
        } catch (const std::exception&) {
            raise(ado::kTypeMismatch, ado::kTypeMismatchText);
        }
    case Type::Date:
    case Type::Bytes: break;
    }
    raise(ado::kTypeMismatch, ado::kTypeMismatchText);
}

std::string Variant::toText() const {
    switch (type()) {
    case Type::Empty: return {};
    case Type::Null: raise(ado::kInvalidUseOfNull, ado::kInvalidUseOfNullText);
    case Type::Integer: return std::to_string(std::get<std::int64_t>(value_));
    case Type::Number: {
        std::string text = std::to_string(std::get<double>(value_));
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
    case Type::Text: return std::get<std::string>(value_);
    case Type::Date: return std::get<DateValue>(value_).iso;
    case Type::Bytes: break;
    }
    raise(ado::kTypeMismatch, ado::kTypeMismatchText);
}

const Bytes& Variant::bytes() const {
    if (type() == Type::Null) raise(ado::kInvalidUseOfNull, ado::kInvalidUseOfNullText);
    if (type() != Type::Bytes) raise(ado::kTypeMismatch, ado::kTypeMismatchText);
    return std::get<Bytes>(value_);
}

}  // namespace portico
