#include "PictureFolder.h"

#include "PorticoError.h"

#include <cstdlib>
#include <system_error>

namespace portico {
namespace {

std::filesystem::path baseFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) return cache;
    if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".cache";
    return std::filesystem::temp_directory_path();
}

}  // namespace

void ensurePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) throw PorticoError(ec.value(), "Cannot create folder " + folder.string() + ": " + ec.message(), "Portico");
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace, ec);
}

std::filesystem::path defaultPictureFolder() {
    auto folder = baseFolder() / "portico";
    ensurePrivateFolder(folder);
    return folder;
}

}  // namespace portico
