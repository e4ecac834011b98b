#pragma once

#include <string>
#include <string_view>

namespace portico::tessera {

// Text crossing the C boundary: the library allocates what it returns with
// malloc, and TesseraFreeString frees it. Throws std::bad_alloc.
char* allocateText(std::string_view text);
void freeText(char* text) noexcept;

// A text argument: null is the empty text.
inline std::string textArgument(const char* text) { return text ? std::string(text) : std::string(); }

// A by-reference text argument: a null pointer (left out) or a null text is
// the empty text.
inline std::string refTextArgument(const char* const* text) {
    return (text && *text) ? std::string(*text) : std::string();
}

}  // namespace portico::tessera
