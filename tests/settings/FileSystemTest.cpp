#include "settings/ExistenceTests.h"
#include "settings/FileSystem.h"
#include "settings/PorticoError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace portico {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = temp.write("file.txt", "x").string();
        fs::create_directory(temp / "folder");
        fs::create_symlink(file, temp / "link-to-file");
        fs::create_directory_symlink(temp / "folder", temp / "link-to-folder");
        fs::create_symlink(temp / "nothing", temp / "dangling");
    }

    test::TempFolder temp;
    std::string file;
};

TEST_F(FileSystemTest, ExistenceTestsTellFilesFromFolders) {
    struct Case {
        std::string path;
        bool isFile;
        bool isFolder;
    };
    const std::vector<Case> cases = {
        {file, true, false},
        {temp.str() + "/folder", false, true},
        {temp.str() + "/folder/", false, true},
        {temp.str() + "/link-to-file", true, false},
        {temp.str() + "/link-to-folder", false, true},
        {temp.str() + "/dangling", false, false},
        {temp.str() + "/missing", false, false},
        {file + "/below-a-file", false, false},
        {"", false, false},
        {std::string(file + '\0' + "tail"), false, false},
        {"/", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileSystem::FileExists(c.path), c.isFile);
        EXPECT_EQ(FileSystem::FolderExists(c.path), c.isFolder);
        EXPECT_EQ(fileExists(c.path), c.isFile);
        EXPECT_EQ(folderExists(c.path), c.isFolder);
    }
}

TEST_F(FileSystemTest, OnlyTheExistenceTestsTrimBlanks) {
    EXPECT_TRUE(fileExists("  " + file + "\t"));
    EXPECT_TRUE(folderExists(" " + temp.str() + " "));
    EXPECT_FALSE(FileSystem::FileExists("  " + file));
    EXPECT_FALSE(FileSystem::FolderExists(temp.str() + " "));
    EXPECT_FALSE(fileExists("   "));
}

TEST_F(FileSystemTest, GetFolderRaisesPathNotFoundForAnythingButAFolder) {
    for (const auto& path : {temp.str() + "/missing", file, std::string()}) {
        SCOPED_TRACE(path);
        try {
            FileSystem::GetFolder(path);
            ADD_FAILURE() << "no error";
        } catch (const PorticoError& error) {
            EXPECT_EQ(error.number(), 76);
            EXPECT_EQ(error.description(), "Path not found");
        }
    }
}

TEST_F(FileSystemTest, FolderNamesAndParents) {
    fs::create_directories(temp / "a" / "b");
    const auto b = FileSystem::GetFolder(temp.str() + "/a/./b/");
    EXPECT_EQ(b.Path(), temp.str() + "/a/b");
    EXPECT_EQ(b.Name(), "b");
    EXPECT_EQ(b.ShortName(), "b");
    EXPECT_EQ(b.ParentFolder(), temp.str() + "/a");
    EXPECT_FALSE(b.IsRootFolder());

    const auto tmp = FileSystem::GetFolder("/tmp");
    EXPECT_EQ(tmp.ParentFolder(), "/") << "only the root ends with /";

    const auto root = FileSystem::GetFolder("/");
    EXPECT_TRUE(root.IsRootFolder());
    EXPECT_EQ(root.Path(), "/");
    EXPECT_EQ(root.Name(), "/");
    EXPECT_EQ(root.ParentFolder(), "");
}

TEST_F(FileSystemTest, ListsSubfoldersAndRegularFiles) {
    temp.write("folder/inner.txt", "y");
    ASSERT_EQ(::mkfifo((temp / "pipe").c_str(), 0600), 0);
    const auto folder = FileSystem::GetFolder(temp.str());

    std::vector<std::string> folders;
    for (const auto& sub : folder.SubFolders()) folders.push_back(sub.Name());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"folder", "link-to-folder"}));

    std::vector<std::string> files;
    for (const auto& f : folder.Files()) {
        files.push_back(f.Name());
        EXPECT_EQ(f.Path(), temp.str() + "/" + f.Name());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"file.txt", "link-to-file"}));
}

TEST_F(FileSystemTest, ListingAFolderThatVanishedRaisesPathNotFound) {
    const auto folder = FileSystem::GetFolder(temp.str() + "/folder");
    fs::remove(temp / "folder");
    try {
        folder.Files();
        ADD_FAILURE() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 76);
    }
}

TEST_F(FileSystemTest, ListingAnUnreadableFolderRaisesPermissionDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    fs::permissions(temp / "folder", fs::perms::none);
    const auto folder = FileSystem::GetFolder(temp.str() + "/folder");
    try {
        folder.SubFolders();
        ADD_FAILURE() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 70);
    }
}

TEST(FileSystemDrives, MountTableGivesRealFileSystemsOnceInOrder) {
    const std::string table =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "garbage\n"
        "\n"
        "/dev/sda3 /home xfs rw 0 0\n"
        "server:/x relative nfs rw 0 0\n";
    const auto drives = FileSystem::DrivesFromMountTable(table);
    std::vector<std::string> letters;
    for (const auto& drive : drives) letters.push_back(drive.DriveLetter());
    EXPECT_EQ(letters, (std::vector<std::string>{"/", "/media/My Disk", "/home"}));
    EXPECT_EQ(drives[0].FileSystemType(), "ext4");
    EXPECT_EQ(drives[0].RootFolder().Path(), "/");
}

TEST(FileSystemDrives, TheMachinesDrivesAreReadyFolders) {
    const auto drives = FileSystem::Drives();
    ASSERT_FALSE(drives.empty());
    for (const auto& drive : drives) {
        SCOPED_TRACE(drive.DriveLetter());
        EXPECT_TRUE(FileSystem::FolderExists(drive.DriveLetter()));
        EXPECT_NE(drive.FileSystemType(), "proc");
    }
    const auto& first = drives.front();
    EXPECT_TRUE(first.IsReady());
    EXPECT_EQ(FileSystem::GetDrive(first.DriveLetter()).DriveLetter(), first.DriveLetter());

    const FileSystemDrive missing("/no/such/mount", "ext4");
    EXPECT_FALSE(missing.IsReady());
    EXPECT_THROW(FileSystem::GetDrive("/no/such/path"), PorticoError);
}

}  // namespace
}  // namespace portico
