// Opens arbitrary bytes as a catalogue file and runs the programs' reads and
// writes on it: a damaged or hostile catalogue must be reported, never crash
// the program.
#include "MessageSink.h"
#include "PorticoError.h"
#include "clsDBRoutines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <sqlite3.h>

namespace {

class QuietSink final : public portico::MessageSink {
public:
    void showMessage(const std::string&, const std::string&, portico::MessageIcon) override {}
};

// A private folder for the catalogue and its exported pictures, removed at exit.
class WorkFolder {
public:
    WorkFolder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "portico-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder;
    return folder.path();
}


// The catalogue under test lives in SQLite's shared in-memory store, loaded from
// the input by a handle kept for the whole run; the data layer opens it by
// name like any file. A run then costs no file creation and no disk writes.
constexpr const char* kCatalogueName = "file:/portico-fuzz-catalogue?vfs=memdb";

sqlite3* storeHandle() {
    static sqlite3* handle = [] {
        sqlite3_config(SQLITE_CONFIG_URI, 1);
        sqlite3* opened = nullptr;
        if (sqlite3_open_v2(kCatalogueName, &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                            nullptr) != SQLITE_OK)
            std::abort();
        return opened;
    }();
    return handle;
}

}  // namespace

// A run allocates a lot and briefly (record sets, two connections). With the
// default 256 MB quarantine every allocation lands on fresh pages, and page
// faults, pattern fills and stack captures took most of a run's time.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16:malloc_context_size=2:max_malloc_fill_size=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietSink sink;
    static portico::ScopedMessageSink quiet(sink);
    static const bool picked = [] {
        std::ofstream(workFolder() / "temp.bmp", std::ios::binary) << "BM picked icon";
        return true;
    }();
    (void)picked;

    // The input becomes a private in-memory database, whose pages are then
    // copied into the shared store (a damaged file may not copy: nothing to test).
    static sqlite3* input = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
        return opened;
    }();
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    bool loaded = copy && sqlite3_deserialize(input, "main", copy, static_cast<sqlite3_int64>(size),
                                              static_cast<sqlite3_int64>(size),
                                              SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) == SQLITE_OK;
    if (loaded) {
        sqlite3_backup* backup = sqlite3_backup_init(storeHandle(), "main", input, "main");
        loaded = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
        if (backup) sqlite3_backup_finish(backup);
    }
    if (!loaded) return 0;

    // One data layer for the whole run, as a program has: its connection and
    // prepared statements stay, and the engine prepares them again whenever the
    // store's schema changed under them. A connection left closed by a file that
    // was no catalogue is opened again by the next operation.
    static portico::clsDBRoutines db(workFolder());
    static const bool opened = (db.openDatabase(kCatalogueName), true);
    (void)opened;
    if (auto programs = db.loadPrograms()) {
        for (long i = 0; i < programs->RecordCount() && i < 8; ++i) {
            try {
                const portico::Variant& value = programs->Fields("Program_Name").Value();
                const std::string name = value.isNull() ? std::string() : value.toText();
                db.getProgramPath(name);
                db.GetProgramParameters(name);
                if (i < 2) db.GetProgramImage(name);
            } catch (const portico::PorticoError&) {
                // A name stored as bytes: the lists leave such a row out.
            }
            programs->MoveNext();
        }
    }
    db.getDefaultTheme();
    db.GetThemeImage("Default", "Theme_LogoSplash");
    if (auto folders = db.GetFolders()) folders->RecordCount();
    db.LoadUserPermissionForDataReport();
    db.LoadGroupPermissionForDataReport();

    // The administration program's writes, on whatever the store holds: one
    // group a run, picked by the file's header, so every group is reached and a
    // run stays short.
    unsigned header = 0;
    for (std::size_t i = 0; i < size && i < 100; ++i) header += data[i];
    switch (header % 4) {
    case 0:
        db.addProgram("Fuzz", "description", "/usr/bin/true", "", "/tmp", "-x");
        db.updateProgram("Fuzz", "Fuzzed", "changed", "/usr/bin/false");
        db.deleteProgram("Fuzzed");
        break;
    case 1:
        db.AddUser("user", "S-1");
        db.AddGroup("group");
        db.AddSecurity("user", 1, "Program 1", 1);
        db.AddSecurity("group", 0, "Program 1", 2);
        db.LoadProgramsByGroup("group");
        db.DeleteSecurity(1, 1);
        break;
    case 2:
        db.AddFolder("Folder", "/srv");
        db.DeleteFolder("Folder");
        db.CreateTheme("Theme", (workFolder() / "temp.bmp").string());
        db.setDefaultTheme("Theme");
        db.DeleteTheme("Theme");
        break;
    default: break;
    }
    return 0;
}
