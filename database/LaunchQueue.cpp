#include "database/LaunchQueue.h"

#include "database/Connection.h"
#include "database/Sha256.h"
#include "database/UsageCounter.h"
#include "database/ChangeHistory.h"
#include "settings/PorticoError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

namespace portico {
namespace {

// A launch seen while counting was off is dropped; this long after, counting is asked about again.
constexpr auto kOffRecheck = std::chrono::minutes(5);
constexpr auto kRetry = std::chrono::minutes(1);
constexpr std::size_t kLongestLine = 4096;

// Holds the queue file's lock while the file is read and rewritten.
class LockedFile {
public:
    // Without `create`, a missing file stays missing (and closed).
    LockedFile(const std::filesystem::path& file, bool create) {
        std::error_code ec;
        if (create) std::filesystem::create_directories(file.parent_path(), ec);
        descriptor_ = ::open(file.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
        if (descriptor_ >= 0) ::flock(descriptor_, LOCK_EX);
    }
    ~LockedFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }

    std::vector<LaunchQueue::Launch> read() const {
        std::string content;
        char buffer[4096];
        ::lseek(descriptor_, 0, SEEK_SET);
        for (ssize_t got; (got = ::read(descriptor_, buffer, sizeof buffer)) > 0;) content.append(buffer, static_cast<std::size_t>(got));
        std::vector<LaunchQueue::Launch> launches;
        std::istringstream lines(content);
        for (std::string line; std::getline(lines, line);) {
            // "YYYY-MM-DD<TAB>name"; anything else is no launch of ours.
            if (line.size() < 12 || line.size() > kLongestLine || line[10] != '\t') continue;
            launches.emplace_back(line.substr(0, 10), line.substr(11));
        }
        return launches;
    }

    bool write(const std::vector<LaunchQueue::Launch>& launches) const {
        std::string content;
        for (const auto& [day, name] : launches) content += day + "\t" + name + "\n";
        if (::ftruncate(descriptor_, 0) != 0 || ::lseek(descriptor_, 0, SEEK_SET) != 0) return false;
        for (std::size_t done = 0; done < content.size();) {
            const ssize_t wrote = ::write(descriptor_, content.data() + done, content.size() - done);
            if (wrote <= 0) return false;
            done += static_cast<std::size_t>(wrote);
        }
        return ::fsync(descriptor_) == 0;
    }

private:
    int descriptor_ = -1;
};

// A name on one line of the queue.
std::string oneLine(std::string name) {
    for (char& c : name)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return name.substr(0, kLongestLine - 11);
}

}  // namespace

std::filesystem::path LaunchQueue::fileFor(const std::string& connectionString) {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    return base / "portico" / ("launches-" + Sha256::hex(connectionString, 16));
}

LaunchQueue& LaunchQueue::shared(const std::string& connectionString) {
    static std::unique_ptr<LaunchQueue> queue;
    if (!queue || queue->connectionString_ != connectionString)
        queue = std::make_unique<LaunchQueue>(connectionString, fileFor(connectionString));
    return *queue;
}

LaunchQueue::LaunchQueue(std::string connectionString, std::filesystem::path file)
    : connectionString_(std::move(connectionString)), file_(std::move(file)) {
    // Launches left from an earlier run are sent at start.
    std::error_code ec;
    retry_ = std::filesystem::file_size(file_, ec) > 0 && !ec;
    worker_ = std::thread([this] { run(); });
}

LaunchQueue::~LaunchQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void LaunchQueue::launched(const std::string& program, bool sendNow) {
    {
        std::lock_guard lock(mutex_);
        if (off_ && std::chrono::steady_clock::now() - offSince_ < kOffRecheck) return;
        waiting_.emplace_back(ChangeHistory::localDate(), oneLine(program));
    }
    if (sendNow) wake_.notify_all();
}

void LaunchQueue::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait_for(lock, kRetry, [this] { return stopping_ || !waiting_.empty(); });
        std::vector<Launch> launches = std::move(waiting_);
        waiting_.clear();
        if (stopping_) {
            // Too late to reach the catalogue: kept for the next run.
            if (!launches.empty()) {
                LockedFile queue(file_, true);
                if (queue.isOpen()) {
                    auto all = queue.read();
                    all.insert(all.end(), launches.begin(), launches.end());
                    queue.write(all);
                }
            }
            return;
        }
        if (launches.empty() && !retry_) continue;
        lock.unlock();
        const Sent sent = send(file_, connectionString_, launches);
        lock.lock();
        retry_ = sent == Sent::Failed;
        off_ = sent == Sent::Off;
        if (off_) offSince_ = std::chrono::steady_clock::now();
    }
}

LaunchQueue::Sent LaunchQueue::send(const std::filesystem::path& file, const std::string& connectionString,
                                    const std::vector<Launch>& launches) {
    std::optional<LockedFile> queue;
    queue.emplace(file, false);
    std::vector<Launch> all = queue->isOpen() ? queue->read() : std::vector<Launch>{};
    all.insert(all.end(), launches.begin(), launches.end());
    if (all.empty()) return Sent::Counted;
    std::map<Launch, int> counts;
    for (const Launch& launch : all) ++counts[launch];
    Sent sent = Sent::Counted;
    try {
        Connection connection;
        connection.setConnectionTimeout(5);
        connection.setCommandTimeout(10);
        connection.setConnectionString(connectionString);
        connection.Open();
        Engine& engine = connection.engine("Portico");
        if (UsageCounter::recording(engine) == UsageCounter::Recording::Off) {
            sent = Sent::Off;
        } else {
            connection.BeginTrans();
            for (const auto& [launch, times] : counts) UsageCounter::count(engine, launch.second, launch.first, times);
            connection.CommitTrans();
        }
    } catch (const PorticoError&) {
        sent = Sent::Failed;
    }
    // Not lost: what could not be sent stays for the next try.
    if (sent == Sent::Failed && !queue->isOpen()) {
        queue.reset();
        queue.emplace(file, true);
    }
    if (queue->isOpen()) queue->write(sent == Sent::Failed ? all : std::vector<Launch>{});
    return sent;
}

}  // namespace portico
