#include "desktop/XdgDirs.h"

#include <cstdlib>

namespace portico::desktop {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::vector<std::filesystem::path> splitFolderList(const std::string& list) {
    std::vector<std::filesystem::path> folders;
    std::size_t position = 0;
    while (position <= list.size()) {
        auto end = list.find(':', position);
        if (end == std::string::npos) end = list.size();
        const std::string folder = list.substr(position, end - position);
        position = end + 1;
        if (!folder.empty() && folder.front() == '/') folders.emplace_back(folder);
    }
    return folders;
}

std::filesystem::path dataHome() {
    const std::string value = environment("XDG_DATA_HOME");
    if (!value.empty() && value.front() == '/') return value;
    return std::filesystem::path(environment("HOME")) / ".local/share";
}

std::vector<std::filesystem::path> dataDirs() {
    auto folders = splitFolderList(environment("XDG_DATA_DIRS"));
    if (folders.empty()) folders = {"/usr/local/share", "/usr/share"};
    return folders;
}

std::vector<std::filesystem::path> dataSearchPath() {
    std::vector<std::filesystem::path> folders{dataHome()};
    for (auto& folder : dataDirs()) folders.push_back(std::move(folder));
    return folders;
}

std::vector<std::filesystem::path> applicationFolders() {
    std::vector<std::filesystem::path> folders;
    for (const auto& folder : dataSearchPath()) folders.push_back(folder / "applications");
    return folders;
}

}  // namespace portico::desktop
