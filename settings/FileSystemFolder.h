#pragma once

#include "settings/FileSystemFile.h"

#include <string>
#include <vector>

namespace portico {

// A folder, by its absolute path (no trailing "/" except for the root). The
// listings read the disk each time they are called; they throw PorticoError
// when the folder cannot be read.
class FileSystemFolder {
public:
    // `path` is taken as it is (made absolute and normal); use
    // FileSystem::GetFolder to have it checked.
    explicit FileSystemFolder(const std::string& path);

    const std::string& Path() const { return path_; }
    // The folder's own name; "/" for the root.
    std::string Name() const;
    // No short names here: the name itself.
    std::string ShortName() const { return Name(); }
    // The full path of the folder that holds it, ending with "/" only when that
    // is the root; "" for the root itself.
    std::string ParentFolder() const;
    bool IsRootFolder() const { return path_ == "/"; }

    // Subfolders (symbolic links to folders included) in the order the file
    // system lists them.
    std::vector<FileSystemFolder> SubFolders() const;
    // Regular files (symbolic links to them included) in the order the file
    // system lists them. Sockets, pipes and devices are left out: opening them
    // from a browser makes no sense and a pipe would block.
    std::vector<FileSystemFile> Files() const;

private:
    std::string path_;
};

}  // namespace portico
