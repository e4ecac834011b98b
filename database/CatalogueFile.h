#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

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

    // A 32-bit field of the database header at `offset` (24: the change
    // counter, 60: the user version), read without opening the database;
    // nothing when `file` is not an SQLite database.
    static std::optional<std::uint32_t> headerField(const std::filesystem::path& file, std::size_t offset);
};

}  // namespace portico
