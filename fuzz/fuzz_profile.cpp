// Feeds arbitrary bytes to the INI readers and writer. The input's first line
// names a section, its second line a key; the rest is the file. After a write
// that succeeded, reading the key must give the written value back.
#include "settings/Profile.h"
#include "settings/clsIniFile.h"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::filesystem::path scratchFile() {
    std::error_code ec;
    // tmpfs keeps the writer's fsync cheap.
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", ec)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    return folder / ("portico-fuzz-profile-" + std::to_string(::getpid()) + ".ini");
}

// Removes the scratch file when the fuzzer exits.
struct ScratchFile {
    std::filesystem::path path = scratchFile();
    ~ScratchFile() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

std::string_view takeLine(std::string_view& input) {
    const auto end = input.find('\n');
    const auto line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return line.substr(0, 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const std::filesystem::path& file = scratch.path;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section(takeLine(input));
    const std::string key(takeLine(input));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }

    using namespace portico;
    profile::getString(section, key, "default", 255, file);
    profile::getInt(section, key, 7, file);
    profile::getSection(section, 4096, file);
    profile::getSection(section, 5, file);

    clsIniFile ini;
    ini.setFullPath(file.string());
    ini.setSectionName(section.find_first_not_of(" \t") == std::string::npos ? "S" : section);
    ini.GetSections();
    std::vector<std::string> names;
    ini.GetSectionsEx(names);
    ini.SectExist(key);
    std::vector<std::array<std::string, 2>> entries;
    ini.GetSectEntriesEx(entries);

    if (profile::writeString(section, key, "written value", file)) {
        const auto read = profile::getString(section, key, "", 255, file);
        if (read.text != "written value") __builtin_trap();
    }
    if (profile::writeString(section, key, std::nullopt, file)) {
        if (profile::getString(section, key, "gone", 255, file).text != "gone") __builtin_trap();
    }
    return 0;
}
