#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace portico {

// Removes leading and trailing spaces and tabs: what users mean by "blanks"
// around a path or a name.
std::string trimBlanks(std::string_view text);

// Removes leading and trailing white space of any kind (space, tab, CR, LF, VT, FF).
std::string trimSpace(std::string_view text);

// Removes leading and trailing space characters only, as the catalogue trims
// names and paths: a tab is part of the text there.
std::string trimSpacesOnly(std::string_view text);

// ASCII case folding: multi-byte UTF-8 sequences pass through unchanged.
std::string toUpperAscii(std::string_view text);
std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// One field of a CSV record (RFC 4180): quoted, with its quotes doubled, when
// it holds a comma, a quote or a line break.
std::string csvField(std::string_view value);

// Number of bytes that hold the first `maxChars` characters of UTF-8 text, so a
// cut never splits a character. A byte that starts no valid sequence counts as
// one character, which keeps garbage input measurable.
std::size_t utf8PrefixBytes(std::string_view text, std::size_t maxChars);

// Number of characters in UTF-8 text, counted the same way.
std::size_t utf8Length(std::string_view text);

}  // namespace portico
