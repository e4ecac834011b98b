#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace portico::desktop {

// One picture file of an icon: its nominal size, and whether it scales
// (an SVG in a Scalable folder draws well at any size in [minSize, maxSize]).
struct IconFile {
    std::filesystem::path path;
    int size = 0;
    int minSize = 0;
    int maxSize = 0;
    bool scalable = false;
};

// Icon lookup after the freedesktop icon theme rules: the icon is looked for in
// the theme, then in the themes it inherits, then in "hicolor", then as a
// plain file in the pixmaps folder. Files are .png, .svg or .xpm. Themes live
// in the "icons" folder of each base folder (~/.icons, then each XDG data
// folder); a theme's index.theme is read from the first base folder that has one.
class IconTheme {
public:
    // `themeName` empty means "hicolor"; `baseFolders` are the folders holding
    // theme folders, `pixmapFolders` the last resort for bare files.
    IconTheme(std::string themeName, std::vector<std::filesystem::path> baseFolders,
              std::vector<std::filesystem::path> pixmapFolders);
    // ~/.icons, $XDG_DATA_HOME/icons, $XDG_DATA_DIRS/*/icons; pixmaps in /usr/share/pixmaps.
    static IconTheme system(const std::string& themeName);

    // Every file of the icon in the first theme of the chain that has it (or
    // the pixmap file), largest first. An absolute path is its own single file.
    std::vector<IconFile> files(const std::string& iconName) const;
    // The file that best fits `size` pixels; empty when there is none.
    std::filesystem::path lookup(const std::string& iconName, int size) const;
    // The names of every icon of the theme chain and the pixmaps, sorted, each once.
    std::vector<std::string> iconNames() const;

    // The theme names searched, in order (the theme, what it inherits, hicolor).
    const std::vector<std::string>& themeChain() const { return chain_; }

private:
    struct Directory {
        std::string subdir;
        int size = 0;
        int scale = 1;
        int minSize = 0;
        int maxSize = 0;
        int threshold = 2;
        std::string type = "Threshold";
    };
    struct Theme {
        std::vector<std::filesystem::path> roots;  // this theme's folder in each base folder
        std::vector<Directory> directories;
    };

    // Reads one theme into themes_ and chain_; gives the themes it inherits.
    std::vector<std::string> loadTheme(const std::string& name);
    const Theme* theme(const std::string& name) const;
    std::vector<IconFile> themeFiles(const Theme& theme, const std::string& iconName) const;

    std::vector<std::filesystem::path> baseFolders_;
    std::vector<std::filesystem::path> pixmapFolders_;
    std::vector<std::string> chain_;
    std::map<std::string, Theme> themes_;
};

}  // namespace portico::desktop
