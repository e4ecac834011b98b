#include "tests/support/TempFolder.h"

#include "settings/ProgramFolder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace portico::test {

TempFolder::TempFolder() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("portico-test-" + std::to_string(rd()) + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = std::filesystem::canonical(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempFolder::write(const std::string& name, const std::string& content) const {
    const auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file;
}

std::string TempFolder::read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

// The programs look for Portico.ini in the user's and the system's
// configuration folders before the program folder: a test's program folder must
// not lose to a file the machine happens to have there.
const char* const kConfigVariables[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};

}  // namespace

ScopedProgramFolder::ScopedProgramFolder(const std::filesystem::path& folder) {
    setProgramFolder(folder.string());
    for (const char* name : kConfigVariables) {
        const char* old = std::getenv(name);
        savedConfig_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, (folder / ".no-config").c_str(), 1);
    }
}

ScopedProgramFolder::~ScopedProgramFolder() {
    setProgramFolder("");
    for (std::size_t i = 0; i < savedConfig_.size(); ++i) {
        if (savedConfig_[i])
            ::setenv(kConfigVariables[i], savedConfig_[i]->c_str(), 1);
        else
            ::unsetenv(kConfigVariables[i]);
    }
}

}  // namespace portico::test
