#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace portico::tessera {

// The per-user component registry: a text file of "[section]" headers and
// "key=value" lines (see Tessera.h). Sections and keys match without regard to
// case; lines this class does not own, comments included, are kept as they are.
class ComponentRegistry {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;

    explicit ComponentRegistry(std::filesystem::path file);

    // $XDG_CONFIG_HOME/components/registry.ini, default ~/.config/components/registry.ini.
    static std::filesystem::path defaultFile();

    // Reads the file; a missing file is an empty registry. Throws PorticoError
    // when the file exists but cannot be read.
    void load();
    // Writes the whole registry through a temporary file and a rename, so that
    // a reader never sees half a file. Creates the folder (mode 0700) when missing.
    void save() const;

    void setSection(const std::string& name, const Values& values);
    void removeSection(const std::string& name);
    bool hasSection(const std::string& name) const;
    std::optional<std::string> value(const std::string& section, const std::string& key) const;

    const std::filesystem::path& file() const { return file_; }

private:
    struct Section {
        std::string name;  // empty for the lines before the first header
        std::vector<std::string> lines;
    };

    std::filesystem::path file_;
    std::vector<Section> sections_;

    Section* find(const std::string& name);
    const Section* find(const std::string& name) const;
};

}  // namespace portico::tessera
