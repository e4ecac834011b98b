#include "settings/FileSystem.h"

#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <system_error>

namespace portico {
namespace fs = std::filesystem;
namespace {

// Kernel and memory-backed file systems: not places where users keep files.
constexpr std::array<std::string_view, 27> kPseudoFileSystems = {
    "proc",      "sysfs",      "cgroup",   "cgroup2",  "devpts",     "securityfs",      "debugfs",
    "tracefs",   "pstore",     "bpf",      "mqueue",   "hugetlbfs",  "configfs",        "fusectl",
    "binfmt_misc", "autofs",   "efivarfs", "rpc_pipefs", "nsfs",     "selinuxfs",       "devtmpfs",
    "tmpfs",     "ramfs",      "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",      "nfsd"};

bool isPseudo(std::string_view type) {
    return std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), type) != kPseudoFileSystems.end();
}

// The mount table writes blanks, tabs, newlines and backslashes as \ooo.
std::string unescapeMountField(const std::string& field) {
    std::string result;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits(field.data() + i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                result += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        result += field[i];
    }
    return result;
}

bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

std::string normalPath(const std::string& path) { return FileSystemFolder(path).Path(); }

}  // namespace

bool FileSystem::FileExists(const std::string& path) {
    if (!isUsablePath(path)) return false;
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool FileSystem::FolderExists(const std::string& path) {
    if (!isUsablePath(path)) return false;
    std::error_code ec;
    return fs::is_directory(path, ec);
}

FileSystemFolder FileSystem::GetFolder(const std::string& path) {
    if (!FolderExists(path)) throw PorticoError(errors::kPathNotFound, "Path not found", "Portico.FileSystem");
    return FileSystemFolder(path);
}

std::vector<FileSystemDrive> FileSystem::DrivesFromMountTable(const std::string& mountTable) {
    std::vector<FileSystemDrive> drives;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string mountPoint;
        std::string type;
        if (!(fields >> device >> mountPoint >> type) || isPseudo(type)) continue;
        mountPoint = unescapeMountField(mountPoint);
        if (mountPoint.empty() || mountPoint.front() != '/') continue;
        const bool known = std::any_of(drives.begin(), drives.end(),
                                       [&](const FileSystemDrive& drive) { return drive.DriveLetter() == mountPoint; });
        if (!known) drives.emplace_back(mountPoint, type);
    }
    return drives;
}

std::vector<FileSystemDrive> FileSystem::Drives() {
    std::ifstream in("/proc/self/mounts");
    const std::string table{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto drives = DrivesFromMountTable(table);
    // Containers bind-mount single files (/etc/hosts); only folders are drives.
    std::erase_if(drives, [](const FileSystemDrive& drive) { return !FolderExists(drive.DriveLetter()); });
    return drives;
}

FileSystemDrive FileSystem::GetDrive(const std::string& path) {
    std::error_code ec;
    if (!isUsablePath(path) || !fs::exists(path, ec)) throw PorticoError(errors::kPathNotFound, "Path not found", "Portico.FileSystem");
    const std::string wanted = normalPath(path);
    const FileSystemDrive* best = nullptr;
    const auto drives = Drives();
    for (const auto& drive : drives) {
        const std::string& mount = drive.DriveLetter();
        const bool holds = mount == "/" || wanted == mount || wanted.starts_with(mount + "/");
        if (holds && (!best || mount.size() > best->DriveLetter().size())) best = &drive;
    }
    if (!best) throw PorticoError(errors::kPathNotFound, "Path not found", "Portico.FileSystem");
    return *best;
}

}  // namespace portico
