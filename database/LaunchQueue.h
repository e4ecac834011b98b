#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace portico {

// The launches a program made that the catalogue has not counted yet. A launch
// never waits for the catalogue: it is handed to a thread of this object, which
// counts it, or keeps it in a queue file when the catalogue cannot be reached
// and sends it with a later launch or after a minute.
class LaunchQueue {
public:
    // A launch: the local day ("YYYY-MM-DD") and the program's name.
    using Launch = std::pair<std::string, std::string>;
    enum class Sent { Counted, Off, Failed };

    // $XDG_STATE_HOME/portico/launches-<digest of the connection string>
    // (default ~/.local/state/portico/...): one queue per catalogue.
    static std::filesystem::path fileFor(const std::string& connectionString);

    // The queue of this process for `connectionString` (made anew when the
    // catalogue changes); it ends with the process.
    static LaunchQueue& shared(const std::string& connectionString);

    LaunchQueue(std::string connectionString, std::filesystem::path file);
    // Waits for a send under way; launches not sent yet stay in the file.
    ~LaunchQueue();
    LaunchQueue(const LaunchQueue&) = delete;
    LaunchQueue& operator=(const LaunchQueue&) = delete;

    // Notes one launch of `program` today; returns at once. With `sendNow`
    // false (the catalogue was just found unreachable) it waits for the next
    // retry, so a launch never adds a login attempt of its own.
    void launched(const std::string& program, bool sendNow = true);

    // Counts `launches` and those in `file` in the catalogue, in one
    // transaction. Counted and Off empty the file (off: nothing is recorded);
    // Failed leaves them all in the file. Never throws.
    static Sent send(const std::filesystem::path& file, const std::string& connectionString,
                     const std::vector<Launch>& launches);

private:
    std::string connectionString_;
    std::filesystem::path file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Launch> waiting_;
    bool stopping_ = false;
    bool retry_ = false;
    std::chrono::steady_clock::time_point offSince_{};
    bool off_ = false;
    std::thread worker_;

    void run();
};

}  // namespace portico
