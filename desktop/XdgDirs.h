#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace portico::desktop {

// The base folders of the XDG Base Directory rules, read from the environment
// each call (tests change it): $XDG_DATA_HOME (default ~/.local/share) and
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share). Relative entries are
// ignored, as the rules ask.
std::filesystem::path dataHome();
std::vector<std::filesystem::path> dataDirs();
// dataHome first, then dataDirs: the order in which earlier folders win.
std::vector<std::filesystem::path> dataSearchPath();

// The "applications" subfolder of each folder of dataSearchPath.
std::vector<std::filesystem::path> applicationFolders();

// Splits a colon-separated list of absolute folders.
std::vector<std::filesystem::path> splitFolderList(const std::string& list);

}  // namespace portico::desktop
