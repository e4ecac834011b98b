#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portico {

// Splits a command line into arguments the way a POSIX shell splits words,
// without expanding anything: blanks separate words; '...' keeps everything
// literally; "..." keeps everything, with \" \\ \$ \` escaped; a backslash
// outside quotes escapes the next character. Nothing is ever executed.
// Returns nothing when a quote is left open or the line ends in a lone backslash.
std::optional<std::vector<std::string>> splitShellWords(std::string_view line);

}  // namespace portico
