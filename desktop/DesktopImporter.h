#pragma once

#include "desktop/ApplicationIndex.h"
#include "desktop/IconTheme.h"

#include <QByteArray>

#include <optional>

#include <string>

namespace portico {
class clsDBRoutines;
}

namespace portico::desktop {

// What became of one desktop entry.
struct ImportOutcome {
    std::string id;
    std::string name;
    bool added = false;
    std::string reason;  // why it was skipped or failed, or what was left out when added
};

// The catalogue program a desktop entry describes.
struct ImportedProgram {
    std::string name;
    std::string description;
    std::string path;
    std::string parameters;
    std::string startIn;
    bool terminal = false;  // Terminal=true: started in the user's terminal
    QByteArray picture;  // stored picture; empty means the catalogue's default icon
};

// Turns desktop entries into catalogue programs: Name, Comment, Exec (program
// found on the search path, field codes removed), Path, Terminal and Icon. A name that the
// catalogue already has is reported, never overwritten.
class DesktopImporter {
public:
    // `locale` picks translated names ("de_DE.UTF-8"); empty takes the plain ones.
    DesktopImporter(clsDBRoutines& database, IconTheme icons, std::string searchPath, std::string locale = {});

    // The program for an entry, or nothing with the reason in `reason`.
    std::optional<ImportedProgram> programFor(const DesktopEntry& entry, std::string& reason) const;
    ImportOutcome import(const InstalledEntry& entry);

    // The locale of the messages of this process ($LC_ALL, $LC_MESSAGES, $LANG).
    static std::string environmentLocale();

private:
    clsDBRoutines& database_;
    IconTheme icons_;
    std::string searchPath_;
    std::string locale_;
};

}  // namespace portico::desktop
