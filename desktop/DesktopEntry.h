#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portico::desktop {

// One desktop entry file: groups of key=value lines. Keys keep their locale
// suffix ("Name[de]"), so a caller that wants translations can ask for them.
// Parsing never fails on garbage: lines that are neither a group header, a
// comment nor key=value are ignored, and so is a key outside any group.
class DesktopEntry {
public:
    static DesktopEntry parse(std::string_view text);

    bool hasGroup(const std::string& group) const { return groups_.count(group) != 0; }
    // The raw value of a key of [Desktop Entry] (or another group), escapes kept.
    std::optional<std::string> rawValue(const std::string& key, const std::string& group = kMainGroup) const;
    // A string value with \s \n \t \r \\ unescaped; empty when missing.
    std::string string(const std::string& key, const std::string& group = kMainGroup) const;
    // The value for `locale` ("de_DE.UTF-8@euro" tries de_DE@euro, de_DE, de@euro, de),
    // else the untranslated one.
    std::string localeString(const std::string& key, const std::string& locale,
                             const std::string& group = kMainGroup) const;
    // "true" is true; anything else (also "1", which old files wrote) is read as its
    // intent: "1" true, everything else false.
    bool boolean(const std::string& key, const std::string& group = kMainGroup) const;
    // A ';'-separated list, "\;" kept as ';' inside an element. Icon theme
    // indexes separate theirs with ','.
    std::vector<std::string> list(const std::string& key, const std::string& group = kMainGroup,
                                  char separator = ';') const;

    static constexpr const char* kMainGroup = "Desktop Entry";

private:
    std::map<std::string, std::map<std::string, std::string>> groups_;
};

// Unescapes a string value: \s space, \n, \t, \r, \\; an unknown escape is kept as is.
std::string unescapeString(std::string_view value);

}  // namespace portico::desktop
