#include "offline/OfflineCopy.h"

#include "database/AdoErrors.h"
#include "database/CatalogueCopy.h"
#include "database/CatalogueFile.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace portico {
namespace {

// The header's user version is a signed 32-bit number.
constexpr std::int64_t kMaxStoredCounter = 0x7fffffff;

std::filesystem::path cacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') return std::filesystem::path(cache) / "portico";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".cache" / "portico";
}

// A folder only its owner may enter, removed with what it holds when this goes.
class PrivateFolder {
public:
    explicit PrivateFolder(const std::filesystem::path& parent) {
        std::string pattern = (parent / ".copy-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw PorticoError(errors::kPathFileAccessError, "Cannot write the offline copy in " + parent.string(),
                               ado::kEngineSource);
        path_ = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

std::filesystem::path OfflineCopy::fileFor(const std::string& connectionString) {
    // FNV-1a: a stable name per server, telling two sites' copies apart.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : connectionString) hash = (hash ^ c) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "catalogue-%016llx.db", static_cast<unsigned long long>(hash));
    return cacheFolder() / name;
}

void OfflineCopy::save(const std::string& connectionString, const std::vector<std::int64_t>& programKeys,
                       const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    const PrivateFolder work(folder);
    const std::filesystem::path written = work.path() / file.filename();
    CatalogueFile::create(written);
    ::chmod(written.c_str(), 0600);
    // Read before the rows are: a change made while they are copied makes the
    // copy look older than it is, never newer.
    std::optional<std::int64_t> counter;
    try {
        Connection server;
        server.setConnectionString(connectionString);
        server.Open();
        const auto rows =
            server.engine(ado::kConnectionSource).run("SELECT counter FROM portico_changes WHERE id = 1", {}).rows;
        if (!rows.empty()) counter = rows.front().front().toInt64();
    } catch (const PorticoError&) {
        // A catalogue without a counter: the copy keeps none either.
    }
    // Users may not read the history, and a copy has no use for it.
    CatalogueCopy::copy(connectionString, written.string(), true, false);
    {
        Connection copy;
        copy.setConnectionString(written.string());
        copy.Open();
        Engine& engine = copy.engine(ado::kConnectionSource);
        const std::set<std::int64_t> shown(programKeys.begin(), programKeys.end());
        std::vector<std::int64_t> hidden;
        for (const auto& row : engine.run("SELECT Program_Key FROM Program", {}).rows)
            if (!shown.count(row.at(0).toInt64())) hidden.push_back(row.at(0).toInt64());
        copy.BeginTrans();
        for (std::int64_t key : hidden) engine.run("DELETE FROM Program WHERE Program_Key = ?", {Variant(key)});
        engine.run("DELETE FROM Permission", {});
        engine.run("DELETE FROM [User]", {});
        engine.run("DELETE FROM [Group]", {});
        copy.CommitTrans();
        // The header's user version holds the counter plus one; 0 means none.
        if (counter && *counter >= 0 && *counter < kMaxStoredCounter)
            engine.run("PRAGMA user_version = " + std::to_string(*counter + 1), {});
        // What was deleted must not stay readable in the file's free pages.
        engine.run("VACUUM", {});
    }
    std::filesystem::rename(written, file);
}

std::optional<std::int64_t> OfflineCopy::changeCount(const std::filesystem::path& file) {
    const auto stored = CatalogueFile::headerField(file, 60);
    if (!stored || *stored == 0 || *stored > kMaxStoredCounter) return std::nullopt;
    return std::int64_t{*stored} - 1;
}

std::optional<std::time_t> OfflineCopy::writtenAt(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return status.st_mtime;
}

std::string OfflineCopy::note(std::time_t writtenAt) {
    std::tm local{};
    localtime_r(&writtenAt, &local);
    char when[32];
    std::strftime(when, sizeof when, "%e %b %H:%M", &local);
    std::string text = when;
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return "Offline \u2014 catalogue of " + text;
}

}  // namespace portico
