#include "settings/Profile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace portico {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct ReadCase {
    const char* name;
    std::string content;
    std::string section;
    std::string key;
    std::string defaultValue;
    std::size_t buffer;
    std::string expected;
};

TEST(Profile, StringReads) {
    const std::string long300(300, 'v');
    const std::vector<ReadCase> cases = {
        {"plain", "[S]\nk=v\n", "S", "k", "d", 255, "v"},
        {"names ignore case", "[sEc]\nKeY=v\n", "SEC", "key", "d", 255, "v"},
        {"blanks around names and values", "  [ S ]  \n \t k  =  v w  \n", " s ", " K ", "d", 255, "v w"},
        {"double quotes", "[S]\nk=\"  a b \"\n", "S", "k", "d", 255, "  a b "},
        {"single quotes", "[S]\nk='x'\n", "S", "k", "d", 255, "x"},
        {"unmatched quotes stay", "[S]\nk=\"x'\n", "S", "k", "d", 255, "\"x'"},
        {"one quote stays", "[S]\nk=\"\n", "S", "k", "d", 255, "\""},
        {"CRLF", "[S]\r\nk=v\r\n", "S", "k", "d", 255, "v"},
        {"no trailing newline", "[S]\nk=v", "S", "k", "d", 255, "v"},
        {"empty value is not the default", "[S]\nk=\n", "S", "k", "d", 255, ""},
        {"comment line is no key", "[S]\n;k=v\n", "S", "k", "d", 255, "d"},
        {"semicolon inside a value", "[S]\nk=v ; c\n", "S", "k", "d", 255, "v ; c"},
        {"first of duplicate sections", "[S]\nk=1\n[s]\nk=2\nj=3\n", "S", "k", "d", 255, "1"},
        {"later duplicate section unseen", "[S]\nk=1\n[s]\nk=2\nj=3\n", "S", "j", "d", 255, "d"},
        {"first of duplicate keys", "[S]\nk=1\nK=2\n", "S", "k", "d", 255, "1"},
        {"missing key gives default less trailing blanks", "[S]\n", "S", "k", " d  ", 255, " d"},
        {"key of another section", "[T]\nk=v\n", "S", "k", "d", 255, "d"},
        {"key before any section", "k=v\n[S]\n", "S", "k", "d", 255, "d"},
        {"key without equals reads the default", "[S]\nk\n", "S", "k", "d", 255, "d"},
        {"unclosed header opens no section", "[S\nk=v\n", "S", "k", "d", 255, "d"},
        {"unclosed header keeps the section before", "[S]\n[T\nk=v\n", "S", "k", "d", 255, "v"},
        {"text after the bracket", "[Bad]x\nk=v\n", "Bad", "k", "d", 255, "v"},
        {"254 of 300 characters", "[S]\nk=" + long300 + "\n", "S", "k", "d", 255, long300.substr(0, 254)},
        {"buffer of one", "[S]\nk=v\n", "S", "k", "d", 1, ""},
        {"buffer of zero", "[S]\nk=v\n", "S", "k", "d", 0, ""},
        {"characters, not bytes", "[S]\nk=\xC3\xA9\xC3\xA9\xC3\xA9\n", "S", "k", "d", 3, "\xC3\xA9\xC3\xA9"},
        {"byte order mark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "d", 255, "v"},
        {"UTF-8 names", "[R\xC3\xA9glages]\ncl\xC3\xA9=v\n", "R\xC3\xA9glages", "cl\xC3\xA9", "d", 255, "v"},
    };
    test::TempFolder temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = temp.write("case.ini", c.content);
        const auto read = profile::getString(c.section, c.key, c.defaultValue, c.buffer, file);
        EXPECT_EQ(read.text, c.expected);
        std::size_t characters = 0;
        for (const char byte : c.expected) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
        EXPECT_EQ(read.count, characters);
    }
}

