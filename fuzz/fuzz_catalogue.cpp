// Opens arbitrary bytes as a catalogue file and runs the launcher's reads on it:
// a damaged or hostile catalogue must be reported, never crash the program.
#include "MessageSink.h"
#include "clsDBRoutines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
        std::string pattern = (std::filesystem::temp_directory_path() / "portico-fuzz-XXXXXX").string();
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietSink sink;
    static portico::ScopedMessageSink quiet(sink);
    const auto file = workFolder() / "Portico.mdb";
    std::filesystem::remove(workFolder() / "Portico.mdb-journal");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    portico::clsDBRoutines db(workFolder());
    db.openDatabase(file.string());
    if (auto programs = db.loadPrograms()) {
        for (long i = 0; i < programs->RecordCount() && i < 50; ++i) {
            const std::string name = programs->Fields("Program_Name").Value().isNull()
                                         ? std::string()
                                         : programs->Fields("Program_Name").Value().toText();
            db.getProgramPath(name);
            db.GetProgramParameters(name);
            db.GetProgramImage(name);
            programs->MoveNext();
        }
    }
    db.getDefaultTheme();
    db.GetThemeImage("Default", "Theme_LogoSplash");
    if (auto folders = db.GetFolders()) folders->RecordCount();
    db.LoadUserPermissionForDataReport();
    return 0;
}
