#include "desktop/ApplicationIndex.h"

#include "desktop/DesktopExec.h"
#include "desktop/XdgDirs.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace portico::desktop {
namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxEntrySize = 1 << 20;

std::string canonicalText(const fs::path& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? std::string() : resolved.string();
}

std::string execProgram(const DesktopEntry& entry, const std::string& searchPath) {
    const auto raw = entry.rawValue("Exec");
    if (!raw) return {};
    const auto command = parseExec(*raw);
    return command ? findExecutable(command->program, searchPath) : std::string();
}

}  // namespace

DesktopEntry readDesktopEntryFile(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error || size > kMaxEntrySize) return {};
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return DesktopEntry::parse(text.str());
}

ApplicationIndex::ApplicationIndex(const std::vector<fs::path>& applicationFolders) {
    std::map<std::string, InstalledEntry> byId;
    for (const fs::path& folder : applicationFolders) {
        std::error_code error;
        if (!fs::is_directory(folder, error)) continue;
        // Ids found in this folder; a later folder never replaces them.
        std::map<std::string, InstalledEntry> found;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it.depth() > 8) {
                it.disable_recursion_pending();
                continue;
            }
            const fs::path& file = it->path();
            if (file.extension() != ".desktop" || !it->is_regular_file(error)) continue;
            std::string id = file.lexically_relative(folder).string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (byId.count(id) || found.count(id)) continue;
            found.emplace(id, InstalledEntry{id, file, readDesktopEntryFile(file)});
        }
        byId.merge(found);
    }
    for (auto& [id, entry] : byId) entries_.push_back(std::move(entry));
}

ApplicationIndex ApplicationIndex::installed() { return ApplicationIndex(applicationFolders()); }

std::vector<const InstalledEntry*> ApplicationIndex::offered(const std::string& searchPath) const {
    std::vector<const InstalledEntry*> result;
    for (const InstalledEntry& entry : entries_)
        if (whyNotOffered(entry.entry, searchPath).empty()) result.push_back(&entry);
    return result;
}

const InstalledEntry* ApplicationIndex::findById(const std::string& id) const {
    for (const InstalledEntry& entry : entries_)
        if (entry.id == id) return &entry;
    return nullptr;
}

const InstalledEntry* ApplicationIndex::findByExecutable(const fs::path& executable,
                                                         const std::string& searchPath) const {
    const std::string wanted = canonicalText(executable);
    if (wanted.empty()) return nullptr;
    const InstalledEntry* hiddenFromMenus = nullptr;
    for (const InstalledEntry& candidate : entries_) {
        const DesktopEntry& entry = candidate.entry;
        if (entry.boolean("Hidden") || entry.string("Type") != "Application") continue;
        const std::string tryExec = findExecutable(entry.string("TryExec"), searchPath);
        const bool runs = canonicalText(execProgram(entry, searchPath)) == wanted ||
                          (!tryExec.empty() && canonicalText(tryExec) == wanted);
        if (!runs) continue;
        if (!entry.boolean("NoDisplay")) return &candidate;
        if (!hiddenFromMenus) hiddenFromMenus = &candidate;
    }
    return hiddenFromMenus;
}

std::string whyNotOffered(const DesktopEntry& entry, const std::string& searchPath) {
    if (!entry.hasGroup(DesktopEntry::kMainGroup)) return "not a desktop entry";
    if (entry.string("Type") != "Application") return "not an application (Type=" + entry.string("Type") + ")";
    if (entry.boolean("Hidden")) return "hidden (Hidden=true)";
    if (entry.boolean("NoDisplay")) return "not shown in menus (NoDisplay=true)";
    if (entry.string("Name").empty()) return "no Name";
    const std::string tryExec = entry.string("TryExec");
    if (!tryExec.empty() && findExecutable(tryExec, searchPath).empty())
        return "TryExec program not installed: " + tryExec;
    const auto raw = entry.rawValue("Exec");
    if (!raw) return "no Exec";
    const auto command = parseExec(*raw);
    if (!command) return "Exec cannot be parsed";
    if (findExecutable(command->program, searchPath).empty())
        return "program not installed: " + command->program;
    return {};
}

}  // namespace portico::desktop