TEST(Profile, IntegerReads) {
    struct Case {
        std::string value;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"k=5", 5},       {"k=-5", -5},        {"k= 42abc", 42},
        {"k=abc", 0},     {"k=", 77},          {"other=1", 77},
        {"k=0x1F", 31},   {"k='7'", 7},        {"k=+3", 3},
        {"k=99999999999", std::numeric_limits<std::int32_t>::max()},
        {"k=-99999999999", std::numeric_limits<std::int32_t>::min()},
    };
    test::TempFolder temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const auto file = temp.write("case.ini", "[S]\n" + c.value + "\n");
        EXPECT_EQ(profile::getInt("s", "K", 77, file), c.expected);
    }
    EXPECT_EQ(profile::getInt("S", "k", 9, temp / "missing.ini"), 9);
}

TEST(Profile, SectionListing) {
    test::TempFolder temp;
    const auto file = temp.write("s.ini", "[S]\na=1\n;c\nb = 2 \nflag\n\n[T]\nc=3\n[Empty]\n");
    const auto all = profile::getSection("s", 4096, file);
    EXPECT_EQ(all.text, "a=1\0b=2\0flag\0"s);
    EXPECT_EQ(all.count, 13u);
    EXPECT_EQ(profile::getSection("Empty", 4096, file).count, 0u);
    EXPECT_EQ(profile::getSection("None", 4096, file).text, "");

    // "a=1\0b=2\0flag\0" needs 14; with 9, Windows copies 7 characters and the two
    // NULs that end a list.
    const auto cut = profile::getSection("S", 9, file);
    EXPECT_EQ(cut.text, "a=1\0b=2"s);
    EXPECT_EQ(cut.count, 7u);
    const auto general = temp.write("general.ini", "[General]\nKey=Value\n");
    EXPECT_EQ(profile::getSection("General", 8, general).text, "Key=Va");
    EXPECT_EQ(profile::getSection("General", 8, general).count, 6u);
}

TEST(Profile, DosEndOfFileMarkIsNoPartOfTheValue) {
    test::TempFolder temp;
    const auto file = temp.write("dos.ini", "[S]\r\nk=last\x1a");
    EXPECT_EQ(profile::getString("S", "k", "", 255, file).text, "last");
    const auto ended = temp.write("ended.ini", "[S]\r\nk=v\r\n\x1a");
    EXPECT_EQ(profile::getSection("S", 4096, ended).text, "k=v\0"s);
    EXPECT_TRUE(profile::writeString("S", "n", "2", ended));
    EXPECT_EQ(profile::getString("S", "n", "", 255, ended).text, "2");
    EXPECT_EQ(profile::getString("S", "k", "", 255, ended).text, "v");
    // A line that carries the mark is written back byte for byte when another line changes.
    const auto marked = temp.write("marked.ini", "; note\x1a\r\n[S]\r\nk=v\r\n");
    EXPECT_TRUE(profile::writeString("S", "k", "w", marked));
    EXPECT_EQ(test::TempFolder::read(marked), "; note\x1a\r\n[S]\r\nk=w\r\n");
}

struct WriteCase {
    const char* name;
    std::optional<std::string> initial;  // nullopt: no file
    std::optional<std::string> section;
    std::optional<std::string> key;
    std::optional<std::string> value;
    bool result;
    std::optional<std::string> expected;  // nullopt: still no file
};

