#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace portico {

// A user's own copy of the catalogue last read from a server, kept so that the
// launcher can start and launch while the server cannot be reached. It is a
// catalogue file holding only what that user was shown: the programs listed,
// the folders and themes, never users, groups or permissions. It lives in the
// user's cache folder, readable by its owner alone, one per server.
class OfflineCopy {
public:
    // $XDG_CACHE_HOME/portico/ (or ~/.cache/portico/), a file named after the connection string.
    static std::filesystem::path fileFor(const std::string& connectionString);

    // Copies the server's catalogue into `file`, keeping of the programs only
    // those with the keys given. The file is replaced at once, never left half
    // written; a failure leaves the old copy. Throws PorticoError.
    static void save(const std::string& connectionString, const std::vector<std::int64_t>& programKeys,
                     const std::filesystem::path& file);

    // The server's change counter as it stood when the copy was read (or
    // earlier); nothing for a copy made before copies kept it, or none at all.
    static std::optional<std::int64_t> changeCount(const std::filesystem::path& file);

    // When the copy was written; nothing when there is no copy.
    static std::optional<std::time_t> writtenAt(const std::filesystem::path& file);
    // "Offline — catalogue of 8 Dec 09:14", in local time.
    static std::string note(std::time_t writtenAt);
};

}  // namespace portico
