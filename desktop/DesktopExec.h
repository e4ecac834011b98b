#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portico::desktop {

// The command of an Exec key, with the field codes taken out: what the
// catalogue stores as a program's path and parameters.
struct ExecCommand {
    std::string program;                 // as written: a name or a path
    std::vector<std::string> arguments;  // without the program
};

// Parses the raw value of an Exec key (escapes not yet undone). The string
// escapes are undone first (so "\\\\" in the file is one backslash in an
// argument), then words are split on blanks, "..." quotes a word in which \" \`
// \$ \\ are escapes. Field codes: %c becomes `name` (the entry's Name, as
// translated); %f %F %u %U %i %k and the deprecated %d %D %n %N %v %m are
// removed (a word that was only a field code goes away), %% becomes %.
// Returns nothing for an empty command or an unclosed quote.
std::optional<ExecCommand> parseExec(std::string_view rawExec, std::string_view name = {});

// Joins arguments into one parameter line that a POSIX shell-word splitter
// gives back unchanged: plain words stay bare, others go in single quotes.
std::string joinShellWords(const std::vector<std::string>& arguments);

// The executable that `program` names: a path containing '/' is taken as is;
// a bare name is looked up in `searchPath` (colon-separated, like $PATH).
// Empty when nothing executable is found.
std::string findExecutable(const std::string& program, std::string_view searchPath);

}  // namespace portico::desktop
