#include "settings/FileSystemFolder.h"

#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <filesystem>
#include <system_error>

namespace portico {
namespace fs = std::filesystem;
namespace {

std::string normalFolderPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    std::string normal = absolute.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

[[noreturn]] void throwListingError(const std::error_code& ec) {
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
        throw PorticoError(errors::kPathNotFound, "Path not found", "Portico.FileSystem");
    }
    throw PorticoError(errors::kPermissionDenied, "Permission denied", "Portico.FileSystem");
}

// Calls `visit` for each entry of the folder, in listing order.
template <typename Visit>
void listFolder(const std::string& folder, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) throwListingError(ec);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) throwListingError(ec);
        visit(*it);
    }
    if (ec) throwListingError(ec);
}

}  // namespace

FileSystemFolder::FileSystemFolder(const std::string& path) : path_(normalFolderPath(path)) {}

std::string FileSystemFolder::Name() const {
    if (IsRootFolder()) return "/";
    return fs::path(path_).filename().string();
}

std::string FileSystemFolder::ParentFolder() const {
    if (IsRootFolder() || path_.empty()) return {};
    const auto slash = path_.rfind('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path_.substr(0, slash);
}

std::vector<FileSystemFolder> FileSystemFolder::SubFolders() const {
    std::vector<FileSystemFolder> folders;
    listFolder(path_, [&](const fs::directory_entry& entry) {
        std::error_code ec;
        if (entry.is_directory(ec)) folders.emplace_back(entry.path().string());
    });
    return folders;
}

std::vector<FileSystemFile> FileSystemFolder::Files() const {
    std::vector<FileSystemFile> files;
    listFolder(path_, [&](const fs::directory_entry& entry) {
        std::error_code ec;
        if (entry.is_regular_file(ec)) files.emplace_back(entry.path().filename().string(), entry.path().string());
    });
    return files;
}

}  // namespace portico