TEST(Profile, Writes) {
    const std::vector<WriteCase> cases = {
        {"creates the file", std::nullopt, "S", "k", "v", true, "[S]\nk=v\n"},
        {"appends a key at the end of its section", "[S]\na=1\n\n[T]\nb=2\n", "s", "c", "3", true,
         "[S]\na=1\nc=3\n\n[T]\nb=2\n"},
        {"appends a section at the end", "[S]\na=1", "T", "b", "2", true, "[S]\na=1\n\n[T]\nb=2\n"},
        {"replaces in place", "[S]\nKey = old ; x\nz=1\n", "s", "KEY", "new", true, "[S]\nKey=new\nz=1\n"},
        {"writes the value as given", "[S]\n", "S", "k", "  spaced  ", true, "[S]\nk=  spaced  \n"},
        {"keeps a byte order mark", "\xEF\xBB\xBF[S]\na=1\n", "S", "a", "2", true, "\xEF\xBB\xBF[S]\na=2\n"},
        {"keeps each line's end", "[S]\r\na=1\r\n", "S", "a", "2", true, "[S]\r\na=2\r\n"},
        {"new lines end with LF", "[S]\r\na=1\r\n", "S", "b", "2", true, "[S]\r\na=1\r\nb=2\n"},
        {"keeps comments and garbage", "; top\n[S]\n; c\n\x01\x02junk\na=1\n", "S", "a", "2", true,
         "; top\n[S]\n; c\n\x01\x02junk\na=2\n"},
        {"changes the first duplicate", "[S]\na=1\n[S]\na=2\n", "S", "a", "3", true, "[S]\na=3\n[S]\na=2\n"},
        {"deletes a key", "[S]\na=1\nb=2\n", "S", "a", std::nullopt, true, "[S]\nb=2\n"},
        {"deletes duplicate keys too", "[S]\na=1\nb=2\nA=3\n", "S", "a", std::nullopt, true, "[S]\nb=2\n"},
        {"deleting a missing key changes nothing", "[S]\r\nb=2", "S", "a", std::nullopt, true, "[S]\r\nb=2"},
        {"deleting creates no file", std::nullopt, "S", "a", std::nullopt, true, std::nullopt},
        {"deletes a section", "[S]\na=1\n\n[T]\nb=2\n", "S", std::nullopt, std::nullopt, true, "[T]\nb=2\n"},
        {"flush changes nothing", "x", std::nullopt, std::nullopt, std::nullopt, true, "x"},
        {"line break in a key", "[S]\n", "S", "a\nb", "1", false, "[S]\n"},
        {"equals sign in a key", "[S]\n", "S", "a=b", "1", false, "[S]\n"},
        {"comment as a key", "[S]\n", "S", ";a", "1", false, "[S]\n"},
        {"bracket in a section", "[S]\n", "S]\n[T", "a", "1", false, "[S]\n"},
        {"empty section", "[S]\n", " ", "a", "1", false, "[S]\n"},
        {"line break in a value", "[S]\n", "S", "a", "1\n[T]", false, "[S]\n"},
        {"NUL in a value", "[S]\n", "S", "a", "1\0x"s, false, "[S]\n"},
    };
    test::TempFolder temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = temp / "case.ini";
        fs::remove(file);
        if (c.initial) temp.write("case.ini", *c.initial);
        auto view = [](const std::optional<std::string>& s) -> std::optional<std::string_view> {
            if (s) return std::string_view(*s);
            return std::nullopt;
        };
        EXPECT_EQ(profile::writeString(view(c.section), view(c.key), view(c.value), file), c.result);
        if (c.expected) {
            EXPECT_EQ(test::TempFolder::read(file), *c.expected);
        } else {
            EXPECT_FALSE(fs::exists(file));
        }
    }
}

TEST(Profile, SectionWrites) {
    test::TempFolder temp;
    const auto file = temp.write("s.ini", "[S]\na=1\n;c\nb=2\n\n[T]\nx=1\n");
    EXPECT_TRUE(profile::writeSection("s", "c=3\0skipped\0 d =4\0\0"s, file));
    EXPECT_EQ(test::TempFolder::read(file), "[S]\nc=3\nd=4\n\n[T]\nx=1\n");
    EXPECT_TRUE(profile::writeSection("S", "", file));
    EXPECT_EQ(test::TempFolder::read(file), "[S]\n\n[T]\nx=1\n");
    EXPECT_TRUE(profile::writeSection("T", "", file));
    EXPECT_EQ(test::TempFolder::read(file), "[S]\n\n[T]\n");
    EXPECT_FALSE(profile::writeSection("T", "a\n=1\0\0"s, file));
    EXPECT_EQ(test::TempFolder::read(file), "[S]\n\n[T]\n");
    EXPECT_TRUE(profile::writeSection("New", "", temp / "none.ini"));
    EXPECT_FALSE(fs::exists(temp / "none.ini"));
}

