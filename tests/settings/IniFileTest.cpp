#include "settings/MessageSink.h"
#include "settings/PorticoError.h"
#include "settings/clsIniFile.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace portico {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const test::RecordedMessage kLogicError{"[Section] and FileName Not Registered in Private.Ini!", "IniFile Logic Error",
                                        MessageIcon::Information};

long errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PorticoError& error) {
        return error.number();
    }
    return 0;
}

// Points XDG_CONFIG_HOME at a folder for its lifetime.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const fs::path& folder) {
        if (const char* value = std::getenv("XDG_CONFIG_HOME")) previous_ = value;
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (previous_) {
            ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

private:
    std::optional<std::string> previous_;
};

class IniFileTest : public ::testing::Test {
protected:
    // An object on `name` in the temporary folder, with `section` current.
    clsIniFile iniOn(const std::string& name, const std::string& content, const std::string& section = "General") {
        if (!content.empty()) temp.write(name, content);
        clsIniFile ini;
        ini.setFullPath((temp / name).string());
        ini.setSectionName(section);
        return ini;
    }

    test::TempFolder temp;
    test::ScopedProgramFolder programFolder{temp.path()};
    test::RecordingMessageSink messages;
};

TEST_F(IniFileTest, NewObjectPointsAtTheExecutablesIniButHasNoSection) {
    clsIniFile ini;
    EXPECT_EQ(ini.FullPath(), temp.str() + "/Settings_tests.ini");
    EXPECT_EQ(ini.PrivPath(), ini.FullPath());
    EXPECT_EQ(ini.FilePath(), temp.str());
    EXPECT_EQ(ini.FileName(), "Settings_tests");
    EXPECT_EQ(ini.FileExt(), "ini");
    EXPECT_EQ(ini.SectionName(), "General");
    EXPECT_FALSE(ini.UseWinINI());

    temp.write("Settings_tests.ini", "[General]\nk=v\n");
    EXPECT_EQ(ini.GetString("k", "d"), "");
    EXPECT_EQ(messages.messages, std::vector<test::RecordedMessage>{kLogicError});
    ini.setSectionName("General");
    EXPECT_EQ(ini.GetString("k", "d"), "v");
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(IniFileTest, EverySectionOperationWithoutASectionShowsTheMessageOnceAndChangesNothing) {
    const std::string content = "[General]\nk=1\n";
    clsIniFile ini = iniOn("a.ini", content, "   ");
    std::vector<std::array<std::string, 2>> entries{{"keep", "me"}};
    std::vector<std::string> names{"keep"};
    const std::vector<std::pair<const char*, std::function<bool()>>> operations = {
        {"DeleteStrEntry", [&] { ini.DeleteStrEntry("k"); return true; }},
        {"DeleteNumEntry", [&] { ini.DeleteNumEntry("k"); return true; }},
        {"DeleteSection", [&] { ini.DeleteSection(); return true; }},
        {"GetInt", [&] { return ini.GetInt("k", 5) == 0; }},
        {"GetSectEntries", [&] { return ini.GetSectEntries().empty(); }},
        {"GetSectEntriesEx", [&] { return ini.GetSectEntriesEx(entries) == 0 && entries.size() == 1; }},
        {"GetSections", [&] { return ini.GetSections().empty(); }},
        {"GetSectionsEx", [&] { return ini.GetSectionsEx(names) == 0 && names.size() == 1; }},
        {"GetString", [&] { return ini.GetString("k", "d").empty(); }},
        {"GetTF", [&] { return !ini.GetTF("k", true); }},
        {"FlushCache", [&] { ini.FlushCache(); return true; }},
        {"PutInt", [&] { return ini.PutInt("k", 3) == 0; }},
        {"PutString", [&] { return ini.PutString("k", "x") == 0; }},
        {"PutTF", [&] { return !ini.PutTF("k", true); }},
        {"SectExist", [&] { return !ini.SectExist("General"); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        messages.messages.clear();
        EXPECT_TRUE(operation()) << "empty result";
        EXPECT_EQ(messages.messages, std::vector<test::RecordedMessage>{kLogicError});
    }
    EXPECT_EQ(test::TempFolder::read(temp / "a.ini"), content);
}

TEST_F(IniFileTest, PathMembers) {
    clsIniFile ini;
    struct NameCase {
        std::string path;
        std::int16_t part;
        std::string expected;
    };
    const std::vector<NameCase> names = {
        {"/dir/app.cfg.ini", 2, "cfg.ini"}, {"/dir/app.cfg.ini", 1, "app"}, {"/dir/app", 1, "app"},
        {"/dir/app", 2, "app"},             {"/dir/app.ini", 0, "app.ini"}, {"/dir/app.ini", 3, "app.ini"},
        {".hidden", 1, ""},                 {".hidden", 2, "hidden"},       {"D:settings.ini", 1, "D:settings"},
        {"/dir/", 1, ""},                   {"relative/x.y", 2, "y"},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.path + " part " + std::to_string(c.part));
        EXPECT_EQ(ini.ExtractName(c.path, c.part), c.expected);
    }
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(ini.ExtractPath("/dir/app.ini"), "/dir");
    EXPECT_EQ(ini.ExtractPath("/dir/sub/"), "/dir/sub");
    EXPECT_EQ(ini.ExtractPath("/x.ini"), "") << "the root without its separator";
    EXPECT_EQ(ini.ExtractPath("bare.ini"), cwd == "/" ? "" : cwd);
    EXPECT_EQ(ini.ExtractPath("D:settings.ini"), cwd == "/" ? "" : cwd);

    ini.setFullPath("/etc/portico/Portico.Admin.ini");
    EXPECT_EQ(ini.ExtractPath(""), "/etc/portico");
    EXPECT_EQ(ini.ExtractName("", 1), "Portico");
    EXPECT_EQ(ini.FileName(), "Portico");
    EXPECT_EQ(ini.FileExt(), "Admin.ini");
    EXPECT_EQ(ini.FilePath(), "/etc/portico");
    EXPECT_EQ(ini.PrivPath(), "/etc/portico/Portico.Admin.ini");
}

TEST_F(IniFileTest, ReadsStringsIntegersAndFlags) {
    clsIniFile ini = iniOn("r.ini",
                           "[General]\nlong=" + std::string(300, 'x') +
                               "\nyes=yes \nenabled=enabled\nminus=-1\non= On\nt=t\nzero=0\noff=OFF\nsmall=-32768\n"
                               "big=40000\n");
    EXPECT_EQ(ini.GetString("long", ""), std::string(254, 'x'));
    EXPECT_EQ(ini.GetString("absent", "fallback"), "fallback");
    EXPECT_EQ(ini.GetInt("small", 0), -32768);
    EXPECT_EQ(ini.GetInt("absent", 12), 12);
    EXPECT_EQ(errorNumberOf([&] { ini.GetInt("big", 0); }), 6);

    const std::vector<std::pair<std::string, bool>> flags = {
        {"yes", true}, {"enabled", false}, {"minus", true}, {"on", true},
        {"t", true},   {"zero", false},    {"off", false},
    };
    for (const auto& [key, expected] : flags) {
        SCOPED_TRACE(key);
        EXPECT_EQ(ini.GetTF(key, !expected), expected);
    }
    EXPECT_TRUE(ini.GetTF("absent", true));
    EXPECT_FALSE(ini.GetTF("absent", false));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(IniFileTest, WritesAndDeletes) {
    clsIniFile ini = iniOn("w.ini", "[General]\nOld=1\nGone=2\n");
    EXPECT_NE(ini.PutInt("Count", -5), 0);
    EXPECT_TRUE(ini.PutTF("Flag", true));
    EXPECT_NE(ini.PutString("Name", "  spaced "), 0);
    ini.DeleteStrEntry("Old");
    ini.DeleteNumEntry("Gone");
    EXPECT_EQ(test::TempFolder::read(temp / "w.ini"), "[General]\nOld=\nCount=-5\nFlag=True\nName=  spaced \n");
    EXPECT_EQ(ini.GetString("Name", ""), "spaced");
    EXPECT_TRUE(ini.GetTF("Flag", false));

    ini.DeleteSection();
    EXPECT_EQ(ini.SectionName(), "");
    EXPECT_EQ(test::TempFolder::read(temp / "w.ini"), "[General]\n");
    EXPECT_EQ(ini.GetString("Name", "d"), "");
    EXPECT_EQ(messages.messages, std::vector<test::RecordedMessage>{kLogicError});

    clsIniFile nowhere = iniOn("missing-folder/x.ini", "");
    EXPECT_EQ(nowhere.PutString("k", "v"), 0);
    EXPECT_FALSE(nowhere.PutTF("k", true));
}

TEST_F(IniFileTest, IniReadAndIniWriteIgnoreTheCurrentFileAndSection) {
    clsIniFile ini = iniOn("mine.ini", "", " ");
    const std::string other = (temp / "other.ini").string();
    ini.IniWrite("Data", "Path", "/srv/x", other);
    ini.IniWrite("Data", "Count", "17", other);
    EXPECT_EQ(test::TempFolder::read(other), "[Data]\nPath=/srv/x\nCount=17\n");
    EXPECT_FALSE(fs::exists(temp / "mine.ini"));

    EXPECT_EQ(ini.IniRead("data", "path", 0, "d", "", false, other), "/srv/x");
    EXPECT_EQ(ini.IniRead("Data", "Count", 4, "d", "", true, other), "17");
    EXPECT_EQ(ini.IniRead("Data", "None", 4, "d", "", true, other), "4");
    EXPECT_EQ(ini.IniRead("Data", "None", 4, "d", "", false, other), "d");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(IniFileTest, SectionListComesFromTheFileItself) {
    clsIniFile ini = iniOn("s.ini", "[One]\r\n [Two] ; note\n[Bad]x\n;[Three]\n[General]\n[ Spaced ]\n[Open");
    EXPECT_EQ(ini.GetSections(), "One\0Two\0General\0 Spaced \0\0"s);
    std::vector<std::string> names{"a", "b", "c", "d", "e", "f"};
    EXPECT_EQ(ini.GetSectionsEx(names), 4);
    EXPECT_EQ(names, (std::vector<std::string>{"One", "Two", "General", " Spaced "}));

    EXPECT_TRUE(ini.SectExist("general"));
    EXPECT_TRUE(ini.SectExist("ONE"));
    EXPECT_TRUE(ini.SectExist(" spaced "));
    EXPECT_FALSE(ini.SectExist("Three"));
    EXPECT_FALSE(ini.SectExist("Bad"));
    EXPECT_FALSE(ini.SectExist("Tw"));
    EXPECT_FALSE(ini.SectExist(""));

    clsIniFile marked = iniOn("bom.ini", "\xEF\xBB\xBF[First]\r\n[Second]\r\n");
    EXPECT_EQ(marked.GetSections(), "First\0Second\0\0"s);

    clsIniFile none = iniOn("none.ini", "; nothing\nk=v\n");
    EXPECT_EQ(none.GetSections(), "\0\0"s);
    std::vector<std::string> untouched{"keep"};
    EXPECT_EQ(none.GetSectionsEx(untouched), 0);
    EXPECT_EQ(untouched, std::vector<std::string>{"keep"});
}

TEST_F(IniFileTest, SectionListOfAFileThatCannotBeReadIsAnError) {
    clsIniFile missing = iniOn("missing.ini", "");
    EXPECT_EQ(errorNumberOf([&] { missing.GetSections(); }), 53);
    EXPECT_EQ(errorNumberOf([&] { missing.SectExist("General"); }), 53);
    EXPECT_FALSE(fs::exists(temp / "missing.ini"));

    fs::create_directory(temp / "folder.ini");
    clsIniFile folder = iniOn("folder.ini", "");
    EXPECT_EQ(errorNumberOf([&] { folder.GetSections(); }), 75);
}

TEST_F(IniFileTest, SectionEntries) {
    clsIniFile ini = iniOn("e.ini", "[General]\na=1\nflag\nb = x=y\n[Empty]\n");
    EXPECT_EQ(ini.GetSectEntries(), "a=1\0flag\0b=x=y\0\0"s);
    std::vector<std::array<std::string, 2>> entries(5, {"old", "old"});
    EXPECT_EQ(ini.GetSectEntriesEx(entries), 3);
    const std::vector<std::array<std::string, 2>> expected = {{"a", "1"}, {"", "flag"}, {"b", "x=y"}};
    EXPECT_EQ(entries, expected);

    ini.setSectionName("Empty");
    EXPECT_EQ(ini.GetSectEntries(), "\0"s);
    EXPECT_EQ(ini.GetSectEntriesEx(entries), 0);
    EXPECT_EQ(entries, expected) << "untouched";

    std::string big = "[Big]\n";
    for (int i = 0; i < 1000; ++i) big += "key" + std::to_string(i) + "=value\n";
    clsIniFile large = iniOn("big.ini", big, "Big");
    const std::string list = large.GetSectEntries();
    EXPECT_EQ(list.size(), 4095u) << "cut by the 4096-character buffer";
    // 4094 characters, the last item cut where the buffer ended, then the list's NUL.
    EXPECT_EQ(list.back(), '\0');
    EXPECT_GT(large.GetSectEntriesEx(entries), 300);
}

TEST_F(IniFileTest, ExistsLooksForRegularFilesWithAnyExtensionWhenNoneIsGiven) {
    temp.write("Portico.ini", "");
    temp.write("br[a]ck.ini", "");
    fs::create_directory(temp / "Folder.d");
    clsIniFile ini;
    EXPECT_TRUE(ini.Exists(temp.str() + "/Portico.ini"));
    EXPECT_TRUE(ini.Exists(temp.str() + "/Portico"));
    EXPECT_TRUE(ini.Exists(temp.str() + "/br[a]ck"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/Portico.cfg"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/Folder.d"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/Folder"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/missing/Portico.ini"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/missing/Portico"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/Portico.ini/below"));
    EXPECT_FALSE(ini.Exists(temp.str() + "/"));
    temp.write(".hidden", "");
    const auto cwd = fs::current_path();
    fs::current_path(temp.path());
    EXPECT_TRUE(ini.Exists("Portico"));
    EXPECT_FALSE(ini.Exists(""));
    EXPECT_FALSE(ini.Exists("  "));
    fs::current_path(cwd);
}

TEST_F(IniFileTest, WinIniModeAndBack) {
    test::TempFolder config;
    ScopedConfigHome home(config.path() / "cfg");
    clsIniFile ini = iniOn("own.ini", "[General]\nk=own\n");
    ini.setUseWinINI(true);
    EXPECT_TRUE(ini.UseWinINI());
    EXPECT_EQ(ini.FullPath(), config.str() + "/cfg/WIN.INI");
    EXPECT_EQ(ini.FilePath(), config.str() + "/cfg");
    EXPECT_EQ(ini.FileName(), "WIN");
    EXPECT_EQ(ini.FileExt(), "ini") << "kept";
    EXPECT_EQ(ini.PrivPath(), (temp / "own.ini").string());
    EXPECT_EQ(ini.SectionName(), "General");

    EXPECT_EQ(ini.GetString("k", "d"), "d");
    EXPECT_NE(ini.PutString("k", "win"), 0);
    ini.IniWrite("Other", "x", "1", (temp / "ignored.ini").string());
    EXPECT_FALSE(fs::exists(temp / "ignored.ini"));
    EXPECT_EQ(ini.IniRead("Other", "x", 0, "", "", true, "ignored"), "1");
    EXPECT_EQ(ini.GetSections(), "General\0Other\0\0"s);
    ini.setUseWinINI(true);
    EXPECT_EQ(ini.FullPath(), config.str() + "/cfg/WIN.INI");

    ini.setSectionName("");
    ini.setUseWinINI(false);
    EXPECT_FALSE(ini.UseWinINI());
    EXPECT_EQ(ini.FullPath(), (temp / "own.ini").string());
    EXPECT_EQ(ini.GetString("k", "d"), "") << "no section";
    ini.setSectionName("general");
    EXPECT_EQ(ini.GetString("k", "d"), "own");
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(IniFileTest, GarbageFilesNeitherCrashNorHang) {
    std::string garbage;
    for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 131 + i / 7) & 0xFF);
    clsIniFile ini = iniOn("g.ini", garbage + "\n[General]\n" + garbage);
    ini.GetSections();
    std::vector<std::string> names;
    ini.GetSectionsEx(names);
    std::vector<std::array<std::string, 2>> entries;
    ini.GetSectEntriesEx(entries);
    ini.GetString("k", "d");
    EXPECT_NE(ini.PutString("k", "v"), 0);
    EXPECT_EQ(ini.GetString("k", "d"), "v");
    EXPECT_TRUE(ini.SectExist("general"));
}

}  // namespace
}  // namespace portico
