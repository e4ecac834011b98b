#include "tessera/CText.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace portico::tessera {

char* allocateText(std::string_view text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) throw std::bad_alloc();
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void freeText(char* text) noexcept { std::free(text); }

}  // namespace portico::tessera
