#pragma once

#include <string>

namespace portico {

// The folder of the running executable, without a trailing separator. Portico.ini,
// data/Portico.mdb, folder.ico and Default.ico live there.
std::string programFolder();

// Tests run in temporary folders: they point the program folder elsewhere, and
// pass an empty text to go back to the executable's folder.
void setProgramFolder(const std::string& folder);

}  // namespace portico
