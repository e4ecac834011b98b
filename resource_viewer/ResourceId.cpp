#include "resource_viewer/ResourceId.h"

namespace portico {

ResourceId ResourceId::fromText(const std::string& text) {
    if (text.size() >= 2 && text.size() <= 6 && text[0] == '#') {
        std::uint32_t value = 0;
        bool digits = true;
        for (std::size_t i = 1; i < text.size() && digits; ++i) {
            const char c = text[i];
            digits = c >= '0' && c <= '9';
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
        }
        if (digits && value <= 0xFFFF) return integer(static_cast<std::uint16_t>(value));
    }
    return ResourceId::text(text);
}

}  // namespace portico
