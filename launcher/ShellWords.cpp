#include "launcher/ShellWords.h"

namespace portico {

std::optional<std::vector<std::string>> splitShellWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    std::size_t i = 0;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < line.size()) {
        const char c = line[i];
        if (isBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\'') {
            const auto end = line.find('\'', i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            word.append(line.substr(i + 1, end - i - 1));
            inWord = true;
            i = end + 1;
        } else if (c == '"') {
            inWord = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char q = line[i];
                if (q == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (q == '\\' && i + 1 < line.size()) {
                    const char next = line[i + 1];
                    if (next == '"' || next == '\\' || next == '$' || next == '`') {
                        word.push_back(next);
                        i += 2;
                        continue;
                    }
                    if (next == '\n') {
                        i += 2;
                        continue;
                    }
                }
                word.push_back(q);
                ++i;
            }
            if (!closed) return std::nullopt;
        } else if (c == '\\') {
            if (i + 1 >= line.size()) return std::nullopt;
            if (line[i + 1] != '\n') {
                word.push_back(line[i + 1]);
                inWord = true;
            }
            i += 2;
        } else {
            word.push_back(c);
            inWord = true;
            ++i;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace portico
