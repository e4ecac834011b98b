#include "settings/ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace portico {
namespace {

std::string overrideFolder;

std::string executableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    std::string folder = exe.parent_path().string();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

std::string programFolder() {
    if (!overrideFolder.empty()) return overrideFolder;
    static const std::string folder = executableFolder();
    return folder;
}

void setProgramFolder(const std::string& folder) {
    overrideFolder = folder;
    while (overrideFolder.size() > 1 && overrideFolder.back() == '/') overrideFolder.pop_back();
}

}  // namespace portico
