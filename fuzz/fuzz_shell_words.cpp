// Splitting a stored command line never crashes, and words quoted back for a
// shell split into the same words again.
#include "launcher/ShellWords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto words = portico::splitShellWords(line);
    if (!words) return 0;
    std::string quoted;
    for (const auto& word : *words) {
        quoted += '\'';
        for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        quoted += "' ";
    }
    const auto again = portico::splitShellWords(quoted);
    if (!again || *again != *words) std::abort();
    return 0;
}
