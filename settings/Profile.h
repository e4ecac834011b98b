#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Reading and writing INI files with the behaviour that Windows tools give them,
// so that files written by those tools read back and ours read there:
// - section and key names match without regard to (ASCII) case, blanks around
//   names and values are ignored, a value in matching quotes reads without them;
// - the first section of a name and the first key of a name win over duplicates;
// - lines starting with ";" are comments; "\n" and "\r\n" both end a line;
// - reads copy at most (buffer size - 1) characters (UTF-8 characters, never a
//   split one) and report how many they copied;
// - writes create the file, append a missing section at the end of the file and
//   a missing key at the end of its section, replace a value in place, and keep
//   every other line as it was, line end included; new lines end with "\n".
// A file that is missing, unreadable, not a regular file or larger than
// kMaxProfileBytes reads as empty; writing to it fails rather than replacing it.
namespace portico::profile {

inline constexpr std::uintmax_t kMaxProfileBytes = 16u * 1024u * 1024u;

struct ReadResult {
    std::string text;   // the characters copied
    std::size_t count;  // how many characters were copied
};

// The value of `key` in `section`, else `defaultValue` (trailing blanks removed).
ReadResult getString(std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t bufferSize, const std::filesystem::path& file);

// The value read as an integer: `defaultValue` when the key is missing or empty,
// 0 when the value does not start with a number. Decimal, or hexadecimal after
// "0x"; values beyond 32 bits are clamped.
std::int32_t getInt(std::string_view section, std::string_view key, std::int32_t defaultValue,
                    const std::filesystem::path& file);

// Every line of the section as "name=value" (or "name" for a line without "="),
// each followed by a NUL. When the list does not fit, the last item is cut and
// followed by two NULs, and the count is bufferSize - 2.
ReadResult getSection(std::string_view section, std::size_t bufferSize, const std::filesystem::path& file);

// Writes `value` under `section`/`key`. Without a value the key is removed
// (with its duplicates in that section);
// without a key the whole section is removed; with neither, nothing is cached
// here so there is nothing to flush. Returns false when the file cannot be
// written or a name or value holds a line break, NUL, or the delimiters of its
// line ("=" in a key, "]" in a section name), which would corrupt the file.
bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value, const std::filesystem::path& file);

// Replaces every line of `section` with the "name=value" items of `entries`
// (each ended by NUL, the list by a second NUL); items without "=" are skipped.
// An empty list empties the section and keeps its header.
bool writeSection(std::string_view section, std::string_view entries, const std::filesystem::path& file);

// The folder that stands for the Windows directory: $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path windowsDirectory();

// WIN.INI in that folder.
std::filesystem::path winIniFile();

}  // namespace portico::profile