TEST(Profile, WritesKeepTheFilesModeAndLinks) {
    test::TempFolder temp;
    const auto target = temp.write("real.ini", "[S]\na=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, temp / "link.ini");
    EXPECT_TRUE(profile::writeString("S", "a", "2", temp / "link.ini"));
    EXPECT_TRUE(fs::is_symlink(temp / "link.ini"));
    EXPECT_EQ(test::TempFolder::read(target), "[S]\na=2\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 2) << "no temporary left";
}

TEST(Profile, UnusableFilesReadAsEmptyAndAreNeverReplaced) {
    test::TempFolder temp;
    fs::create_directory(temp / "folder.ini");
    EXPECT_EQ(profile::getString("S", "k", "d", 255, temp / "folder.ini").text, "d");
    EXPECT_FALSE(profile::writeString("S", "k", "v", temp / "folder.ini"));
    EXPECT_TRUE(fs::is_directory(temp / "folder.ini"));

    EXPECT_FALSE(profile::writeString("S", "k", "v", temp / "no-folder" / "x.ini"));
    EXPECT_FALSE(fs::exists(temp / "no-folder"));

    ASSERT_EQ(::mkfifo((temp / "pipe.ini").c_str(), 0600), 0);
    EXPECT_EQ(profile::getInt("S", "k", 4, temp / "pipe.ini"), 4) << "must not block";
    EXPECT_FALSE(profile::writeString("S", "k", "v", temp / "pipe.ini"));

    const std::string huge = "[S]\nk=v\n" + std::string(profile::kMaxProfileBytes, 'x');
    const auto big = temp.write("big.ini", huge);
    EXPECT_EQ(profile::getString("S", "k", "d", 255, big).text, "d");
    EXPECT_FALSE(profile::writeString("S", "k", "w", big));
    EXPECT_EQ(fs::file_size(big), huge.size());
}

TEST(Profile, UnreadableFileIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    test::TempFolder temp;
    const auto file = temp.write("locked.ini", "[S]\nk=secret\n");
    fs::permissions(file, fs::perms::owner_write);
    EXPECT_EQ(profile::getString("S", "k", "d", 255, file).text, "d");
    EXPECT_FALSE(profile::writeString("S", "k", "v", file));
    fs::permissions(file, fs::perms::owner_all);
    EXPECT_EQ(test::TempFolder::read(file), "[S]\nk=secret\n");
}

TEST(Profile, GarbageReadsWithoutHarm) {
    test::TempFolder temp;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    const std::string longLine(1 << 20, '[');
    const auto file = temp.write("garbage.ini", binary + "\n[S]\nk=" + longLine + "\n" + binary + "\n[S" + longLine);
    EXPECT_EQ(profile::getString("S", "k", "d", 255, file).count, 254u);
    EXPECT_LE(profile::getSection("S", 4096, file).count, 4094u);
    EXPECT_TRUE(profile::writeString("S", "k", "v", file));
    EXPECT_EQ(profile::getString("S", "k", "d", 255, file).text, "v");
}

TEST(Profile, WinIniLivesInTheUsersConfigurationFolder) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", "/some/config", 1);
    EXPECT_EQ(profile::winIniFile(), fs::path("/some/config/WIN.INI"));
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(profile::windowsDirectory().filename(), ".config") << "relative values are ignored";
    if (previous) {
        ::setenv("XDG_CONFIG_HOME", previous->c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace portico
