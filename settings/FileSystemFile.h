#pragma once

#include <string>
#include <utility>

namespace portico {

// A file found in a folder listing.
class FileSystemFile {
public:
    FileSystemFile(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {}

    // The name without its folder.
    const std::string& Name() const { return name_; }
    // The full path.
    const std::string& Path() const { return path_; }

private:
    std::string name_;
    std::string path_;
};

}  // namespace portico
