#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace portico {

// What one user launches, kept for that user only in
// $XDG_STATE_HOME/portico/usage (~/.local/state when unset), never in the
// catalogue: for each program a weight that grows by one a launch and halves
// every two weeks, the time of the last launch, and whether it is pinned.
// The file stays small: the weakest entries make way beyond kMaxEntries.
class UsageHistory {
public:
    using Clock = std::chrono::system_clock;
    static constexpr std::size_t kMaxEntries = 200;

    // `file` empty: the per-user file above. Reads it; a missing or damaged
    // file is an empty history.
    explicit UsageHistory(std::filesystem::path file = {});

    static std::filesystem::path defaultFile();

    // Counts a launch (and writes the file; a file that cannot be written
    // loses only the history).
    void recordLaunch(const std::string& name, Clock::time_point now = Clock::now());
    void setPinned(const std::string& name, bool pinned);
    bool pinned(const std::string& name) const;
    // The launch weight at `now` (0 for a program never launched).
    double weight(const std::string& name, Clock::time_point now = Clock::now()) const;
    // Pinned programs in the order they were pinned.
    std::vector<std::string> pinnedNames() const;
    // Launched programs, the heaviest first, at most `count`.
    std::vector<std::string> recentNames(std::size_t count, Clock::time_point now = Clock::now()) const;
    // Changes whenever the history does, for those who keep derived figures.
    std::uint64_t generation() const { return generation_; }
    const std::filesystem::path& file() const { return file_; }

private:
    struct Entry {
        double weight = 0;           // at `last`
        std::int64_t last = 0;       // seconds since the epoch
        std::int64_t pinnedAt = 0;   // 0: not pinned; else an order of pinning
    };
    void load();
    void save() const;
    void trim();
    static double decayed(const Entry& entry, std::int64_t now);

    std::filesystem::path file_;
    std::unordered_map<std::string, Entry> entries_;
    std::int64_t nextPin_ = 1;
    std::uint64_t generation_ = 0;
};

}  // namespace portico
