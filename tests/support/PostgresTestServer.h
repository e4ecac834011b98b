#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>

namespace portico::test {

// A throwaway PostgreSQL server: a cluster made by initdb in a temporary
// folder, listening only on a Unix socket in that folder. Run as root, it runs
// as "nobody" (initdb refuses root). It is stopped when this object goes, and
// also when the process that started it dies, so a crashed test leaves none
// behind.
class PostgresTestServer {
public:
    // The server of this process, started on first use; nullptr when it cannot
    // be started (unavailableReason says why).
    static PostgresTestServer* shared();
    static const std::string& unavailableReason();

    PostgresTestServer();  // throws std::runtime_error
    ~PostgresTestServer();
    PostgresTestServer(const PostgresTestServer&) = delete;
    PostgresTestServer& operator=(const PostgresTestServer&) = delete;

    // A keyword connection string for `database`, connecting as `user` (the
    // superuser "portico" by default).
    std::string connectionString(const std::string& database, const std::string& user = "portico") const;
    // A new, empty database; its connection string.
    std::string createDatabase();
    // A new database holding an empty catalogue (roles portico_admins, portico_users).
    std::string createCatalogue();
    // Runs `sql` as the superuser; throws std::runtime_error with the server's message.
    void execute(const std::string& sql, const std::string& database = "postgres") const;

    void stop();
    void start();
    bool running() const { return pid_ > 0; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path binaries_;
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int databases_ = 0;
};

}  // namespace portico::test
