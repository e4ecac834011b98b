#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace portico::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes a file (creating its folders) and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& content) const;
    static std::string read(const std::filesystem::path& file);

private:
    std::filesystem::path path_;
};

// Points the program folder at a temporary folder for its lifetime, and the
// configuration folders at nothing, so Portico.ini is found only there.
class ScopedProgramFolder {
public:
    explicit ScopedProgramFolder(const std::filesystem::path& folder);
    ~ScopedProgramFolder();
    ScopedProgramFolder(const ScopedProgramFolder&) = delete;
    ScopedProgramFolder& operator=(const ScopedProgramFolder&) = delete;

private:
    std::vector<std::optional<std::string>> savedConfig_;
};

}  // namespace portico::test
