#include "tests/support/PostgresTestServer.h"

#include "database/CatalogueServer.h"

#include <libpq-fe.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace portico::test {
namespace {

std::filesystem::path findBinaries() {
    if (const char* configured = std::getenv("PORTICO_PG_BINDIR")) {
        if (!std::filesystem::exists(std::filesystem::path(configured) / "initdb"))
            throw std::runtime_error(std::string("there is no initdb in PORTICO_PG_BINDIR (") + configured + ")");
        return configured;
    }
    std::filesystem::path best;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const auto bin = entry.path() / "bin";
        if (std::filesystem::exists(bin / "initdb") && (best.empty() || bin > best)) best = bin;
    }
    if (!best.empty()) return best;
    if (const char* path = std::getenv("PATH")) {
        std::stringstream folders(path);
        for (std::string folder; std::getline(folders, folder, ':');)
            if (std::filesystem::exists(std::filesystem::path(folder) / "initdb")) return folder;
    }
    throw std::runtime_error("PostgreSQL's initdb was not found (install postgresql, or set PORTICO_PG_BINDIR)");
}

// Drops root for "nobody" in a child about to run a server program.
void becomeUnprivileged() {
    if (geteuid() != 0) return;
    const passwd* user = getpwnam("nobody");
    if (!user || setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0) _exit(126);
}

// Starts `arguments` in `folder` with its output in `log`; the child dies with us when `tied`.
pid_t spawn(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
            const std::filesystem::path& log, bool tied) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid > 0) return pid;
    becomeUnprivileged();
    // After the change of user, which would clear it.
    if (tied && (prctl(PR_SET_PDEATHSIG, SIGQUIT) != 0 || getppid() != parent)) _exit(125);
    if (chdir(folder.c_str()) != 0) _exit(124);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
        close(out);
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string unavailable;

}  // namespace

PostgresTestServer* PostgresTestServer::shared() {
    static std::unique_ptr<PostgresTestServer> server = []() -> std::unique_ptr<PostgresTestServer> {
        try {
            return std::make_unique<PostgresTestServer>();
        } catch (const std::exception& error) {
            unavailable = error.what();
            return nullptr;
        }
    }();
    return server.get();
}

const std::string& PostgresTestServer::unavailableReason() { return unavailable; }

PostgresTestServer::PostgresTestServer() : binaries_(findBinaries()) {
    // Short: a socket's path must fit in 107 bytes.
    std::string pattern = "/tmp/portico-pg-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    folder_ = pattern;
    try {
        if (geteuid() == 0) {
            const passwd* user = getpwnam("nobody");
            if (!user) throw std::runtime_error("there is no user nobody to run the server as");
            if (chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0)
                throw std::runtime_error("cannot hand the server's folder to nobody");
        }
        const auto log = folder_ / "initdb.log";
        if (waitFor(spawn({(binaries_ / "initdb").string(), "-D", (folder_ / "data").string(), "-U", "portico", "-A",
                           "trust", "-E", "UTF8", "--locale=C", "--no-sync"},
                          folder_, log, true)) != 0)
            throw std::runtime_error("initdb failed: " + readFile(log));
        // One role logs in with a password, for the tests of refused logins.
        const auto hba = folder_ / "data" / "pg_hba.conf";
        const std::string rules = readFile(hba);
        std::ofstream(hba, std::ios::trunc) << "local all portico_password scram-sha-256\n" << rules;
        start();
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        throw;
    }
}

PostgresTestServer::~PostgresTestServer() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

void PostgresTestServer::start() {
    if (pid_ > 0) return;
    pid_ = spawn({(binaries_ / "postgres").string(), "-D", (folder_ / "data").string(), "-k", folder_.string(), "-c",
                  "listen_addresses=", "-c", "fsync=off", "-c", "full_page_writes=off", "-c", "synchronous_commit=off"},
                 folder_, folder_ / "server.log", true);
    const std::string probe = connectionString("postgres") + " connect_timeout=2";
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (PQping(probe.c_str()) == PQPING_OK) return;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the server did not start: " + readFile(folder_ / "server.log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop();
    throw std::runtime_error("the server did not accept connections within 30 s");
}

void PostgresTestServer::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGINT);  // fast shutdown: clients are disconnected
    waitFor(pid_);
    pid_ = -1;
}

std::string PostgresTestServer::connectionString(const std::string& database, const std::string& user) const {
    return "host=" + folder_.string() + " dbname=" + database + " user=" + user;
}

void PostgresTestServer::execute(const std::string& sql, const std::string& database) const {
    PGconn* connection = PQconnectdb(connectionString(database).c_str());
    std::string failure;
    if (PQstatus(connection) != CONNECTION_OK) {
        failure = PQerrorMessage(connection);
    } else {
        PGresult* result = PQexec(connection, sql.c_str());
        const auto status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) failure = PQerrorMessage(connection);
        PQclear(result);
    }
    PQfinish(connection);
    if (!failure.empty()) throw std::runtime_error(sql + ": " + failure);
}

std::string PostgresTestServer::createDatabase() {
    const std::string name = "catalogue_" + std::to_string(++databases_);
    execute("CREATE DATABASE " + name);
    return connectionString(name);
}

std::string PostgresTestServer::createCatalogue() {
    const std::string connection = createDatabase();
    CatalogueServer::create(connection);
    return connection;
}

}  // namespace portico::test
