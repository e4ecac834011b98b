#include "desktop/DesktopEntry.h"
#include "desktop/DesktopExec.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace portico::desktop;

namespace {

std::vector<std::string> words(const std::string& exec) {
    const auto command = parseExec(exec);
    if (!command) return {"<invalid>"};
    std::vector<std::string> all{command->program};
    all.insert(all.end(), command->arguments.begin(), command->arguments.end());
    return all;
}

}  // namespace

TEST(DesktopEntry, GroupsKeysLocalesAndGarbage) {
    const auto entry = DesktopEntry::parse(
        "# comment\n"
        "junk line without equals\n"
        "[Desktop Entry]\r\n"
        "Name = Text Editor \n"
        "Name[de]=Texteditor\n"
        "Name[sr@latin]=Uređivač\n"
        "Name[sr]=Уређивач\n"
        "Name=second value is ignored\n"
        "Comment=Line one\\nline two\\sand\\tmore\\\\\n"
        "Keywords=a;b\\;c;;d;\n"
        "NoDisplay=true\n"
        "Hidden=false\n"
        "[Desktop Action New]\n"
        "Name=New Window\n"
        "[Desktop Entry]\n"
        "Exec=ignored, repeated group\n"
        "[broken\n"
        "Key=outside any group\n");
    EXPECT_EQ(entry.string("Name"), "Text Editor");
    EXPECT_EQ(entry.localeString("Name", "de_DE.UTF-8"), "Texteditor");
    EXPECT_EQ(entry.localeString("Name", "sr_RS@latin"), "Uređivač");
    EXPECT_EQ(entry.localeString("Name", "sr_RS"), "Уређивач");
    EXPECT_EQ(entry.localeString("Name", "fr_FR"), "Text Editor");
    EXPECT_EQ(entry.localeString("Name", "C"), "Text Editor");
    EXPECT_EQ(entry.string("Comment"), "Line one\nline two and\tmore\\");
    EXPECT_EQ(entry.list("Keywords"), (std::vector<std::string>{"a", "b;c", "", "d"}));
    EXPECT_TRUE(entry.boolean("NoDisplay"));
    EXPECT_FALSE(entry.boolean("Hidden"));
    EXPECT_FALSE(entry.boolean("Missing"));
    EXPECT_EQ(entry.string("Name", "Desktop Action New"), "New Window");
    EXPECT_FALSE(entry.rawValue("Exec"));
    EXPECT_FALSE(entry.hasGroup("broken"));
}

TEST(DesktopExec, QuotingAndEscapes) {
    EXPECT_EQ(words("xterm"), (std::vector<std::string>{"xterm"}));
    EXPECT_EQ(words("  prog   a  b "), (std::vector<std::string>{"prog", "a", "b"}));
    EXPECT_EQ(words(R"("/opt/My App/run" --title "Hello World")"),
              (std::vector<std::string>{"/opt/My App/run", "--title", "Hello World"}));
    // Inside quotes \" \` \$ \\ are escapes; the string escape runs first, so the
    // file needs four backslashes for one.
    EXPECT_EQ(words(R"(sh -c "echo \\"hi\\" \\$HOME \\`x\\` a\\\\b")"),
              (std::vector<std::string>{"sh", "-c", R"(echo "hi" $HOME `x` a\b)"}));
    EXPECT_EQ(words(R"(prog "" end)"), (std::vector<std::string>{"prog", "", "end"}));
    EXPECT_EQ(words(R"(prog --opt="a b"c)"), (std::vector<std::string>{"prog", "--opt=a bc"}));
    // \s is undone before splitting: a blank inside a word needs quotes.
    EXPECT_EQ(words("prog\\sname \"a\\sb\""), (std::vector<std::string>{"prog", "name", "a b"}));
    EXPECT_EQ(words(R"(prog "unclosed)"), (std::vector<std::string>{"<invalid>"}));
    EXPECT_EQ(words(""), (std::vector<std::string>{"<invalid>"}));
    EXPECT_EQ(words("%F"), (std::vector<std::string>{"<invalid>"}));
}

TEST(DesktopExec, EveryFieldCodeIsRemovedAndPercentPercentKept) {
    for (const char* code : {"%f", "%F", "%u", "%U", "%i", "%c", "%k", "%d", "%D", "%n", "%N", "%v", "%m"}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(words(std::string("app --x ") + code + " --y"), (std::vector<std::string>{"app", "--x", "--y"}));
        EXPECT_EQ(words(std::string("app \"") + code + "\""), (std::vector<std::string>{"app"}));
    }
    EXPECT_EQ(words("app --file=%f --rate 100%% %%u"), (std::vector<std::string>{"app", "--file=", "--rate", "100%", "%u"}));
    EXPECT_EQ(words("app %z end"), (std::vector<std::string>{"app", "end"}));
    EXPECT_EQ(words("app trailing%"), (std::vector<std::string>{"app", "trailing%"}));
}

TEST(DesktopExec, PercentCBecomesTheEntrysName) {
    const auto command = parseExec("app --n=%c %c", "X Clock");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->arguments, (std::vector<std::string>{"--n=X Clock", "X Clock"}));
}

TEST(DesktopExec, JoinedParametersSplitBackTheSame) {
    EXPECT_EQ(joinShellWords({"-a", "--opt=x", "/tmp/f.txt"}), "-a --opt=x /tmp/f.txt");
    EXPECT_EQ(joinShellWords({"two words", "it's", "", "$HOME", "a\\b"}),
              "'two words' 'it'\\''s' '' '$HOME' 'a\\b'");
}

TEST(DesktopExec, FindExecutableOnTheSearchPath) {
    EXPECT_EQ(findExecutable("sh", "/nonexistent:/bin"), "/bin/sh");
    EXPECT_EQ(findExecutable("sh", "relative::/nonexistent"), "");
    EXPECT_EQ(findExecutable("/bin/sh", ""), "/bin/sh");
    EXPECT_EQ(findExecutable("/dev/null", "/bin"), "");  // not a regular file
    EXPECT_EQ(findExecutable("", "/bin"), "");
    portico::test::TempFolder folder;
    const auto plain = folder.write("tool", "#!/bin/sh\n");
    EXPECT_EQ(findExecutable("tool", folder.str()), "");  // no execute bit, also for root
    std::filesystem::permissions(plain, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    EXPECT_EQ(findExecutable("tool", folder.str()), plain.string());
}
