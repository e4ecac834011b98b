#include "desktop/IconTheme.h"

#include "desktop/ApplicationIndex.h"
#include "desktop/XdgDirs.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace portico::desktop {
namespace fs = std::filesystem;

namespace {

constexpr const char* kExtensions[] = {".png", ".svg", ".xpm"};

int toInt(const std::string& text, int fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || value < 0 || value > 100000) return fallback;
    return static_cast<int>(value);
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

int distance(const IconFile& file, int size) {
    if (file.scalable) {
        if (size < file.minSize) return file.minSize - size;
        if (size > file.maxSize) return size - file.maxSize;
        return 0;
    }
    return std::abs(file.size - size);
}

}  // namespace

IconTheme::IconTheme(std::string themeName, std::vector<fs::path> baseFolders, std::vector<fs::path> pixmapFolders)
    : baseFolders_(std::move(baseFolders)), pixmapFolders_(std::move(pixmapFolders)) {
    // Walk the inheritance breadth-first; a loop or a missing theme ends a
    // branch, and every chain ends in hicolor.
    std::vector<std::string> pending{themeName.empty() ? "hicolor" : themeName};
    for (int pass = 0; pass < 2; ++pass) {
        while (!pending.empty() && chain_.size() < 32) {
            const std::string name = pending.front();
            pending.erase(pending.begin());
            if (name.empty() || name.find('/') != std::string::npos ||
                std::find(chain_.begin(), chain_.end(), name) != chain_.end())
                continue;
            for (std::string& parent : loadTheme(name)) pending.push_back(std::move(parent));
        }
        if (std::find(chain_.begin(), chain_.end(), "hicolor") != chain_.end()) break;
        pending = {"hicolor"};
    }
}

std::vector<std::string> IconTheme::loadTheme(const std::string& name) {
    Theme loaded;
    DesktopEntry index;
    for (const fs::path& base : baseFolders_) {
        const fs::path root = base / name;
        std::error_code error;
        if (!fs::is_directory(root, error)) continue;
        loaded.roots.push_back(root);
        if (!index.hasGroup("Icon Theme") && isFile(root / "index.theme"))
            index = readDesktopEntryFile(root / "index.theme");
    }
    if (loaded.roots.empty()) return {};
    chain_.push_back(name);
    for (const std::string& subdir : index.list("Directories", "Icon Theme", ',')) {
        if (!index.hasGroup(subdir)) continue;
        Directory directory;
        directory.subdir = subdir;
        directory.size = toInt(index.string("Size", subdir), 0);
        directory.scale = std::max(1, toInt(index.string("Scale", subdir), 1));
        directory.type = index.string("Type", subdir).empty() ? "Threshold" : index.string("Type", subdir);
        directory.minSize = toInt(index.string("MinSize", subdir), directory.size);
        directory.maxSize = toInt(index.string("MaxSize", subdir), directory.size);
        directory.threshold = toInt(index.string("Threshold", subdir), 2);
        if (directory.size > 0) loaded.directories.push_back(directory);
    }
    themes_.emplace(name, std::move(loaded));
    return index.list("Inherits", "Icon Theme", ',');
}

IconTheme IconTheme::system(const std::string& themeName) {
    std::vector<fs::path> bases;
    if (const char* home = std::getenv("HOME"); home && *home) bases.push_back(fs::path(home) / ".icons");
    for (const fs::path& folder : dataSearchPath()) bases.push_back(folder / "icons");
    return IconTheme(themeName, std::move(bases), {"/usr/share/pixmaps"});
}

const IconTheme::Theme* IconTheme::theme(const std::string& name) const {
    const auto it = themes_.find(name);
    return it == themes_.end() ? nullptr : &it->second;
}

std::vector<IconFile> IconTheme::themeFiles(const Theme& theme, const std::string& iconName) const {
    std::vector<IconFile> files;
    for (const Directory& directory : theme.directories) {
        // Double-size folders (Scale=2) hold the same pictures for dense screens.
        if (directory.scale != 1) continue;
        for (const fs::path& root : theme.roots) {
            for (const char* extension : kExtensions) {
                const fs::path path = root / directory.subdir / (iconName + extension);
                if (!isFile(path)) continue;
                IconFile file;
                file.path = path;
                file.size = directory.size;
                file.scalable = directory.type == "Scalable";
                if (directory.type == "Threshold") {
                    file.minSize = directory.size - directory.threshold;
                    file.maxSize = directory.size + directory.threshold;
                } else {
                    file.minSize = directory.minSize;
                    file.maxSize = directory.maxSize;
                }
                files.push_back(std::move(file));
            }
        }
    }
    return files;
}

std::vector<IconFile> IconTheme::files(const std::string& iconName) const {
    std::vector<IconFile> found;
    if (iconName.empty()) return found;
    if (iconName.front() == '/') {
        if (isFile(iconName)) found.push_back({iconName, 0, 0, 0, fs::path(iconName).extension() == ".svg"});
        return found;
    }
    // An icon name never holds a path; "../x" must not walk out of the themes.
    if (iconName.find('/') != std::string::npos || iconName == "." || iconName == "..") return found;
    for (const std::string& name : chain_) {
        if (const Theme* t = theme(name)) found = themeFiles(*t, iconName);
        if (!found.empty()) break;
    }
    if (found.empty()) {
        for (const fs::path& folder : pixmapFolders_) {
            for (const char* extension : kExtensions) {
                const fs::path path = folder / (iconName + extension);
                if (isFile(path)) found.push_back({path, 0, 0, 0, std::string(extension) == ".svg"});
            }
            if (!found.empty()) break;
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const IconFile& a, const IconFile& b) {
        if (a.scalable != b.scalable) return a.scalable;
        return a.size > b.size;
    });
    return found;
}

fs::path IconTheme::lookup(const std::string& iconName, int size) const {
    const auto candidates = files(iconName);
    const IconFile* best = nullptr;
    for (const IconFile& file : candidates)
        if (!best || distance(file, size) < distance(*best, size)) best = &file;
    return best ? best->path : fs::path();
}

std::vector<std::string> IconTheme::iconNames() const {
    std::set<std::string> names;
    const auto collect = [&names](const fs::path& folder) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const fs::path& path = it->path();
            const std::string extension = path.extension().string();
            if (extension == ".png" || extension == ".svg" || extension == ".xpm") names.insert(path.stem().string());
        }
    };
    for (const std::string& name : chain_) {
        const Theme* t = theme(name);
        if (!t) continue;
        for (const Directory& directory : t->directories)
            if (directory.scale == 1)
                for (const fs::path& root : t->roots) collect(root / directory.subdir);
    }
    for (const fs::path& folder : pixmapFolders_) collect(folder);
    return {names.begin(), names.end()};
}

}  // namespace portico::desktop
