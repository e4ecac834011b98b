#pragma once

#include "settings/FileSystemDrive.h"
#include "settings/FileSystemFile.h"
#include "settings/FileSystemFolder.h"

#include <string>
#include <vector>

namespace portico {

// The file-system operations both programs share: existence tests, folders with
// their subfolders and files, and drives. Paths use "/" and are taken as given
// (not trimmed; fileExists and folderExists trim). Errors other than "no such
// path" in the existence tests are PorticoError:
//   76 "Path not found"      - the path names no folder (or drive)
//   70 "Permission denied"   - a folder that cannot be listed
class FileSystem {
public:
    // True when a regular file (not a folder) exists at the path. Never throws.
    static bool FileExists(const std::string& path);
    // True when a folder exists at the path. Never throws.
    static bool FolderExists(const std::string& path);
    // Throws 76 when the path names no folder.
    static FileSystemFolder GetFolder(const std::string& path);
    // Mounted real file systems in the order of the mount table. The same mount
    // point mounted twice is listed once.
    static std::vector<FileSystemDrive> Drives();
    // The drive mounted at `path`, or the one that holds it; throws 76 when the
    // path does not exist.
    static FileSystemDrive GetDrive(const std::string& path);
    // The drives read from a mount table in /proc/self/mounts format.
    static std::vector<FileSystemDrive> DrivesFromMountTable(const std::string& mountTable);
};

}  // namespace portico
