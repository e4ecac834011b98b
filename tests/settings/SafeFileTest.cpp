#include "settings/PictureFolder.h"
#include "settings/PorticoError.h"
#include "settings/SafeFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <functional>
#include <map>
#include <set>

namespace portico::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

unsigned modeOf(const fs::path& file) {
    struct stat info {};
    ::lstat(file.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(SafeFile, WriteReplacesAPlantedLinkAndNeverItsTarget) {
    TempFolder folder;
    const auto victim = folder.write("victim.txt", "someone's own file");
    fs::create_directories(folder / "pictures");
    fs::create_symlink(victim, folder / "pictures/temp.bmp");

    std::error_code error;
    ASSERT_TRUE(SafeFile::write(folder / "pictures/temp.bmp", std::string("BM\0picture", 10), error)) << error.message();
    EXPECT_EQ(TempFolder::read(victim), "someone's own file");
    EXPECT_FALSE(fs::is_symlink(folder / "pictures/temp.bmp"));
    EXPECT_EQ(TempFolder::read(folder / "pictures/temp.bmp"), std::string("BM\0picture", 10));
    EXPECT_EQ(modeOf(folder / "pictures/temp.bmp"), 0600u);
    EXPECT_EQ(namesIn(folder / "pictures"), (std::set<std::string>{"temp.bmp"})) << "no temporary file left";

    // Over an existing file: replaced whole, shorter content included.
    ASSERT_TRUE(SafeFile::write(folder / "pictures/temp.bmp", "abc", error));
    EXPECT_EQ(TempFolder::read(folder / "pictures/temp.bmp"), "abc");
}

TEST(SafeFile, WriteFailuresLeaveNothingBehind) {
    TempFolder folder;
    std::error_code error;
    EXPECT_FALSE(SafeFile::write(folder / "missing/temp.bmp", "x", error));
    EXPECT_TRUE(error);
    fs::create_directories(folder / "taken/temp.bmp");  // a folder where the file should go
    EXPECT_FALSE(SafeFile::write(folder / "taken/temp.bmp", "x", error));
    EXPECT_EQ(namesIn(folder / "taken"), (std::set<std::string>{"temp.bmp"}));
    EXPECT_TRUE(fs::is_directory(folder / "taken/temp.bmp"));
}

TEST(SafeFile, WritesTheLongestFileNames) {
    TempFolder folder;
    for (std::size_t length : {245u, 251u, 255u}) {
        const std::string name(length - 4, 'n');
        std::error_code error;
        ASSERT_TRUE(SafeFile::write(folder / (name + ".bmp"), "p", error)) << length << ": " << error.message();
        EXPECT_EQ(TempFolder::read(folder / (name + ".bmp")), "p");
    }
}

// A writer killed between naming its file and renaming it leaves the name
// behind; the next write to the folder removes it once it is stale, and never
// a file that a live writer may still be filling or that is not one of ours.
TEST(SafeFile, WriteSweepsStaleTemporariesOnly) {
    TempFolder folder;
    const auto age = [](const fs::path& file, long seconds) {
        const timespec when{std::time(nullptr) - seconds, 0};
        const timespec times[2] = {when, when};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    };
    struct Leftover {
        std::string name;
        long ageSeconds;
        bool swept;
    };
    const Leftover leftovers[] = {
        {".portico-stale001", SafeFile::kStaleTemporarySeconds + 60, true},
        {".portico-fresh001", 5, false},
        {".portico-notours-x", 3600, false},  // not our pattern
        {"picture.bmp", 3600, false},
    };
    for (const Leftover& leftover : leftovers) folder.write("pictures/" + leftover.name, "left");
    // A link of our pattern is not a file we made: left alone whatever its age.
    fs::create_symlink(folder / "pictures/picture.bmp", folder / "pictures/.portico-link0001");
    for (const Leftover& leftover : leftovers) age(folder / ("pictures/" + leftover.name), leftover.ageSeconds);
    age(folder / "pictures/.portico-link0001", 3600);

    std::error_code error;
    ASSERT_TRUE(SafeFile::write(folder / "pictures/temp.bmp", "p", error)) << error.message();
    const std::set<std::string> names = namesIn(folder / "pictures");
    for (const Leftover& leftover : leftovers) EXPECT_EQ(names.count(leftover.name), leftover.swept ? 0u : 1u) << leftover.name;
    EXPECT_EQ(names.count(".portico-link0001"), 1u);
    EXPECT_EQ(names.count("temp.bmp"), 1u);
}

TEST(SafeFile, ReadsOnlyRegularFilesOfBoundedSize) {
    TempFolder folder;
    const auto file = folder.write("picture.bmp", "BMbytes");
    fs::create_symlink(file, folder / "link.bmp");
    ASSERT_EQ(::mkfifo((folder / "fifo.bmp").c_str(), 0600), 0);

    std::string content;
    std::error_code error;
    ASSERT_TRUE(SafeFile::read(file, content, error));
    EXPECT_EQ(content, "BMbytes");

    EXPECT_FALSE(SafeFile::read(folder / "link.bmp", content, error));
    EXPECT_EQ(error, std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(content.empty());
    ASSERT_TRUE(SafeFile::read(folder / "link.bmp", content, error, 100, SafeFile::Links::Follow));
    EXPECT_EQ(content, "BMbytes");

    EXPECT_FALSE(SafeFile::read(folder / "fifo.bmp", content, error, 100, SafeFile::Links::Follow)) << "never waits";
    EXPECT_EQ(error, std::errc::invalid_argument);
    EXPECT_FALSE(SafeFile::read(folder.path(), content, error));
    EXPECT_FALSE(SafeFile::read(file, content, error, 6));
    EXPECT_EQ(error, std::errc::file_too_large);
    EXPECT_FALSE(SafeFile::read(folder / "none.bmp", content, error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

// Sets or clears environment variables for one test.
class Environment {
public:
    void set(const char* name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

long refusal(const std::function<void()>& call) {
    try {
        call();
    } catch (const PorticoError& error) {
        EXPECT_NE(error.description().find("picture folder"), std::string::npos) << error.description();
        return error.number();
    }
    return 0;
}

TEST(PictureFolder, WithoutAnyVariableTheUsersHomeFromTheUserDatabase) {
    Environment environment;
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"}) environment.set(name, std::nullopt);
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(pictureFolderBase(), fs::path(user->pw_dir) / ".cache");
    environment.set("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(pictureFolderBase(), fs::path(user->pw_dir) / ".cache") << "a relative value is ignored";
    environment.set("HOME", "/home/someone");
    EXPECT_EQ(pictureFolderBase(), fs::path("/home/someone/.cache"));
}

TEST(PictureFolder, IsMadePrivateAndRefusedWhenItIsNot) {
    TempFolder runtime;
    Environment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.str());
    const mode_t umask = ::umask(0);
    const auto folder = defaultPictureFolder();
    ::umask(umask);
    EXPECT_EQ(folder, runtime / "portico");
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(defaultPictureFolder(), folder) << "an existing private folder is used";

    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(refusal([] { defaultPictureFolder(); }), kPictureFolderError);
    ::chmod(folder.c_str(), 0700);

    fs::remove(folder);
    fs::create_directories(runtime / "elsewhere");
    ::chmod((runtime / "elsewhere").c_str(), 0700);
    fs::create_directory_symlink(runtime / "elsewhere", folder);
    EXPECT_EQ(refusal([] { defaultPictureFolder(); }), kPictureFolderError) << "a link is not the folder";
}

TEST(PictureFolder, ARootUserRefusesSomeoneElsesFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to give a folder away";
    TempFolder runtime;
    Environment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.str());
    fs::create_directories(runtime / "portico");
    ::chmod((runtime / "portico").c_str(), 0700);
    ASSERT_EQ(::chown((runtime / "portico").c_str(), 65534, 65534), 0);
    EXPECT_EQ(refusal([] { defaultPictureFolder(); }), kPictureFolderError);
}

}  // namespace
}  // namespace portico::test
