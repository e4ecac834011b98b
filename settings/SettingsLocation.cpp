#include "settings/SettingsLocation.h"

#include "settings/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace portico {
namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsName = "Portico.ini";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string configHome() {
    const std::string value = environment("XDG_CONFIG_HOME");
    if (!value.empty() && value.front() == '/') return value;
    return environment("HOME") + "/.config";
}

std::string dataHome() {
    const std::string value = environment("XDG_DATA_HOME");
    if (!value.empty() && value.front() == '/') return value;
    return environment("HOME") + "/.local/share";
}

bool programFolderWritable() { return ::access(programFolder().c_str(), W_OK) == 0; }

std::vector<std::string> configDirs() {
    std::vector<std::string> folders;
    const std::string list = environment("XDG_CONFIG_DIRS");
    std::size_t position = 0;
    while (position <= list.size()) {
        auto end = list.find(':', position);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(position, end - position);
        position = end + 1;
        // Relative entries are ignored, as the XDG rules ask.
        if (!folder.empty() && folder.front() == '/') folders.push_back(std::move(folder));
    }
    if (folders.empty()) folders.push_back("/etc/xdg");
    return folders;
}

bool isFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

std::vector<std::string> settingsSearchPath() {
    std::vector<std::string> files{configHome() + "/portico/" + kSettingsName};
    for (const std::string& folder : configDirs()) files.push_back(folder + "/portico/" + kSettingsName);
    files.push_back(programFolder() + "/" + kSettingsName);
    return files;
}

std::string settingsFile() {
    const auto candidates = settingsSearchPath();
    for (const std::string& file : candidates)
        if (isFile(file)) return file;
    return newSettingsFile();
}

std::string newSettingsFile() {
    if (programFolderWritable()) return programFolder() + "/" + kSettingsName;
    return configHome() + "/portico/" + kSettingsName;
}

std::string newDataFolder() {
    if (programFolderWritable()) return programFolder() + "/data";
    return dataHome() + "/portico";
}

std::string installedDataFolder() {
    return fs::path(programFolder()).parent_path().append("share/portico").lexically_normal().string();
}

std::string programDataFile(const std::string& name) {
    const std::string beside = programFolder() + "/" + name;
    if (isFile(beside)) return beside;
    const std::string installed = installedDataFolder() + "/" + name;
    return isFile(installed) ? installed : beside;
}

}  // namespace portico
