#include "settings/FileSystemDrive.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace portico {

FileSystemDrive::FileSystemDrive(std::string mountPoint, std::string type)
    : mountPoint_(std::move(mountPoint)), type_(std::move(type)) {}

bool FileSystemDrive::IsReady() const {
    std::error_code ec;
    std::filesystem::directory_iterator it(mountPoint_, ec);
    return !ec;
}

}  // namespace portico
