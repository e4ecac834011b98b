#include "settings/PictureFolder.h"

#include "settings/PorticoError.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace portico {
namespace {

[[noreturn]] void refuse(const std::filesystem::path& folder, const std::string& why) {
    throw PorticoError(kPictureFolderError, "Path/File access error: the picture folder " + folder.string() + " " + why,
                       "Portico");
}

const char* absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? value : nullptr;
}

}  // namespace

std::filesystem::path pictureFolderBase() {
    if (const char* runtime = absoluteVariable("XDG_RUNTIME_DIR")) return runtime;
    if (const char* cache = absoluteVariable("XDG_CACHE_HOME")) return cache;
    if (const char* home = absoluteVariable("HOME")) return std::filesystem::path(home) / ".cache";
    if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir && *user->pw_dir == '/')
        return std::filesystem::path(user->pw_dir) / ".cache";
    throw PorticoError(kPictureFolderError, "Path/File access error: no home folder for the picture folder", "Portico");
}

void ensurePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) throw PorticoError(ec.value(), "Cannot create folder " + folder.string() + ": " + ec.message(), "Portico");
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace, ec);
}

std::filesystem::path defaultPictureFolder() {
    const auto folder = pictureFolderBase() / "portico";
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    bool created = ::mkdir(folder.c_str(), 0700) == 0;
    if (!created && errno != EEXIST) refuse(folder, std::string("cannot be created: ") + std::strerror(errno));
    // Checked through a descriptor of the folder itself, so that what is checked
    // is what is used, and a link put in its place is never followed.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) refuse(folder, "is not a folder of its own (a link or a file)");
        refuse(folder, std::string("cannot be opened: ") + std::strerror(errno));
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    // A new folder gets exactly 0700 whatever the umask made of it.
    if (statted && created && info.st_uid == ::geteuid() && (info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) == 0)
        info.st_mode = (info.st_mode & ~07777u) | 0700;
    ::close(fd);
    if (!statted) refuse(folder, "cannot be examined");
    if (info.st_uid != ::geteuid()) refuse(folder, "belongs to another user");
    if ((info.st_mode & 07777) != 0700) refuse(folder, "is open to other users (its mode must be 0700)");
    return folder;
}

}  // namespace portico
