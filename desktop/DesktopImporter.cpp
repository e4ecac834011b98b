#include "desktop/DesktopImporter.h"

#include "database/clsDBRoutines.h"
#include "desktop/DesktopExec.h"
#include "desktop/ProgramPicture.h"
#include "settings/TextUtil.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace portico::desktop {
namespace fs = std::filesystem;

namespace {

// addProgram reads the new program's picture from the catalogue's picture
// folder. The import points it at a private folder of its own for the one call,
// so another window (or another Portico of the same user) writing temp.bmp at
// the same moment can never put its picture on the imported program.
class PrivatePictureFolder {
public:
    explicit PrivatePictureFolder(clsDBRoutines& database) : database_(database), previous_(database.PictureFolder()) {
        std::string pattern = (previous_ / "import-XXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
        if (!folder_.empty()) database_.setPictureFolder(folder_);
    }
    ~PrivatePictureFolder() {
        database_.setPictureFolder(previous_);
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    PrivatePictureFolder(const PrivatePictureFolder&) = delete;
    PrivatePictureFolder& operator=(const PrivatePictureFolder&) = delete;

    bool ready() const { return !folder_.empty(); }
    bool write(const QByteArray& picture) const {
        std::ofstream out(database_.programImageFile(), std::ios::binary | std::ios::trunc);
        out.write(picture.constData(), picture.size());
        return static_cast<bool>(out);
    }

private:
    clsDBRoutines& database_;
    fs::path previous_;
    fs::path folder_;
};

}  // namespace

DesktopImporter::DesktopImporter(clsDBRoutines& database, IconTheme icons, std::string searchPath, std::string locale)
    : database_(database), icons_(std::move(icons)), searchPath_(std::move(searchPath)), locale_(std::move(locale)) {}

std::string DesktopImporter::environmentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value && *value) return value;
    return {};
}

std::optional<ImportedProgram> DesktopImporter::programFor(const DesktopEntry& entry, std::string& reason) const {
    reason = whyNotOffered(entry, searchPath_);
    if (!reason.empty()) return std::nullopt;
    ImportedProgram program;
    program.name = trimBlanks(entry.localeString("Name", locale_));
    const auto command = parseExec(*entry.rawValue("Exec"), entry.localeString("Name", locale_));
    program.description = trimBlanks(entry.localeString("Comment", locale_));
    program.path = findExecutable(command->program, searchPath_);
    program.parameters = joinShellWords(command->arguments);
    program.startIn = entry.string("Path");
    program.terminal = entry.boolean("Terminal");
    bool tooLarge = false;
    program.picture = storedPictureFromIcon(icons_.files(entry.string("Icon")), &tooLarge);
    if (tooLarge) {
        reason = "picture too large";
        return std::nullopt;
    }
    return program;
}

ImportOutcome DesktopImporter::import(const InstalledEntry& installed) {
    ImportOutcome outcome;
    outcome.id = installed.id;
    outcome.name = trimBlanks(installed.entry.localeString("Name", locale_));
    const auto program = programFor(installed.entry, outcome.reason);
    if (!program) return outcome;
    // The catalogue compares names without regard to case.
    if (!database_.programNamedLike(program->name).empty()) {
        outcome.reason = "a program of this name is already in the catalogue";
        return outcome;
    }
    PrivatePictureFolder pictures(database_);
    if (!pictures.ready() || (!program->picture.isEmpty() && !pictures.write(program->picture))) {
        outcome.reason = "the picture could not be prepared in " + database_.PictureFolder().string();
        return outcome;
    }
    if (!database_.addProgram(program->name, program->description, program->path,
                              database_.programImageFile().string(), program->startIn, program->parameters)) {
        outcome.reason = "the catalogue refused it (see the message above)";
        return outcome;
    }
    // Added as an ordinary program; a catalogue that cannot keep the mark says so.
    outcome.added = true;
    if (program->terminal && !database_.setRunsInTerminal(program->name, true))
        outcome.reason = "added as an ordinary program: the catalogue cannot mark it to run in a terminal";
    return outcome;
}

}  // namespace portico::desktop
