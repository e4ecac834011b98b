// The PE resource reader on arbitrary bytes: every enumeration and read a caller
// can make must stay inside the input, terminate and allocate no more than it holds.
#include "resource_viewer/IconGroup.h"
#include "resource_viewer/PeFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = portico::PeFile::fromBytes({data, size});
    if (!file) return 0;
    int budget = 64;  // reads per input, so a wide directory cannot make one input slow
    file->enumerateTypes([&](const portico::ResourceId& type) {
        file->enumerateNames(type, [&](const portico::ResourceId& name) {
            file->enumerateLanguages(type, name, [](std::uint16_t) { return true; });
            if (const auto bytes = file->readResource(type, name); bytes && bytes->size() > size) __builtin_trap();
            return --budget > 0;
        });
        return budget > 0;
    });
    // The picker's icon groups: every directory parsed, none trusted.
    for (const auto& [name, group] : portico::IconGroup::groupsOf(*file))
        if (group.members().empty() || group.sizesText().empty()) __builtin_trap();
    return 0;
}
