#pragma once

#include <filesystem>

namespace portico {

// Makes new, empty catalogue files from the checked-in schema.
class CatalogueFile {
public:
    // Creates `file` with the catalogue's tables and the one Settings row. Throws
    // PorticoError when the file already exists (it is never overwritten) or
    // cannot be written; a failed creation leaves no file behind.
    static void create(const std::filesystem::path& file);
    // True when `file` is a catalogue: a readable SQLite database with the
    // catalogue's tables. Reads only; never creates or changes the file.
    static bool isCatalogue(const std::filesystem::path& file);

    // Whether `file` is a catalogue that can be opened: throws PorticoError whose
    // description names the file and says what is wrong (missing, not an SQLite
    // database, a database without the catalogue's tables, unreadable). Waits up
    // to `timeoutSeconds` for a lock another program holds. Reports nothing.
    static void check(const std::filesystem::path& file, int timeoutSeconds = 100);
};

}  // namespace portico
