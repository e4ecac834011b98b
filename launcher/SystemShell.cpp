#include "launcher/SystemShell.h"

#include "launcher/ShellWords.h"
#include "launcher/TerminalCommand.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>


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

struct SpawnOutcome {
    int startErrno = 0;        // non-zero: the program never started
    int earlyExitStatus = -1;  // >= 0: it ended within the wait, with this status
};

// Collects a started program's exit status whenever it ends, so it never stays
// behind as a zombie. The thread sleeps in waitpid and costs nothing meanwhile.
// `onFailure`, when given, hears of an exit with a failure status.
void reapWhenDone(pid_t pid, std::function<void(int status)> onFailure = {}) {
    std::thread([pid, onFailure = std::move(onFailure)] {
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
        }
        if (done != pid || !onFailure) return;
        const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (exitStatus != 0) onFailure(exitStatus);
    }).detach();
}

// Starts argv[0] in its own session, in `directory` when not empty. posix_spawn
// returns once the program has been exec'd and reports a failed exec itself.
SpawnOutcome spawnDetached(const std::vector<std::string>& arguments, const std::string& directory, int waitMs,
                           std::function<void(int status)> onLateFailure = {}) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    // Our open files (the catalogue among them) are not the started program's business.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) return {error, -1};

    SpawnOutcome outcome;
    for (int waited = 0; waited < waitMs; waited += 10) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            outcome.earlyExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return outcome;
        }
        ::poll(nullptr, 0, 10);
    }
    reapWhenDone(pid, std::move(onLateFailure));
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
        // "Open" asks for the associated application: an executable file is
        // opened as a document then, never run.
        document = !request.operation.empty() || !isExecutableFile(target);
    }

    if (!document) {
        const auto words = splitShellWords(request.parameters);
        if (!words) return ShellResult::failure(87, "Invalid parameters (a quote is not closed): " + request.parameters);
        std::vector<std::string> arguments{target.string()};
        arguments.insert(arguments.end(), words->begin(), words->end());
        if (request.terminal) {
            const char* preferred = std::getenv("TERMINAL");
            const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
            const auto terminal = TerminalCommand::find(
                [](const std::string& name) {
                    return name.find('/') == std::string::npos ? findOnPath(name).string()
                                                               : (isExecutableFile(name) ? name : std::string());
                },
                preferred ? preferred : "", desktop ? desktop : "");
            if (terminal.empty())
                return ShellResult::failure(31, file + " runs in a terminal, and no terminal program was found. "
                                                       "Install one (for example xterm), or name yours in the "
                                                       "TERMINAL environment variable.");
            arguments = TerminalCommand::wrap(terminal, arguments);
        }
        const auto outcome = spawnDetached(arguments, request.directory, 0);
        if (outcome.startErrno != 0) return startFailure(file, outcome.startErrno);
        return ShellResult::ok();
    }

    const fs::path opener = opener_.find('/') == std::string::npos ? findOnPath(opener_) : fs::path(opener_);
    if (opener.empty() || !isExecutableFile(opener))
        return ShellResult::failure(31, "No application is associated with " + file + " (" + opener_ + " is not installed)");
    const std::string what = target.empty() ? file : target.string();
    // The opener may still fail after the wait (a handler that is missing, a
    // terminal that is not installed); that news comes later, on its own.
    const std::string openerName = opener.filename().string();
    const auto outcome = spawnDetached({opener.string(), what}, request.directory, openerWaitMs_,
                                       [file, openerName](int status) {
                                           reportLateOpenFailure(file, openerName + " ended with exit status " +
                                                                           std::to_string(status));
                                       });
    if (outcome.startErrno != 0) return startFailure(opener.string(), outcome.startErrno);
    if (outcome.earlyExitStatus > 0)
        return ShellResult::failure(31, "No application is associated with " + file);
    return ShellResult::ok();
}

}  // namespace portico
