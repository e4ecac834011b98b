#include "tessera/VariantConversion.h"

#include "database/Variant.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"
#include "tessera/CText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace portico::tessera {

namespace {

constexpr const char* kSource = "Tessera";

[[noreturn]] void typeMismatch() { throw PorticoError(errors::kTypeMismatch, "Type mismatch", kSource); }
[[noreturn]] void overflow() { throw PorticoError(errors::kOverflow, "Overflow", kSource); }
[[noreturn]] void invalidNull() { throw PorticoError(errors::kInvalidUseOfNull, "Invalid use of Null", kSource); }

// Numeric text as automation reads it: an integer, or a number that rounds to one.
std::int64_t integerFromText(const char* text) {
    const std::string trimmed = trimBlanks(text ? text : "");
    if (trimmed.empty()) typeMismatch();
    std::int64_t integer = 0;
    const char* begin = trimmed.data();
    const char* end = begin + trimmed.size();
    if (*begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, integer);
    if (ec == std::errc() && ptr == end) return integer;
    if (ec == std::errc::result_out_of_range) overflow();
    double number = 0;
    auto [dptr, dec] = std::from_chars(begin, end, number);
    if (dec != std::errc() || dptr != end) typeMismatch();
    if (!std::isfinite(number) || std::fabs(number) > 9.2e18) overflow();
    return static_cast<std::int64_t>(std::nearbyint(number));
}

std::string numberText(double value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) typeMismatch();
    return std::string(buffer, ptr);
}

}  // namespace

void VariantConversion::toC(const Variant& value, TesseraVariant& out) {
    std::memset(&out, 0, sizeof out);
    switch (value.type()) {
    case Variant::Type::Empty:
        out.vt = TESSERA_VT_EMPTY;
        return;
    case Variant::Type::Null:
        out.vt = TESSERA_VT_NULL;
        return;
    case Variant::Type::Integer: {
        const auto integer = value.toInt64();
        if (integer >= std::numeric_limits<std::int32_t>::min() && integer <= std::numeric_limits<std::int32_t>::max()) {
            out.vt = TESSERA_VT_I4;
            out.u.lVal = static_cast<std::int32_t>(integer);
        } else {
            out.vt = TESSERA_VT_I8;
            out.u.llVal = integer;
        }
        return;
    }
    case Variant::Type::Number:
        out.vt = TESSERA_VT_R8;
        out.u.dblVal = value.toDouble();
        return;
    case Variant::Type::Text:
        out.u.strVal = allocateText(value.toText());
        out.vt = TESSERA_VT_BSTR;
        return;
    case Variant::Type::Date:
        out.u.strVal = allocateText(value.toText());
        out.vt = TESSERA_VT_DATE;
        return;
    case Variant::Type::Bytes: {
        const auto& bytes = value.bytes();
        if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) overflow();
        // One byte more than needed, so that an empty picture still has a buffer.
        auto* data = static_cast<std::uint8_t*>(std::malloc(bytes.size() + 1));
        if (!data) throw std::bad_alloc();
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        out.u.bytes.data = data;
        out.u.bytes.size = static_cast<std::uint32_t>(bytes.size());
        out.vt = TESSERA_VT_BYTES;
        return;
    }
    }
    typeMismatch();
}

Variant VariantConversion::fromC(const TesseraVariant& value) {
    switch (value.vt) {
    case TESSERA_VT_EMPTY:
        return Variant();
    case TESSERA_VT_NULL:
        return Variant::null();
    case TESSERA_VT_I2:
        return Variant(static_cast<std::int64_t>(value.u.iVal));
    case TESSERA_VT_I4:
        return Variant(static_cast<std::int64_t>(value.u.lVal));
    case TESSERA_VT_I8:
        return Variant(static_cast<std::int64_t>(value.u.llVal));
    case TESSERA_VT_BOOL:
        return Variant(static_cast<std::int64_t>(value.u.boolVal ? -1 : 0));
    case TESSERA_VT_R8:
        return Variant(value.u.dblVal);
    case TESSERA_VT_BSTR:
        return Variant(std::string(value.u.strVal ? value.u.strVal : ""));
    case TESSERA_VT_DATE:
        return Variant::date(value.u.strVal ? value.u.strVal : "");
    case TESSERA_VT_BYTES: {
        if (value.u.bytes.size > 0 && !value.u.bytes.data) typeMismatch();
        const auto* data = value.u.bytes.data;
        return Variant(Bytes(data, data + value.u.bytes.size));
    }
    default:
        typeMismatch();
    }
}

std::string VariantConversion::toText(const TesseraVariant& value) {
    switch (value.vt) {
    case TESSERA_VT_EMPTY:
        return {};
    case TESSERA_VT_NULL:
        invalidNull();
    case TESSERA_VT_BSTR:
    case TESSERA_VT_DATE:
        return value.u.strVal ? std::string(value.u.strVal) : std::string();
    case TESSERA_VT_I2:
        return std::to_string(value.u.iVal);
    case TESSERA_VT_I4:
        return std::to_string(value.u.lVal);
    case TESSERA_VT_I8:
        return std::to_string(value.u.llVal);
    case TESSERA_VT_BOOL:
        return value.u.boolVal ? "True" : "False";
    case TESSERA_VT_R8:
        return numberText(value.u.dblVal);
    default:
        typeMismatch();
    }
}

std::int64_t VariantConversion::toInt64(const TesseraVariant& value) {
    switch (value.vt) {
    case TESSERA_VT_EMPTY:
        return 0;
    case TESSERA_VT_NULL:
        invalidNull();
    case TESSERA_VT_I2:
        return value.u.iVal;
    case TESSERA_VT_I4:
        return value.u.lVal;
    case TESSERA_VT_I8:
        return value.u.llVal;
    case TESSERA_VT_BOOL:
        return value.u.boolVal ? -1 : 0;
    case TESSERA_VT_R8: {
        const double number = value.u.dblVal;
        if (!std::isfinite(number) || std::fabs(number) > 9.2e18) overflow();
        // Round half to even, as the platform's automation does.
        return static_cast<std::int64_t>(std::nearbyint(number));
    }
    case TESSERA_VT_BSTR:
        return integerFromText(value.u.strVal);
    default:
        typeMismatch();
    }
}

std::int16_t VariantConversion::toInt16(const TesseraVariant& value) {
    const auto integer = toInt64(value);
    if (integer < std::numeric_limits<std::int16_t>::min() || integer > std::numeric_limits<std::int16_t>::max())
        overflow();
    return static_cast<std::int16_t>(integer);
}

void VariantConversion::clear(TesseraVariant& value) noexcept {
    switch (value.vt) {
    case TESSERA_VT_BSTR:
    case TESSERA_VT_DATE:
        freeText(value.u.strVal);
        break;
    case TESSERA_VT_BYTES:
        std::free(value.u.bytes.data);
        break;
    case TESSERA_VT_DISPATCH:
        if (value.u.recordset) value.u.recordset->lpVtbl->Release(value.u.recordset);
        break;
    case TESSERA_VT_UNKNOWN:
        if (value.u.punkVal) value.u.punkVal->lpVtbl->Release(value.u.punkVal);
        break;
    default:
        break;
    }
    std::memset(&value, 0, sizeof value);
}

}  // namespace portico::tessera
