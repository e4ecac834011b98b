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

}  // namespace

// A run allocates a lot and briefly (record sets, a connection). With the
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

    // The folder is on tmpfs when there is one: writing the file costs a copy.
    const auto file = workFolder() / "Portico.mdb";
    std::filesystem::remove(workFolder() / "Portico.mdb-journal");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    portico::clsDBRoutines db(workFolder());
    db.openDatabase(file.string());
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
