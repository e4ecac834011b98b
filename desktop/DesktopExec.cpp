#include "desktop/DesktopExec.h"

#include "desktop/DesktopEntry.h"

#include <filesystem>
#include <unistd.h>

namespace portico::desktop {
namespace {

// One word before field codes are taken out; `quoted` keeps "" as a real word.
struct Word {
    std::string text;
    bool quoted = false;
};

std::optional<std::vector<Word>> splitWords(std::string_view line) {
    std::vector<Word> words;
    Word word;
    bool inWord = false;
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < line.size() &&
                       (line[i + 1] == '"' || line[i + 1] == '`' || line[i + 1] == '$' || line[i + 1] == '\\')) {
                word.text += line[++i];
            } else {
                word.text += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(std::move(word));
            word = {};
            inWord = false;
        } else if (c == '"') {
            inQuotes = true;
            inWord = true;
            word.quoted = true;
        } else {
            inWord = true;
            word.text += c;
        }
    }
    if (inQuotes) return std::nullopt;
    if (inWord) words.push_back(std::move(word));
    return words;
}

// Takes the field codes out of one word; `hadCode` says whether any was there.
std::string expandFieldCodes(const std::string& text, std::string_view name, bool& hadCode) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char code = text[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'c' && !name.empty()) {
            out += name;
        } else {
            // %f %F %u %U %i %k (and the deprecated ones) expand to nothing
            // here; an unknown code is invalid and is dropped the same way rather
            // than passed on to the program.
            hadCode = true;
        }
    }
    return out;
}

bool isPlainWord(const std::string& word) {
    if (word.empty()) return false;
    for (const char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.' || c == '/' || c == ',' || c == ':' || c == '=' ||
                           c == '+' || c == '@' || c == '%';
        if (!plain) return false;
    }
    return true;
}

}  // namespace

std::optional<ExecCommand> parseExec(std::string_view rawExec, std::string_view name) {
    const auto words = splitWords(unescapeString(rawExec));
    if (!words) return std::nullopt;
    ExecCommand command;
    bool first = true;
    for (const Word& word : *words) {
        bool hadCode = false;
        std::string text = expandFieldCodes(word.text, name, hadCode);
        // A word that was nothing but field codes stands for files or URLs we do
        // not pass; an empty word the file quoted on purpose stays.
        if (text.empty() && (hadCode || !word.quoted)) continue;
        if (first) {
            command.program = std::move(text);
            first = false;
        } else {
            command.arguments.push_back(std::move(text));
        }
    }
    if (command.program.empty()) return std::nullopt;
    return command;
}

std::string joinShellWords(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (isPlainWord(argument)) {
            line += argument;
            continue;
        }
        line += '\'';
        for (const char c : argument) {
            if (c == '\'')
                line += "'\\''";
            else
                line += c;
        }
        line += '\'';
    }
    return line;
}

std::string findExecutable(const std::string& program, std::string_view searchPath) {
    namespace fs = std::filesystem;
    const auto runnable = [](const fs::path& path) {
        std::error_code error;
        // access() alone says yes to root for any file with one execute bit.
        const auto status = fs::status(path, error);
        const auto execute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        return !error && fs::is_regular_file(status) && (status.permissions() & execute) != fs::perms::none &&
               ::access(path.c_str(), X_OK) == 0;
    };
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return runnable(program) ? program : std::string();
    std::size_t position = 0;
    while (position <= searchPath.size()) {
        auto end = searchPath.find(':', position);
        if (end == std::string_view::npos) end = searchPath.size();
        const std::string_view folder = searchPath.substr(position, end - position);
        position = end + 1;
        if (folder.empty()) continue;
        const fs::path candidate = fs::path(std::string(folder)) / program;
        if (runnable(candidate)) return candidate.string();
    }
    return {};
}

}  // namespace portico::desktop
