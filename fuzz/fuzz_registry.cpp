// Feeds arbitrary bytes to the component registry as its file, then registers
// and unregisters a section: a value written reads back, a section removed is
// gone, and the lines before it are left as they were.
#include "tessera/ComponentRegistry.h"

#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path scratchFile() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", ec)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    return folder / ("portico-fuzz-registry-" + std::to_string(::getpid())) / "registry.ini";
}

struct Scratch {
    std::filesystem::path file = scratchFile();
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(file.parent_path(), ec);
    }
};

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    std::filesystem::create_directories(scratch.file.parent_path());
    const std::string original(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(scratch.file, std::ios::binary | std::ios::trunc);
        out.write(original.data(), static_cast<std::streamsize>(original.size()));
    }
    portico::tessera::ComponentRegistry registry(scratch.file);
    try {
        registry.load();
        const std::string section = "ProgID\\Fuzz.Component";
        std::string lower = original;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool mentioned = lower.find("fuzz.component") != std::string::npos;
        registry.setSection(section, {{"CLSID", "{1234}"}, {"Path", "/usr/lib/x.so"}});
        if (registry.value(section, "clsid") != "{1234}" || registry.value(section, "PATH") != "/usr/lib/x.so")
            std::abort();
        registry.removeSection(section);
        // Sections of that name written by others are removed one at a time.
        for (int i = 0; i < 64 && registry.hasSection(section); ++i) registry.removeSection(section);
        if (registry.hasSection(section)) std::abort();
        // A file that never named the section gets back every line it had.
        if (!mentioned && !original.empty() && original.back() == '\n' &&
            readAll(scratch.file).compare(0, original.size(), original) != 0)
            std::abort();
    } catch (const std::exception&) {
        // A file that cannot be used is refused; that is the sound outcome.
    }
    return 0;
}
