#include "settings/Profile.h"

#include "settings/SafeFile.h"
#include "settings/TextUtil.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>
#include <vector>

namespace portico::profile {
namespace fs = std::filesystem;
namespace {

enum class LineKind { Blank, Comment, Header, Key, Other };

struct Line {
    LineKind kind = LineKind::Blank;
    std::string text;  // the line as it stands in the file, without its line end
    std::string name;  // section name (Header) or key name (Key), trimmed
    std::string value;  // trimmed value (Key)
    bool hasValue = false;  // false for a key line without "="
    bool crlf = false;  // ended by "\r\n" in the file; kept so that lines not changed stay as they were
};

Line classify(std::string text) {
    Line line;
    const std::string trimmed = trimSpace(text);
    line.text = std::move(text);
    if (trimmed.empty()) {
        line.kind = LineKind::Blank;
    } else if (trimmed.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (trimmed.front() == '[') {
        const auto close = trimmed.rfind(']');
        if (close == std::string::npos) {
            line.kind = LineKind::Other;  // an unclosed header opens no section
        } else {
            line.kind = LineKind::Header;
            line.name = trimSpace(std::string_view(trimmed).substr(1, close - 1));
        }
    } else {
        const auto equals = trimmed.find('=');
        line.name = trimSpace(std::string_view(trimmed).substr(0, equals));
        if (equals != std::string::npos) {
            line.value = trimSpace(std::string_view(trimmed).substr(equals + 1));
            line.hasValue = true;
        }
        line.kind = line.name.empty() ? LineKind::Other : LineKind::Key;
    }
    return line;
}

Line keyLine(const std::string& name, std::string_view value) {
    return classify(name + "=" + std::string(value));
}

constexpr std::size_t npos = static_cast<std::size_t>(-1);

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Document {
    std::vector<Line> lines;
    bool bom = false;  // Windows editors start UTF-8 files with a byte order mark; it is kept

    static Document parse(std::string_view content) {
        Document doc;
        if (content.starts_with(kUtf8Bom)) {
            doc.bom = true;
            content.remove_prefix(kUtf8Bom.size());
        }
        std::size_t start = 0;
        while (start < content.size()) {
            auto end = content.find('\n', start);
            if (end == std::string_view::npos) end = content.size();
            auto text = content.substr(start, end - start);
            const bool crlf = !text.empty() && text.back() == '\r';
            if (crlf) text.remove_suffix(1);
            // DOS tools end a file with Ctrl-Z, which is no part of the last value;
            // the line keeps it, so that a rewrite leaves the line as it was.
            const bool dosEnd = !text.empty() && text.back() == '\x1a';
            if (dosEnd) text.remove_suffix(1);
            doc.lines.push_back(classify(std::string(text)));
            if (dosEnd) doc.lines.back().text += '\x1a';
            doc.lines.back().crlf = crlf;
            start = end + 1;
        }
        return doc;
    }

    std::string serialize() const {
        std::string content(bom ? kUtf8Bom : std::string_view{});
        for (const auto& line : lines) {
            content += line.text;
            content += line.crlf ? "\r\n" : "\n";
        }
        return content;
    }

    std::size_t findSection(std::string_view name) const {
        const std::string wanted = trimSpace(name);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == LineKind::Header && equalsIgnoreCase(lines[i].name, wanted)) return i;
        }
        return npos;
    }

    std::size_t sectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != LineKind::Header) ++i;
        return i;
    }

    std::size_t findKey(std::size_t header, std::string_view key) const {
        const std::string wanted = trimSpace(key);
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            if (lines[i].kind == LineKind::Key && equalsIgnoreCase(lines[i].name, wanted)) return i;
        }
        return npos;
    }

    // New keys go after the section's last non-blank line, so the blank line
    // that separates it from the next section stays where it is.
    std::size_t insertionPoint(std::size_t header) const {
        std::size_t point = sectionEnd(header);
        while (point > header + 1 && lines[point - 1].kind == LineKind::Blank) --point;
        return point;
    }

    void appendSection(std::string_view name) {
        if (!lines.empty() && lines.back().kind != LineKind::Blank) lines.push_back(classify(""));
        lines.push_back(classify("[" + trimSpace(name) + "]"));
    }
};

