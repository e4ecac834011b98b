#pragma once

#include "settings/FileSystemFolder.h"

#include <string>

namespace portico {

// A mounted file system that holds files (not proc, sysfs and the like).
class FileSystemDrive {
public:
    FileSystemDrive(std::string mountPoint, std::string type);

    // What stands for a drive letter: the mount point, such as "/" or "/home".
    const std::string& DriveLetter() const { return mountPoint_; }
    const std::string& Path() const { return mountPoint_; }
    // The file system type from the mount table, such as "ext4".
    const std::string& FileSystemType() const { return type_; }
    // True when the mount point can be listed.
    bool IsReady() const;
    FileSystemFolder RootFolder() const { return FileSystemFolder(mountPoint_); }

private:
    std::string mountPoint_;
    std::string type_;
};

}  // namespace portico
