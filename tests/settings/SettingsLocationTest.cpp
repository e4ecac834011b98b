#include "settings/PorticoError.h"
#include "settings/SettingsLocation.h"
#include "settings/clsEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using portico::test::ScopedProgramFolder;
using portico::test::TempFolder;

namespace {

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

TEST(SettingsLocation, UserThenSystemFoldersThenBesideTheExecutable) {
    TempFolder root;
    std::filesystem::create_directories(root / "bin");
    ScopedProgramFolder program(root / "bin");
    ScopedEnvironment home("XDG_CONFIG_HOME", root.str() + "/user");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", root.str() + "/site:relative:" + root.str() + "/vendor");

    EXPECT_EQ(portico::settingsSearchPath(),
              (std::vector<std::string>{root.str() + "/user/portico/Portico.ini", root.str() + "/site/portico/Portico.ini",
                                        root.str() + "/vendor/portico/Portico.ini", root.str() + "/bin/Portico.ini"}));
    // Nothing anywhere: a writable program folder gets the new file, as before.
    EXPECT_EQ(portico::settingsFile(), root.str() + "/bin/Portico.ini");
    root.write("bin/Portico.ini", "");
    EXPECT_EQ(portico::settingsFile(), root.str() + "/bin/Portico.ini");
    root.write("vendor/portico/Portico.ini", "");
    EXPECT_EQ(portico::settingsFile(), root.str() + "/vendor/portico/Portico.ini");
    root.write("site/portico/Portico.ini", "");
    EXPECT_EQ(portico::settingsFile(), root.str() + "/site/portico/Portico.ini");
    root.write("user/portico/Portico.ini", "");
    EXPECT_EQ(portico::settingsFile(), root.str() + "/user/portico/Portico.ini");
}

TEST(SettingsLocation, DefaultsAndReadOnlyInstallations) {
    TempFolder root;
    std::filesystem::create_directories(root / "usr/bin");
    ScopedProgramFolder program(root / "usr/bin");
    ScopedEnvironment home("HOME", root.str() + "/home");
    ::unsetenv("XDG_CONFIG_HOME");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", "");
    const auto search = portico::settingsSearchPath();
    EXPECT_EQ(search.front(), root.str() + "/home/.config/portico/Portico.ini");
    EXPECT_EQ(search[1], "/etc/xdg/portico/Portico.ini");

    // Data files: beside the executable first, else <prefix>/share/portico.
    EXPECT_EQ(portico::installedDataFolder(), root.str() + "/usr/share/portico");
    root.write("usr/share/portico/folder.ico", "ico");
    EXPECT_EQ(portico::programDataFile("folder.ico"), root.str() + "/usr/share/portico/folder.ico");
    root.write("usr/bin/folder.ico", "ico");
    EXPECT_EQ(portico::programDataFile("folder.ico"), root.str() + "/usr/bin/folder.ico");

}

TEST(SettingsLocation, ReadOnlyInstallationCreatesTheUsersFile) {
    // A program folder that cannot be written (here: one that is not there, which
    // holds for root too) sends a new file to the user's configuration folder,
    // and loadSettings creates it there, folder and all; the catalogue it names
    // is in the user's data folder, not beside an executable no one may write.
    TempFolder root;
    ScopedProgramFolder program(root / "opt/portico/bin");
    ScopedEnvironment home("XDG_CONFIG_HOME", root.str() + "/config");
    ScopedEnvironment data("XDG_DATA_HOME", root.str() + "/data");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", root.str() + "/etc");
    EXPECT_EQ(portico::settingsFile(), root.str() + "/config/portico/Portico.ini");
    portico::clsEnvironment environment;
    EXPECT_THROW(environment.loadSettings(portico::settingsFile()), portico::PorticoError);  // no catalogue yet
    const std::string written = TempFolder::read(root / "config/portico/Portico.ini");
    EXPECT_NE(written.find("DatabasePath=" + root.str() + "/data/portico/Portico.mdb"), std::string::npos);
    EXPECT_NE(written.find("DefaultDialogDBPath=" + root.str() + "/data/portico"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(root / "data/portico")) << "ready for the catalogue to be created";
    EXPECT_EQ(portico::settingsFile(), root.str() + "/config/portico/Portico.ini");
}
