#include "desktop/ApplicationIndex.h"
#include "desktop/IconTheme.h"
#include "desktop/XdgDirs.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace portico::desktop;
using portico::test::TempFolder;

namespace {

std::string app(const std::string& name, const std::string& extra = "") {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=sh -c true\n" + extra;
}

std::vector<std::string> ids(const std::vector<const InstalledEntry*>& entries) {
    std::vector<std::string> result;
    for (const auto* entry : entries) result.push_back(entry->id);
    return result;
}

// Sets an environment variable for the lifetime of the guard.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(ApplicationIndex, UserEntriesHideSystemOnesAndSubfoldersGiveDashedIds) {
    TempFolder root;
    root.write("home/applications/editor.desktop", app("My Editor"));
    root.write("home/applications/gone.desktop", app("Gone", "Hidden=true\n"));
    root.write("sys1/applications/editor.desktop", app("System Editor"));
    root.write("sys1/applications/gone.desktop", app("Gone System"));
    root.write("sys1/applications/kde/konsole.desktop", app("Konsole"));
    root.write("sys2/applications/kde-konsole.desktop", app("Other Konsole"));
    root.write("sys2/applications/menuonly.desktop", app("Menu only", "NoDisplay=true\n"));
    root.write("sys2/applications/missing.desktop", app("Missing", "TryExec=no-such-program-here\n"));
    root.write("sys2/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=http://x\n");
    root.write("sys2/applications/noexec.desktop", app("No exec").replace(app("No exec").find("Exec"), 16, ""));
    root.write("sys2/applications/readme.txt", "not an entry");

    ScopedEnvironment home("XDG_DATA_HOME", root.str() + "/home");
    ScopedEnvironment dirs("XDG_DATA_DIRS", root.str() + "/sys1:relative/ignored:" + root.str() + "/sys2");
    const auto index = ApplicationIndex::installed();
    ASSERT_EQ(applicationFolders().size(), 3u);

    EXPECT_EQ(index.entries().size(), 7u);
    EXPECT_EQ(index.findById("editor.desktop")->entry.string("Name"), "My Editor");
    EXPECT_EQ(index.findById("kde-konsole.desktop")->entry.string("Name"), "Konsole");
    // The user's Hidden entry removes the system one from the menu.
    EXPECT_EQ(ids(index.offered("/bin:/usr/bin")),
              (std::vector<std::string>{"editor.desktop", "kde-konsole.desktop"}));
    EXPECT_EQ(whyNotOffered(index.findById("gone.desktop")->entry, "/bin"), "hidden (Hidden=true)");
    EXPECT_EQ(whyNotOffered(index.findById("menuonly.desktop")->entry, "/bin"), "not shown in menus (NoDisplay=true)");
    EXPECT_EQ(whyNotOffered(index.findById("missing.desktop")->entry, "/bin"),
              "TryExec program not installed: no-such-program-here");
    EXPECT_EQ(whyNotOffered(index.findById("link.desktop")->entry, "/bin"), "not an application (Type=Link)");
    EXPECT_EQ(whyNotOffered(index.findById("noexec.desktop")->entry, "/bin"), "no Exec");
}

TEST(ApplicationIndex, FindsTheEntryThatRunsAnExecutable) {
    TempFolder root;
    root.write("apps/a-hidden.desktop", app("Hidden sh", "Hidden=true\n"));
    root.write("apps/b-nodisplay.desktop", app("Menu-less sh", "NoDisplay=true\n"));
    root.write("apps/c-shell.desktop", "[Desktop Entry]\nType=Application\nName=Shell\nTryExec=/bin/sh\nExec=dash\n");
    root.write("apps/d-cat.desktop", "[Desktop Entry]\nType=Application\nName=Cat\nExec=\"cat\" %F\n");
    const ApplicationIndex index({root / "apps"});
    const auto* shell = index.findByExecutable("/bin/sh", "/bin");
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->id, "c-shell.desktop");
    ASSERT_NE(index.findByExecutable("/bin/cat", "/bin"), nullptr);
    EXPECT_EQ(index.findByExecutable("/bin/cat", "/bin")->id, "d-cat.desktop");
    EXPECT_EQ(index.findByExecutable("/bin/true", "/bin"), nullptr);
    EXPECT_EQ(index.findByExecutable("/no/such/file", "/bin"), nullptr);
}

