#include "settings/TextUtil.h"

#include <algorithm>

namespace portico {
namespace {

std::string trimOf(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length in bytes of the character starting at `text[pos]`.
std::size_t charBytes(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (length == 1 || lead > 0xF4) return 1;
    if (pos + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

}  // namespace

std::string trimBlanks(std::string_view text) { return trimOf(text, " \t"); }

std::string trimSpace(std::string_view text) { return trimOf(text, " \t\r\n\v\f"); }

std::string trimSpacesOnly(std::string_view text) { return trimOf(text, " "); }

std::string toUpperAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upperAscii);
    return result;
}

std::string toLowerAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lowerAscii);
    return result;
}

std::string csvField(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

std::size_t utf8PrefixBytes(std::string_view text, std::size_t maxChars) {
    std::size_t pos = 0;
    for (std::size_t chars = 0; chars < maxChars && pos < text.size(); ++chars) pos += charBytes(text, pos);
    return pos;
}

std::size_t utf8Length(std::string_view text) {
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += charBytes(text, pos)) ++chars;
    return chars;
}

}  // namespace portico
