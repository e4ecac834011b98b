#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace portico::tessera {

// The per-user component registry: a text file of "[section]" headers and
// "key=value" lines (see Tessera.h), read and written by the profile layer:
// sections and keys match without regard to case, only a regular file of a
// bounded size is read, and lines this class does not change, comments and
// line ends included, are kept as they are. Each change is written at once.
class ComponentRegistry {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;

    explicit ComponentRegistry(std::filesystem::path file);

    // $XDG_CONFIG_HOME/components/registry.ini, default ~/.config/components/registry.ini.
    static std::filesystem::path defaultFile();

    // Checks that the file can be used: a missing file is an empty registry.
    // Throws PorticoError when it exists but is not a regular file that can be
    // read (a FIFO, a folder, a file too large).
    void load();
    // Nothing to do: every change is already written. Kept for the callers' shape.
    void save() const {}

    // Replace the section's lines with `values` (creating the folder, mode 0700,
    // and the file when missing), or remove the section. Throw PorticoError when
    // the file cannot be written.
    void setSection(const std::string& name, const Values& values);
    void removeSection(const std::string& name);
    bool hasSection(const std::string& name) const;
    std::optional<std::string> value(const std::string& section, const std::string& key) const;

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;

    [[noreturn]] void accessError() const;
};

}  // namespace portico::tessera
