#pragma once

#include "desktop/DesktopEntry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace portico::desktop {

// An installed desktop entry and its desktop-file id: the path below its
// "applications" folder with '/' turned into '-' ("kde/foo.desktop" is
// "kde-foo.desktop").
struct InstalledEntry {
    std::string id;
    std::filesystem::path file;
    DesktopEntry entry;
};

// The desktop entries installed in a list of "applications" folders, earlier
// folders first. An id found in an earlier folder hides the same id in later
// ones, also when the earlier entry is Hidden: that is how a user removes a
// system entry from their menu.
class ApplicationIndex {
public:
    explicit ApplicationIndex(const std::vector<std::filesystem::path>& applicationFolders);
    // The folders of the XDG data search path.
    static ApplicationIndex installed();

    // Every winning entry, in id order.
    const std::vector<InstalledEntry>& entries() const { return entries_; }
    // The entries a menu would show: see whyNotOffered.
    std::vector<const InstalledEntry*> offered(const std::string& searchPath) const;
    const InstalledEntry* findById(const std::string& id) const;
    // The entry whose Exec or TryExec runs `executable` (compared as canonical
    // paths, bare names looked up in `searchPath`); entries a menu shows come
    // before NoDisplay ones, Hidden ones never match. Null when none does.
    const InstalledEntry* findByExecutable(const std::filesystem::path& executable,
                                           const std::string& searchPath) const;

private:
    std::vector<InstalledEntry> entries_;
};

// Empty when a menu would offer the entry; otherwise why not ("hidden",
// "not shown in menus (NoDisplay)", "TryExec program not installed: x", ...).
std::string whyNotOffered(const DesktopEntry& entry, const std::string& searchPath);

// Reads and parses one file; files larger than 1 MiB are not desktop entries
// and give an empty entry.
DesktopEntry readDesktopEntryFile(const std::filesystem::path& file);

}  // namespace portico::desktop
