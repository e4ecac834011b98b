#include "launcher/ShellWords.h"
#include "launcher/SystemShell.h"
#include "launcher/TerminalCommand.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <mutex>
#include <sstream>
#include <thread>

namespace portico {
namespace {

using test::TempFolder;
using Words = std::vector<std::string>;

TEST(ShellWords, SplitsLikeAShellWithoutExpandingAnything) {
    EXPECT_EQ(splitShellWords(""), Words{});
    EXPECT_EQ(splitShellWords("   \t "), Words{});
    EXPECT_EQ(splitShellWords("-a  -b\tc"), (Words{"-a", "-b", "c"}));
    EXPECT_EQ(splitShellWords("\"two words\" 'single $HOME' plain"), (Words{"two words", "single $HOME", "plain"}));
    EXPECT_EQ(splitShellWords("pre\"mid dle\"post"), (Words{"premid dlepost"}));
    EXPECT_EQ(splitShellWords("\"\" ''"), (Words{"", ""}));
    EXPECT_EQ(splitShellWords(R"("say \"hi\" \\ \n")"), (Words{R"(say "hi" \ \n)"}));
    EXPECT_EQ(splitShellWords(R"(a\ b \'c)"), (Words{"a b", "'c"}));
    EXPECT_EQ(splitShellWords("$(rm -rf /) ; `id` | x > y"),
              (Words{"$(rm", "-rf", "/)", ";", "`id`", "|", "x", ">", "y"}));
    EXPECT_EQ(splitShellWords("Children's"), std::nullopt);
    EXPECT_EQ(splitShellWords("\"open"), std::nullopt);
    EXPECT_EQ(splitShellWords("end\\"), std::nullopt);
}

std::filesystem::path writeScript(const TempFolder& folder, const std::string& name, const std::string& body) {
    const auto path = folder.write(name, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

// Waits for a file that a detached program writes.
std::string awaitFile(const std::filesystem::path& file) {
    for (int i = 0; i < 500; ++i) {
        std::error_code ec;
        if (std::filesystem::exists(file.string() + ".done", ec)) return TempFolder::read(file);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "nothing written to " << file;
    return {};
}

// True when none of our children has ended without being collected (after
// giving the ones just started time to end).
bool noZombieChildren() {
    const std::string self = std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool zombie = false;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            if (!std::getline(stat, line)) continue;
            // pid (comm) state ppid ...
            const auto close = line.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(line.substr(close + 1));
            std::string state, parent;
            rest >> state >> parent;
            if (parent == self && state == "Z") zombie = true;
        }
        if (!zombie) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(SystemShell, StartsAProgramWithItsArgumentsInItsStartInFolderDetached) {
    TempFolder folder;
    const auto out = folder / "out.txt";
    const auto startIn = folder / "start in";
    std::filesystem::create_directories(startIn);
    const auto script = writeScript(folder, "tool.sh",
                                    "{ for a in \"$@\"; do echo \"[$a]\"; done; pwd; } > '" + out.string() +
                                        "'\ntouch '" + out.string() + ".done'\n");

    SystemShell shell;
    const auto result = shell.execute({"", script.string(), "-x \"two words\" 'it''s' $HOME;id", startIn.string(), 1});
    ASSERT_TRUE(result.started) << result.description;
    EXPECT_EQ(awaitFile(out), "[-x]\n[two words]\n[its]\n[$HOME;id]\n" + startIn.string() + "\n");
    EXPECT_TRUE(noZombieChildren());
}

TEST(SystemShell, FailedStartsAreVisible) {
    TempFolder folder;
    const auto script = writeScript(folder, "tool.sh", "exit 0\n");
    const auto noInterpreter = folder.write("broken.sh", "#!/no/such/interpreter\n");
    ::chmod(noInterpreter.c_str(), 0755);
    SystemShell shell(folder.str() + "/no-opener");

    const auto missing = shell.execute({"", (folder / "missing").string(), "", "", 1});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.errorNumber, 2);

    const auto empty = shell.execute({"", "", "", "", 1});
    EXPECT_EQ(empty.errorNumber, 2);

    const auto noFolder = shell.execute({"", script.string(), "", (folder / "gone").string(), 1});
    EXPECT_EQ(noFolder.errorNumber, 3);

    const auto openQuote = shell.execute({"", script.string(), "\"unterminated", "", 1});
    EXPECT_EQ(openQuote.errorNumber, 87);

    const auto badInterpreter = shell.execute({"", noInterpreter.string(), "", "", 1});
    EXPECT_FALSE(badInterpreter.started);
    EXPECT_EQ(badInterpreter.errorNumber, 2);

    const auto document = folder.write("notes.txt", "hello");
    const auto noOpener = shell.execute({"Open", document.string(), "", "", 1});
    EXPECT_EQ(noOpener.errorNumber, 31);

    const auto verb = shell.execute({"print", script.string(), "", "", 1});
    EXPECT_EQ(verb.errorNumber, 31);
    EXPECT_TRUE(noZombieChildren());
}

TEST(SystemShell, DocumentsFoldersAndUrlsGoToTheOpener) {
    TempFolder folder;
    const auto out = folder / "opened.txt";
    const auto opener = writeScript(folder, "opener.sh",
                                    "echo \"$1\" >> '" + out.string() + "'\ntouch '" + out.string() + ".done'\n");
    const auto failingOpener = writeScript(folder, "failing.sh", "exit 3\n");
    const auto document = folder.write("my notes.txt", "hello");

    SystemShell shell(opener.string());
    ASSERT_TRUE(shell.execute({"Open", document.string(), "", "", 1}).started);
    EXPECT_EQ(awaitFile(out), document.string() + "\n");

    std::filesystem::remove(out.string() + ".done");
    ASSERT_TRUE(shell.execute({"open", "https://example.org/a b", "", "", 1}).started);
    EXPECT_EQ(awaitFile(out), document.string() + "\nhttps://example.org/a b\n");

    std::filesystem::remove(out.string() + ".done");
    ASSERT_TRUE(shell.execute({"", folder.str(), "", "", 1}).started);
    EXPECT_EQ(awaitFile(out), document.string() + "\nhttps://example.org/a b\n" + folder.str() + "\n");

    // "Open" on a program opens it with its application; it is not run.
    const auto ran = folder / "ran";
    const auto program = writeScript(folder, "tool.sh", "touch '" + ran.string() + "'\n");
    std::filesystem::remove(out.string() + ".done");
    ASSERT_TRUE(shell.execute({"Open", program.string(), "", "", 1}).started);
    EXPECT_EQ(awaitFile(out), document.string() + "\nhttps://example.org/a b\n" + folder.str() + "\n" +
                                  program.string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(ran));

    SystemShell failing(failingOpener.string());
    const auto result = failing.execute({"Open", document.string(), "", "", 1});
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.errorNumber, 31);
    EXPECT_TRUE(noZombieChildren());
}

TEST(SystemShell, AnOpenerThatFailsAfterItsQuickAnswerIsReportedLater) {
    TempFolder folder;
    // As xdg-open does when the handler it starts is missing: a failure, but late.
    const auto lateFailure = writeScript(folder, "late.sh", "sleep 1\necho 'x-terminal-emulator: not found' >&2\nexit 4\n");
    const auto lateSuccess = writeScript(folder, "fine.sh", "sleep 1\nexit 0\n");
    const auto document = folder.write("notes.odt", "x");

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> reports;
    setLateOpenFailureHandler([&](const std::string& file, const std::string& description) {
        std::lock_guard<std::mutex> guard(lock);
        reports.push_back(file + " | " + description);
        changed.notify_all();
    });

    SystemShell fine(lateSuccess.string(), 200);
    EXPECT_TRUE(fine.execute({"Open", document.string(), "", "", 1}).started);
    SystemShell failing(lateFailure.string(), 200);
    EXPECT_TRUE(failing.execute({"Open", document.string(), "", "", 1}).started);
    {
        std::unique_lock<std::mutex> guard(lock);
        EXPECT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return !reports.empty(); }));
    }
    // Time for the successful opener to end too: it reports nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    setLateOpenFailureHandler({});
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(reports, std::vector<std::string>{document.string() + " | late.sh ended with exit status 4"});
    EXPECT_TRUE(noZombieChildren());
}

TEST(SystemShell, FindsProgramsOnThePath) {
    SystemShell shell;
    EXPECT_TRUE(shell.execute({"", "true", "", "", 1}).started);
    EXPECT_EQ(shell.execute({"", "no-such-program-anywhere", "", "", 1}).errorNumber, 2);
    EXPECT_TRUE(noZombieChildren());
}

TEST(TerminalCommand, PassesTheProgramsOwnArgumentsByEachTerminalsConvention) {
    const Words program{"/usr/bin/vim", "two words", "$HOME;id", "-e"};
    const std::vector<std::pair<Words, Words>> cases = {
        {{"/usr/bin/xdg-terminal-exec"}, {}},
        {{"/usr/bin/x-terminal-emulator"}, {"-e"}},
        {{"/usr/bin/gnome-terminal"}, {"--"}},
        {{"/usr/bin/kgx"}, {"--"}},
        {{"/usr/bin/konsole"}, {"-e"}},
        {{"/usr/bin/xfce4-terminal"}, {"-x"}},
        {{"/usr/bin/mate-terminal"}, {"-x"}},
        {{"/usr/bin/terminator"}, {"-x"}},
        {{"/usr/bin/alacritty"}, {"-e"}},
        {{"/usr/bin/kitty", "--single-instance"}, {}},
        {{"/usr/bin/foot"}, {}},
        {{"/usr/bin/wezterm"}, {"start", "--"}},
        {{"/usr/bin/xterm"}, {"-e"}},
        {{"/opt/odd/my-term"}, {"-e"}},
    };
    for (const auto& [terminal, between] : cases) {
        Words expected = terminal;
        expected.insert(expected.end(), between.begin(), between.end());
        expected.insert(expected.end(), program.begin(), program.end());
        EXPECT_EQ(TerminalCommand::wrap(terminal, program), expected) << terminal.front();
    }
}

TEST(TerminalCommand, TakesThePreferredTerminalThenTheDesktopsThenAKnownOne) {
    struct Case {
        std::map<std::string, std::string> installed;
        std::string preferred;
        std::string desktop;
        Words expected;
    };
    const std::map<std::string, std::string> many = {{"xterm", "/usr/bin/xterm"},
                                                     {"konsole", "/usr/bin/konsole"},
                                                     {"gnome-terminal", "/usr/bin/gnome-terminal"}};
    auto with = [&](std::initializer_list<std::pair<const std::string, std::string>> more) {
        auto all = many;
        all.insert(more);
        return all;
    };
    const std::vector<Case> cases = {
        {with({{"foot", "/usr/bin/foot"}}), "foot", "GNOME", {"/usr/bin/foot"}},
        {with({{"/opt/t/term", "/opt/t/term"}}), "/opt/t/term --hold", "", {"/opt/t/term", "--hold"}},
        {many, "not-installed", "KDE", {"/usr/bin/konsole"}},
        {with({{"xdg-terminal-exec", "/usr/bin/xdg-terminal-exec"}, {"x-terminal-emulator", "/usr/bin/x-te"}}),
         "",
         "KDE",
         {"/usr/bin/xdg-terminal-exec"}},
        {with({{"x-terminal-emulator", "/usr/bin/x-te"}}), "", "KDE", {"/usr/bin/x-te"}},
        {many, "", "ubuntu:GNOME", {"/usr/bin/gnome-terminal"}},
        {{{"xterm", "/usr/bin/xterm"}}, "", "XFCE", {"/usr/bin/xterm"}},
        {{}, "xterm", "GNOME", {}},
    };
    for (const Case& c : cases) {
        const auto lookup = [&](const std::string& name) {
            const auto found = c.installed.find(name);
            return found == c.installed.end() ? std::string() : found->second;
        };
        EXPECT_EQ(TerminalCommand::find(lookup, c.preferred, c.desktop), c.expected) << c.preferred << " " << c.desktop;
    }
}

// Sets an environment variable for one test; nullptr unsets it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable() {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

TEST(SystemShell, ATerminalProgramStartsInTheTerminalWithItsArgumentVector) {
    TempFolder folder;
    const auto out = folder / "out.txt";
    const auto terminal = writeScript(folder, "my-term",
                                      "{ for a in \"$@\"; do echo \"[$a]\"; done; pwd; } > '" + out.string() +
                                          "'\ntouch '" + out.string() + ".done'\n");
    const auto program = writeScript(folder, "tui", "exit 0\n");
    SystemShell shell;
    {
        ScopedVariable preferred("TERMINAL", terminal.c_str());
        ShellRequest request{"", program.string(), "\"two words\" $HOME;id", folder.str(), 1};
        request.terminal = true;
        const auto result = shell.execute(request);
        ASSERT_TRUE(result.started) << result.description;
        EXPECT_EQ(awaitFile(out), "[-e]\n[" + program.string() + "]\n[two words]\n[$HOME;id]\n" + folder.str() + "\n");
    }
    {
        // No terminal anywhere: the program is not started behind the user's back.
        ScopedVariable preferred("TERMINAL", nullptr);
        ScopedVariable desktop("XDG_CURRENT_DESKTOP", nullptr);
        ScopedVariable path("PATH", (folder / "empty").c_str());
        ShellRequest request{"", program.string(), "", "", 1};
        request.terminal = true;
        const auto result = shell.execute(request);
        EXPECT_FALSE(result.started);
        EXPECT_EQ(result.errorNumber, 31);
        EXPECT_EQ(result.description, program.string() +
                                          " runs in a terminal, and no terminal program was found. Install one (for "
                                          "example xterm), or name yours in the TERMINAL environment variable.");
    }
    EXPECT_TRUE(noZombieChildren());
}

}  // namespace
}  // namespace portico
