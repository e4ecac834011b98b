#include "launcher/TerminalCommand.h"

#include "launcher/ShellWords.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace portico {
namespace {

// What goes between the terminal and the program: terminals differ in the
// option that takes the rest of the line as the program and its arguments
// (several take "-e" as one string for a shell, so those are not used).
struct Convention {
    const char* terminal;
    std::vector<const char*> beforeProgram;
};

const std::vector<Convention>& conventions() {
    static const std::vector<Convention> known = {
        {"xdg-terminal-exec", {}},
        {"x-terminal-emulator", {"-e"}},
        {"gnome-terminal", {"--"}},
        {"kgx", {"--"}},
        {"ptyxis", {"--"}},
        {"konsole", {"-e"}},
        {"xfce4-terminal", {"-x"}},
        {"mate-terminal", {"-x"}},
        {"terminator", {"-x"}},
        {"alacritty", {"-e"}},
        {"kitty", {}},
        {"foot", {}},
        {"wezterm", {"start", "--"}},
        {"xterm", {"-e"}},
        {"uxterm", {"-e"}},
        {"urxvt", {"-e"}},
        {"rxvt", {"-e"}},
        {"st", {"-e"}},
    };
    return known;
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The desktop's own terminals first: a GNOME session has gnome-terminal even
// when xterm is installed too.
std::vector<std::string> desktopTerminals(const std::string& desktop) {
    const std::string names = lower(desktop);
    auto has = [&](const char* name) { return names.find(name) != std::string::npos; };
    if (has("gnome") || has("unity") || has("cinnamon") || has("budgie")) return {"gnome-terminal", "kgx", "ptyxis"};
    if (has("kde")) return {"konsole"};
    if (has("xfce")) return {"xfce4-terminal"};
    if (has("mate")) return {"mate-terminal"};
    return {};
}

constexpr const char* kFallbacks[] = {"gnome-terminal", "konsole", "xfce4-terminal", "mate-terminal", "kgx",
                                      "terminator", "alacritty", "kitty", "foot", "wezterm", "xterm", "urxvt"};

}  // namespace

std::vector<std::string> TerminalCommand::find(const Lookup& lookup, const std::string& preferred,
                                               const std::string& desktop) {
    // $TERMINAL may carry options of its own ("kitty --single-instance").
    if (const auto words = splitShellWords(preferred); words && !words->empty()) {
        if (std::string path = lookup(words->front()); !path.empty()) {
            std::vector<std::string> command = *words;
            command.front() = std::move(path);
            return command;
        }
    }
    std::vector<std::string> candidates = {"xdg-terminal-exec", "x-terminal-emulator"};
    for (auto& name : desktopTerminals(desktop)) candidates.push_back(std::move(name));
    candidates.insert(candidates.end(), std::begin(kFallbacks), std::end(kFallbacks));
    for (const auto& name : candidates)
        if (std::string path = lookup(name); !path.empty()) return {std::move(path)};
    return {};
}

std::vector<std::string> TerminalCommand::wrap(const std::vector<std::string>& terminal,
                                               const std::vector<std::string>& program) {
    std::vector<std::string> arguments = terminal;
    const std::string name = terminal.empty() ? std::string() : baseName(terminal.front());
    const auto known = std::find_if(conventions().begin(), conventions().end(),
                                    [&](const Convention& convention) { return name == convention.terminal; });
    if (known == conventions().end())
        arguments.emplace_back("-e");
    else
        arguments.insert(arguments.end(), known->beforeProgram.begin(), known->beforeProgram.end());
    arguments.insert(arguments.end(), program.begin(), program.end());
    return arguments;
}

}  // namespace portico