enum class FileState { Missing, Read, Unusable };

FileState readFile(const fs::path& file, std::string& content) {
    // Only regular files: a folder cannot be read and a FIFO would block forever.
    // A link is followed: settings files are often links into a dotfiles folder.
    std::error_code ec;
    if (SafeFile::read(file, content, ec, kMaxProfileBytes, SafeFile::Links::Follow)) return FileState::Read;
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) return FileState::Missing;
    return FileState::Unusable;
}

Document loadForReading(const fs::path& file) {
    std::string content;
    if (readFile(file, content) != FileState::Read) return {};
    return Document::parse(content);
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const auto written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes the new content beside the file and renames it over the old one, so a
// failure half-way (a full disk) never leaves a cut settings file behind. When
// no file can be made beside it (a folder we may not write to but a file we
// may), the file is rewritten in place.
bool saveFile(const fs::path& file, const std::string& content) {
    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(file, ec)) {
        // Keep the link: write to the file it names.
        const auto resolved = fs::canonical(file, ec);
        if (!ec) target = resolved;
    }
    struct stat info {};
    const bool existed = ::stat(target.c_str(), &info) == 0;
    if (existed && (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0)) return false;
    const mode_t mode = existed ? (info.st_mode & 07777) : 0666;

    static unsigned serial = 0;
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target.parent_path() /
               ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." + std::to_string(serial++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd >= 0) {
        bool ok = (!existed || ::fchmod(fd, mode) == 0) && writeAll(fd, content) && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
        ::unlink(temp.c_str());
        return false;
    }
    fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool ok = writeAll(fd, content);
    return (::close(fd) == 0) && ok;
}

bool hasLineBreakOrNul(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

bool validSection(std::string_view section) {
    return !trimSpace(section).empty() && !hasLineBreakOrNul(section) && section.find(']') == std::string_view::npos;
}

bool validKey(std::string_view key) {
    const std::string trimmed = trimSpace(key);
    return !trimmed.empty() && !hasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           trimmed.front() != ';' && trimmed.front() != '[';
}

bool validValue(std::string_view value) { return !hasLineBreakOrNul(value); }

std::string stripQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

ReadResult copyToBuffer(std::string_view text, std::size_t bufferSize) {
    if (bufferSize == 0) return {"", 0};
    const auto bytes = utf8PrefixBytes(text, bufferSize - 1);
    std::string copied(text.substr(0, bytes));
    const auto count = utf8Length(copied);
    return {std::move(copied), count};
}

std::int32_t parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    constexpr std::int64_t limit = std::int64_t{1} << 32;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value * base + digit;
        if (value > limit) value = limit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Loads the file for a change; false when it exists but cannot be read, so
// that a write never replaces content it could not see.
bool loadForWriting(const fs::path& file, Document& doc) {
    std::string content;
    switch (readFile(file, content)) {
    case FileState::Missing: doc = {}; return true;
    case FileState::Read: doc = Document::parse(content); return true;
    case FileState::Unusable: return false;
    }
    return false;
}

}  // namespace

ReadResult getString(std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t bufferSize, const fs::path& file) {
    const Document doc = loadForReading(file);
    const auto header = doc.findSection(section);
    if (header != npos) {
        const auto index = doc.findKey(header, key);
        if (index != npos && doc.lines[index].hasValue) return copyToBuffer(stripQuotes(doc.lines[index].value), bufferSize);
    }
    const auto last = defaultValue.find_last_not_of(" \t");
    return copyToBuffer(last == std::string_view::npos ? std::string_view{} : defaultValue.substr(0, last + 1), bufferSize);
}

std::int32_t getInt(std::string_view section, std::string_view key, std::int32_t defaultValue, const fs::path& file) {
    const auto read = getString(section, key, "", std::numeric_limits<std::size_t>::max(), file);
    if (read.count == 0) return defaultValue;
    return parseInteger(read.text);
}

