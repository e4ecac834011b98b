#include "tessera/ComponentRegistry.h"

#include "settings/ErrorNumbers.h"
#include "settings/PictureFolder.h"
#include "settings/PorticoError.h"
#include "settings/Profile.h"
#include "settings/SafeFile.h"

#include <cstdlib>
#include <limits>
#include <strings.h>

namespace portico::tessera {

namespace {

constexpr const char* kSource = "Tessera.Registry";

// The section's "key=value" items, as the profile layer lists them.
std::vector<std::string> sectionItems(const std::string& section, const std::filesystem::path& file) {
    const auto listed = profile::getSection(section, std::numeric_limits<std::size_t>::max(), file);
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < listed.text.size()) {
        auto end = listed.text.find('\0', start);
        if (end == std::string::npos) end = listed.text.size();
        if (end > start) items.push_back(listed.text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

}  // namespace

ComponentRegistry::ComponentRegistry(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path ComponentRegistry::defaultFile() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        throw PorticoError(errors::kInvalidArgument, "No folder for the component registry: HOME is not set", kSource);
    }
    return base / "components" / "registry.ini";
}

void ComponentRegistry::accessError() const { throw PorticoError(errors::kPathFileAccessError, "Path/File access error: " + file_.string(), kSource); }

void ComponentRegistry::load() {
    std::string content;
    std::error_code ec;
    if (SafeFile::read(file_, content, ec, profile::kMaxProfileBytes, SafeFile::Links::Follow)) return;
    if (ec == std::errc::no_such_file_or_directory) return;
    accessError();
}

void ComponentRegistry::setSection(const std::string& name, const Values& values) {
    ensurePrivateFolder(file_.parent_path());
    std::string entries;
    for (const auto& [key, value] : values) {
        entries += key + "=" + value;
        entries += '\0';
    }
    entries += '\0';
    if (!profile::writeSection(name, entries, file_)) accessError();
}

void ComponentRegistry::removeSection(const std::string& name) {
    if (!profile::writeString(name, std::nullopt, std::nullopt, file_)) accessError();
}

bool ComponentRegistry::hasSection(const std::string& name) const { return !sectionItems(name, file_).empty(); }

std::optional<std::string> ComponentRegistry::value(const std::string& sectionName, const std::string& key) const {
    for (const auto& item : sectionItems(sectionName, file_)) {
        const auto equals = item.find('=');
        if (equals != std::string::npos && ::strcasecmp(item.substr(0, equals).c_str(), key.c_str()) == 0)
            return item.substr(equals + 1);
    }
    return std::nullopt;
}

}  // namespace portico::tessera
