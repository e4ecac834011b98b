#pragma once

#include <string>

namespace portico {

// The existence tests of the settings and of both programs: the path is trimmed
// of leading and trailing blanks first. A folder is not a file and a file is not
// a folder. They never throw.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

}  // namespace portico
