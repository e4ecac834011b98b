#include "ExistenceTests.h"

#include "FileSystem.h"
#include "TextUtil.h"

namespace portico {

bool fileExists(const std::string& path) { return FileSystem::FileExists(trimBlanks(path)); }

bool folderExists(const std::string& path) { return FileSystem::FolderExists(trimBlanks(path)); }

}  // namespace portico