TEST(IconTheme, LooksUpThroughInheritanceHicolorAndPixmaps) {
    TempFolder root;
    root.write("icons/Test/index.theme",
               "[Icon Theme]\nName=Test\nInherits=Parent\nDirectories=16x16/apps,48x48/apps,scalable/apps,32x32@2/apps\n"
               "[16x16/apps]\nSize=16\nType=Fixed\n[48x48/apps]\nSize=48\n[scalable/apps]\nSize=128\nType=Scalable\n"
               "MinSize=8\nMaxSize=512\n[32x32@2/apps]\nSize=32\nScale=2\n");
    root.write("icons/Test/16x16/apps/editor.png", "png16");
    root.write("icons/Test/48x48/apps/editor.png", "png48");
    root.write("icons/Test/scalable/apps/vector.svg", "<svg/>");
    root.write("icons/Test/32x32@2/apps/dense.png", "png64");
    root.write("icons/Parent/index.theme",
               "[Icon Theme]\nInherits=Test\nDirectories=22x22/apps\n[22x22/apps]\nSize=22\nType=Threshold\n");
    root.write("icons/Parent/22x22/apps/parentonly.png", "png22");
    root.write("icons/hicolor/index.theme", "[Icon Theme]\nDirectories=256x256/apps\n[256x256/apps]\nSize=256\n");
    root.write("icons/hicolor/256x256/apps/editor.png", "hicolor256");
    root.write("icons/hicolor/256x256/apps/big.png", "hicolor256");
    root.write("pixmaps/old.xpm", "xpm");

    const IconTheme theme("Test", {root / "icons"}, {root / "pixmaps"});
    EXPECT_EQ(theme.themeChain(), (std::vector<std::string>{"Test", "Parent", "hicolor"}));
    // The first theme that has the icon wins, even when hicolor has a bigger one.
    const auto editor = theme.files("editor");
    ASSERT_EQ(editor.size(), 2u);
    EXPECT_EQ(editor[0].size, 48);
    EXPECT_EQ(theme.lookup("editor", 16), root / "icons/Test/16x16/apps/editor.png");
    EXPECT_EQ(theme.lookup("editor", 40), root / "icons/Test/48x48/apps/editor.png");
    EXPECT_EQ(theme.lookup("vector", 256), root / "icons/Test/scalable/apps/vector.svg");
    EXPECT_TRUE(theme.files("vector").front().scalable);
    EXPECT_EQ(theme.lookup("parentonly", 22), root / "icons/Parent/22x22/apps/parentonly.png");
    EXPECT_EQ(theme.lookup("big", 48), root / "icons/hicolor/256x256/apps/big.png");
    EXPECT_EQ(theme.lookup("old", 48), root / "pixmaps/old.xpm");
    EXPECT_TRUE(theme.files("dense").empty());  // only in a Scale=2 folder
    EXPECT_TRUE(theme.files("../Test/16x16/apps/editor").empty());
    EXPECT_EQ(theme.lookup((root / "pixmaps/old.xpm").string(), 48), root / "pixmaps/old.xpm");
    EXPECT_EQ(theme.iconNames(), (std::vector<std::string>{"big", "editor", "old", "parentonly", "vector"}));

    // A theme that is not installed still finds hicolor's icons.
    const IconTheme missing("NoSuchTheme", {root / "icons"}, {});
    EXPECT_EQ(missing.themeChain(), (std::vector<std::string>{"hicolor"}));
    EXPECT_EQ(missing.lookup("big", 48), root / "icons/hicolor/256x256/apps/big.png");
}

TEST(IconTheme, SystemLookupReadsTheXdgDataDirs) {
    TempFolder root;
    root.write("data/icons/hicolor/index.theme", "[Icon Theme]\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\n");
    root.write("data/icons/hicolor/48x48/apps/fromxdg.png", "png");
    ScopedEnvironment home("XDG_DATA_HOME", root.str() + "/nothing");
    ScopedEnvironment dirs("XDG_DATA_DIRS", root.str() + "/data");
    EXPECT_EQ(IconTheme::system("").lookup("fromxdg", 48), root / "data/icons/hicolor/48x48/apps/fromxdg.png");
}
