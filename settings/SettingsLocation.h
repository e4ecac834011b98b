#pragma once

#include <string>
#include <vector>

namespace portico {

// Where the programs find Portico.ini, first match wins:
//   1. $XDG_CONFIG_HOME/portico/Portico.ini (default ~/.config/portico)
//   2. each $XDG_CONFIG_DIRS folder's portico/Portico.ini (default /etc/xdg)
//   3. the program folder's Portico.ini (build folders and portable installs)
// When none exists, a new file goes beside the executable when that folder is
// writable (as it always did), else into the user's configuration folder.
std::vector<std::string> settingsSearchPath();
std::string settingsFile();
// Where a missing settings file is created (the last rule above).
std::string newSettingsFile();

// Where a new settings file puts the catalogue: the program folder's data
// folder when the program folder is writable (as it always did), else the
// user's data folder, $XDG_DATA_HOME/portico (default ~/.local/share/portico).
std::string newDataFolder();

// The data files the programs ship (folder.ico, Default.ico): beside the
// executable when there, else in the installed data folder
// (<prefix>/share/portico, found from the executable's <prefix>/bin).
std::string programDataFile(const std::string& name);
std::string installedDataFolder();

}  // namespace portico
