#include "settings/SafeFile.h"

#include "settings/Descriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

namespace portico {
namespace {

constexpr std::string_view kTemporaryPrefix = ".portico-";
constexpr std::size_t kTemporaryRandomLength = 8;

std::error_code lastError() { return {errno, std::generic_category()}; }

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t put = ::write(fd, content.data(), content.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

std::string temporaryName() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string name(kTemporaryPrefix);
    for (std::size_t i = 0; i < kTemporaryRandomLength; ++i) name += kAlphabet[pick(generator)];
    return name;
}

// Gives the nameless file `fd` a fresh short name in `folder`.
bool nameTemporary(int fd, int folder, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName();
        if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// A named temporary file, for file systems without nameless ones.
int createNamedTemporary(int folder, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName();
        const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Removes what writers killed between naming their file and renaming it left
// behind. Only our own names, owned by this user and untouched for a minute: a
// live writer's file is younger than that, since every write refreshes it.
void sweepStaleTemporaries(int folder) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* entries = ::fdopendir(listing);
    if (!entries) {
        ::close(listing);
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(entries)) {
        if (!SafeFile::isTemporaryName(entry->d_name)) continue;
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && now - info.st_mtime >= SafeFile::kStaleTemporarySeconds)
            stale.emplace_back(entry->d_name);
    }
    ::closedir(entries);
    for (const std::string& name : stale) ::unlinkat(folder, name.c_str(), 0);
}

}  // namespace

bool SafeFile::isTemporaryName(std::string_view name) {
    return name.size() == kTemporaryPrefix.size() + kTemporaryRandomLength && name.starts_with(kTemporaryPrefix);
}

bool SafeFile::write(const std::filesystem::path& file, std::string_view content, std::error_code& error) {
    error.clear();
    const std::filesystem::path folderPath = file.has_parent_path() ? file.parent_path() : ".";
    const std::string target = file.filename().string();
    if (target.empty() || target == "." || target == "..") {
        error = std::make_error_code(std::errc::is_a_directory);
        return false;
    }
    Descriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
        error = lastError();
        return false;
    }

    std::string temporary;
    bool named = false;
    // A nameless file is named through /proc; without /proc it could never be named.
    static const bool canNameLater = ::access("/proc/self/fd", X_OK) == 0;
    Descriptor out(canNameLater ? ::openat(folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1);
    if (out.get() < 0) {
        // No nameless files here (an older or a network file system).
        out.reset(createNamedTemporary(folder.get(), temporary));
        if (out.get() < 0) {
            error = lastError();
            return false;
        }
        named = true;
    }
    auto discard = [&] {
        const std::error_code cause = lastError();
        if (named) ::unlinkat(folder.get(), temporary.c_str(), 0);
        error = cause;
        return false;
    };
    // The mode is exact whatever the umask: the picture is the user's alone.
    if (::fchmod(out.get(), 0600) != 0 || !writeAll(out.get(), content)) return discard();
    if (!named) {
        if (!nameTemporary(out.get(), folder.get(), temporary)) return discard();
        named = true;
    }
    if (!out.close()) return discard();
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), target.c_str()) != 0) return discard();
    sweepStaleTemporaries(folder.get());
    return true;
}

bool SafeFile::read(const std::filesystem::path& file, std::string& content, std::error_code& error,
                    std::size_t maxBytes, Links links) {
    error.clear();
    content.clear();
    // O_NONBLOCK: opening a FIFO must fail at once, not wait for a writer.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse) flags |= O_NOFOLLOW;
    Descriptor in(::open(file.c_str(), flags));
    if (in.get() < 0) {
        error = lastError();
        return false;
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) {
        error = lastError();
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        error = std::make_error_code(std::errc::file_too_large);
        return false;
    }
    std::string loaded;
    loaded.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = lastError();
            return false;
        }
        if (got == 0) break;
        // The file may grow while it is read.
        if (loaded.size() + static_cast<std::size_t>(got) > maxBytes) {
            error = std::make_error_code(std::errc::file_too_large);
            return false;
        }
        loaded.append(buffer, static_cast<std::size_t>(got));
    }
    content = std::move(loaded);
    return true;
}

}  // namespace portico
