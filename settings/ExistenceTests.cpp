#include "settings/ExistenceTests.h"

#include "settings/FileSystem.h"
#include "settings/TextUtil.h"

namespace portico {

bool fileExists(const std::string& path) { return FileSystem::FileExists(trimBlanks(path)); }

bool folderExists(const std::string& path) { return FileSystem::FolderExists(trimBlanks(path)); }

}  // namespace portico
