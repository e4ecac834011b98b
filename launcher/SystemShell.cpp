#include "SystemShell.h"

#include "ShellWords.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace portico {
namespace fs = std::filesystem;

namespace {

bool isExecutableFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// The first executable called `name` on PATH; empty when none.
fs::path findOnPath(const std::string& name) {
    const char* pathVariable = std::getenv("PATH");
    const std::string path = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find(':', start), path.size());
        const std::string folder = path.substr(start, end - start);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        if (isExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

bool looksLikeUrl(const std::string& file) {
    const auto colon = file.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    const bool schemeChars = std::all_of(file.begin(), file.begin() + static_cast<long>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
    return schemeChars && (file.compare(colon, 3, "://") == 0 || file.compare(0, 7, "mailto:") == 0);
}

bool sameTextIgnoringCase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// What the pipe from the started process carries: a failure and its errno, or
// the opener's early exit status.
struct ChildReport {
    int kind;  // 1 = could not start (value = errno), 2 = exited early (value = status)
    int value;
};

void writeReport(int fd, int kind, int value) {
    const ChildReport report{kind, value};
    [[maybe_unused]] ssize_t ignored = ::write(fd, &report, sizeof report);
}

struct SpawnOutcome {
    int startErrno = 0;       // non-zero: the program never started
    int earlyExitStatus = -1;  // >= 0: it ended within the wait, with this status
};

// Starts argv[0] detached, in `directory` when not empty. Only async-signal-safe
// calls happen between fork and exec: the launcher has threads (Qt's).
SpawnOutcome spawnDetached(const std::vector<std::string>& arguments, const std::string& directory, int waitMs) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const char* folder = directory.empty() ? nullptr : directory.c_str();

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {errno, -1};

    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return {error, -1};
    }
    if (middle == 0) {
        ::close(pipeFds[0]);
        ::setsid();
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGCHLD, SIG_DFL);
        const pid_t program = ::fork();
        if (program < 0) {
            writeReport(pipeFds[1], 1, errno);
            ::_exit(127);
        }
        if (program == 0) {
            if (folder && ::chdir(folder) != 0) {
                writeReport(pipeFds[1], 1, errno);
                ::_exit(127);
            }
#if defined(CLOSE_RANGE_CLOEXEC)
            // Our open files (the catalogue among them) are not the started program's business.
            ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
            ::execv(argv[0], argv.data());
            writeReport(pipeFds[1], 1, errno);
            ::_exit(127);
        }
        int remaining = waitMs;
        while (remaining > 0) {
            int status = 0;
            const pid_t done = ::waitpid(program, &status, WNOHANG);
            if (done == program) {
                writeReport(pipeFds[1], 2, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
                break;
            }
            ::poll(nullptr, 0, 10);
            remaining -= 10;
        }
        // Leaving now hands the program to init (or the session's subreaper).
        ::_exit(0);
    }

    ::close(pipeFds[1]);
    SpawnOutcome outcome;
    ChildReport report{};
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], reinterpret_cast<char*>(&report) + got, sizeof report - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
        if (got == sizeof report) {
            if (report.kind == 1 && outcome.startErrno == 0) outcome.startErrno = report.value == 0 ? EIO : report.value;
            if (report.kind == 2) outcome.earlyExitStatus = report.value;
            got = 0;
        }
    }
    ::close(pipeFds[0]);
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

ShellResult startFailure(const std::string& file, int error) {
    const std::string reason = std::strerror(error);
    if (error == ENOENT) return ShellResult::failure(2, "File not found: " + file + " (" + reason + ")");
    return ShellResult::failure(5, "Unable to start " + file + ": " + reason);
}

}  // namespace

SystemShell::SystemShell(std::string opener, int openerWaitMs) : opener_(std::move(opener)), openerWaitMs_(openerWaitMs) {}

ShellResult SystemShell::execute(const ShellRequest& request) {
    if (!request.operation.empty() && !sameTextIgnoringCase(request.operation, "open"))
        return ShellResult::failure(31, "No application is associated with the operation \"" + request.operation + "\"");
    const std::string& file = request.file;
    if (file.empty()) return ShellResult::failure(2, "File not found: no file name given");

    std::error_code ec;
    if (!request.directory.empty() && !fs::is_directory(request.directory, ec))
        return ShellResult::failure(3, "Path not found: " + request.directory);

    fs::path target;
    bool document = looksLikeUrl(file);
    if (!document) {
        if (file.find('/') == std::string::npos) target = findOnPath(file);
        if (target.empty() && !request.directory.empty() && fs::path(file).is_relative() &&
            fs::exists(fs::path(request.directory) / file, ec))
            target = fs::path(request.directory) / file;
        if (target.empty()) target = file;
        if (!fs::exists(target, ec)) return ShellResult::failure(2, "File not found: " + file);
        target = fs::absolute(target, ec);
        document = !isExecutableFile(target);
    }

    if (!document) {
        const auto words = splitShellWords(request.parameters);
        if (!words) return ShellResult::failure(87, "Invalid parameters (a quote is not closed): " + request.parameters);
        std::vector<std::string> arguments{target.string()};
        arguments.insert(arguments.end(), words->begin(), words->end());
        const auto outcome = spawnDetached(arguments, request.directory, 0);
        if (outcome.startErrno != 0) return startFailure(file, outcome.startErrno);
        return ShellResult::ok();
    }

    const fs::path opener = opener_.find('/') == std::string::npos ? findOnPath(opener_) : fs::path(opener_);
    if (opener.empty() || !isExecutableFile(opener))
        return ShellResult::failure(31, "No application is associated with " + file + " (" + opener_ + " is not installed)");
    const std::string what = target.empty() ? file : target.string();
    const auto outcome = spawnDetached({opener.string(), what}, request.directory, openerWaitMs_);
    if (outcome.startErrno != 0) return startFailure(opener.string(), outcome.startErrno);
    if (outcome.earlyExitStatus > 0)
        return ShellResult::failure(31, "No application is associated with " + file);
    return ShellResult::ok();
}

}  // namespace portico