ReadResult getSection(std::string_view section, std::size_t bufferSize, const fs::path& file) {
    const Document doc = loadForReading(file);
    std::string list;
    const auto header = doc.findSection(section);
    if (header != npos) {
        const auto end = doc.sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const Line& line = doc.lines[i];
            if (line.kind != LineKind::Key) continue;
            list += line.name;
            if (line.hasValue) list += "=" + line.value;
            list += '\0';
        }
    }
    if (bufferSize < 3) return {"", 0};
    const auto length = utf8Length(list);
    if (length + 1 <= bufferSize) return {std::move(list), length};
    // As Windows does: the first bufferSize - 2 characters, then the two NULs
    // that end the list (the caller's copy ends with them).
    return {list.substr(0, utf8PrefixBytes(list, bufferSize - 2)), bufferSize - 2};
}

bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value, const fs::path& file) {
    if (!section) return !key && !value;  // the flush request: nothing is cached
    if (!validSection(*section)) return false;
    if (key && !validKey(*key)) return false;
    if (key && value && !validValue(*value)) return false;

    Document doc;
    if (!loadForWriting(file, doc)) return false;
    const auto header = doc.findSection(*section);

    if (!key) {
        if (header == npos) return true;
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(header),
                        doc.lines.begin() + static_cast<std::ptrdiff_t>(doc.sectionEnd(header)));
        return saveFile(file, doc.serialize());
    }
    if (!value) {
        if (header == npos) return true;
        // Every copy goes, or a duplicate further down would take its place.
        bool found = false;
        for (auto index = doc.findKey(header, *key); index != npos; index = doc.findKey(header, *key)) {
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(index));
            found = true;
        }
        return !found || saveFile(file, doc.serialize());
    }
    if (header == npos) {
        doc.appendSection(*section);
        doc.lines.push_back(keyLine(trimSpace(*key), *value));
    } else if (const auto index = doc.findKey(header, *key); index != npos) {
        const bool crlf = doc.lines[index].crlf;
        doc.lines[index] = keyLine(doc.lines[index].name, *value);
        doc.lines[index].crlf = crlf;
    } else {
        const auto point = doc.insertionPoint(header);
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(point), keyLine(trimSpace(*key), *value));
    }
    return saveFile(file, doc.serialize());
}

bool writeSection(std::string_view section, std::string_view entries, const fs::path& file) {
    if (!validSection(section)) return false;
    std::vector<Line> items;
    while (!entries.empty() && entries.front() != '\0') {
        auto end = entries.find('\0');
        if (end == std::string_view::npos) end = entries.size();
        const auto item = entries.substr(0, end);
        entries.remove_prefix(std::min(end + 1, entries.size()));
        const auto equals = item.find('=');
        if (equals == std::string_view::npos) continue;
        const auto name = item.substr(0, equals);
        const auto value = item.substr(equals + 1);
        if (!validKey(name) || !validValue(value)) return false;
        items.push_back(keyLine(trimSpace(name), value));
    }

    Document doc;
    if (!loadForWriting(file, doc)) return false;
    auto header = doc.findSection(section);
    if (header == npos) {
        if (items.empty()) return true;
        doc.appendSection(section);
        header = doc.lines.size() - 1;
    }
    const auto first = doc.lines.begin() + static_cast<std::ptrdiff_t>(header + 1);
    doc.lines.erase(first, doc.lines.begin() + static_cast<std::ptrdiff_t>(doc.insertionPoint(header)));
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(header + 1), items.begin(), items.end());
    return saveFile(file, doc.serialize());
}

fs::path windowsDirectory() {
    // Relative values are to be ignored, as for every XDG variable.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') return config;
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config";
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return fs::path(user->pw_dir) / ".config";
    return "/tmp";
}

fs::path winIniFile() { return windowsDirectory() / "WIN.INI"; }

}  // namespace portico::profile
