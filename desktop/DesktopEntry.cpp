#include "desktop/DesktopEntry.h"

namespace portico::desktop {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

DesktopEntry DesktopEntry::parse(std::string_view text) {
    DesktopEntry entry;
    std::map<std::string, std::string>* current = nullptr;
    std::size_t position = 0;
    while (position < text.size()) {
        auto end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(position, end - position));
        position = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;
                continue;
            }
            // The first group of a given name wins; a repeated one is ignored.
            const std::string name(line.substr(1, close - 1));
            current = entry.groups_.count(name) ? nullptr : &entry.groups_[name];
            continue;
        }
        const auto equals = line.find('=');
        if (!current || equals == std::string_view::npos) continue;
        const std::string key(trim(line.substr(0, equals)));
        if (key.empty()) continue;
        // A repeated key keeps its first value.
        current->emplace(key, std::string(trim(line.substr(equals + 1))));
    }
    return entry;
}

std::optional<std::string> DesktopEntry::rawValue(const std::string& key, const std::string& group) const {
    const auto g = groups_.find(group);
    if (g == groups_.end()) return std::nullopt;
    const auto k = g->second.find(key);
    if (k == g->second.end()) return std::nullopt;
    return k->second;
}

std::string DesktopEntry::string(const std::string& key, const std::string& group) const {
    const auto value = rawValue(key, group);
    return value ? unescapeString(*value) : std::string();
}

std::string DesktopEntry::localeString(const std::string& key, const std::string& locale,
                                       const std::string& group) const {
    // lang_COUNTRY.ENCODING@MODIFIER: the encoding never takes part in matching.
    std::string lang = locale;
    std::string modifier;
    if (const auto at = lang.find('@'); at != std::string::npos) {
        modifier = lang.substr(at);
        lang.erase(at);
    }
    if (const auto dot = lang.find('.'); dot != std::string::npos) lang.erase(dot);
    std::vector<std::string> candidates;
    const auto underscore = lang.find('_');
    const std::string language = lang.substr(0, underscore);
    if (!modifier.empty() && underscore != std::string::npos) candidates.push_back(lang + modifier);
    if (underscore != std::string::npos) candidates.push_back(lang);
    if (!modifier.empty()) candidates.push_back(language + modifier);
    if (!language.empty() && language != "C" && language != "POSIX") candidates.push_back(language);
    for (const std::string& candidate : candidates)
        if (const auto value = rawValue(key + "[" + candidate + "]", group)) return unescapeString(*value);
    return string(key, group);
}

bool DesktopEntry::boolean(const std::string& key, const std::string& group) const {
    const auto value = rawValue(key, group);
    return value && (*value == "true" || *value == "1");
}

std::vector<std::string> DesktopEntry::list(const std::string& key, const std::string& group, char separator) const {
    std::vector<std::string> items;
    const auto value = rawValue(key, group);
    if (!value) return items;
    std::string item;
    for (std::size_t i = 0; i < value->size(); ++i) {
        const char c = (*value)[i];
        if (c == '\\' && i + 1 < value->size() && (*value)[i + 1] == separator) {
            item += separator;
            ++i;
        } else if (c == separator) {
            items.push_back(unescapeString(item));
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty()) items.push_back(unescapeString(item));
    return items;
}

std::string unescapeString(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += next;
        }
    }
    return out;
}

}  // namespace portico::desktop
