// Arbitrary bytes as a desktop entry: parsing, every accessor and the Exec
// parser must survive them, and the parameters the importer stores must split
// back, by the launcher's own splitter, into exactly the parsed arguments.
#include "desktop/DesktopEntry.h"
#include "desktop/DesktopExec.h"
#include "launcher/ShellWords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entry = portico::desktop::DesktopEntry::parse(text);
    (void)entry.localeString("Name", "de_DE.UTF-8@euro");
    (void)entry.list("Categories");
    (void)entry.list("Directories", "Icon Theme", ',');
    (void)entry.boolean("NoDisplay");
    for (const auto& exec : {entry.rawValue("Exec"), std::optional<std::string>(std::string(text))}) {
        if (!exec) continue;
        const auto command = portico::desktop::parseExec(*exec);
        if (!command) continue;
        if (command->program.empty()) std::abort();
        const auto split = portico::splitShellWords(portico::desktop::joinShellWords(command->arguments));
        if (!split || *split != command->arguments) std::abort();
    }
    return 0;
}
