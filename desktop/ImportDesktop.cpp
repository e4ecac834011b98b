// portico-import-desktop: adds the programs of desktop entries to a catalogue.
//   portico-import-desktop [--catalogue FILE] ENTRY.desktop...
//   portico-import-desktop [--catalogue FILE] --all
// An ENTRY is a file, or the id of an installed entry ("xterm.desktop").
#include "database/clsDBRoutines.h"
#include "desktop/ApplicationIndex.h"
#include "desktop/DesktopImporter.h"
#include "desktop/IconTheme.h"
#include "settings/SettingsLocation.h"
#include "settings/clsIniFile.h"

#include <QGuiApplication>
#include <QIcon>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage(const char* program) {
    std::cerr << "usage: " << program << " [--catalogue FILE] ENTRY.desktop...\n"
              << "       " << program << " [--catalogue FILE] --all\n";
    return 2;
}

// The catalogue the programs use: DatabasePath of the settings file they read.
std::string configuredCatalogue() {
    const std::string settings = portico::settingsFile();
    portico::clsIniFile ini;
    if (!ini.Exists(settings)) return {};
    ini.setFullPath(settings);
    ini.setSectionName("Database");
    return ini.GetString("DatabasePath", "");
}

}  // namespace

int main(int argc, char** argv) {
    std::string catalogue;
    bool all = false;
    std::vector<std::string> entries;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--catalogue" && i + 1 < argc)
            catalogue = argv[++i];
        else if (argument.rfind("--catalogue=", 0) == 0)
            catalogue = argument.substr(12);
        else if (argument == "--all")
            all = true;
        else if (argument == "--help" || argument == "-h") {
            usage(argv[0]);
            return 0;
        }
        else if (!argument.empty() && argument.front() == '-')
            return usage(argv[0]);
        else
            entries.push_back(argument);
    }
    if (all == !entries.empty()) return usage(argv[0]);

    // Pictures are drawn with Qt; the tool never opens a window.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);

    if (catalogue.empty()) catalogue = configuredCatalogue();
    std::error_code error;
    if (catalogue.empty() || !std::filesystem::is_regular_file(catalogue, error)) {
        std::cerr << argv[0] << ": no catalogue " << (catalogue.empty() ? "configured" : "at " + catalogue)
                  << "; name one with --catalogue FILE\n";
        return 1;
    }
    portico::clsDBRoutines database;
    database.setDefaultIconPath(portico::programDataFile("Default.ico"));
    database.openDatabase(catalogue);

    const char* path = std::getenv("PATH");
    const std::string searchPath = path ? path : "/usr/local/bin:/usr/bin:/bin";
    const auto index = portico::desktop::ApplicationIndex::installed();
    portico::desktop::DesktopImporter importer(database,
                                               portico::desktop::IconTheme::system(QIcon::themeName().toStdString()),
                                               searchPath, portico::desktop::DesktopImporter::environmentLocale());

    int added = 0;
    int skipped = 0;
    std::vector<portico::desktop::InstalledEntry> chosen;
    if (all) {
        chosen = index.entries();
    } else {
        for (const std::string& name : entries) {
            if (std::filesystem::is_regular_file(name, error)) {
                const std::filesystem::path file(name);
                chosen.push_back({file.filename().string(), file, portico::desktop::readDesktopEntryFile(file)});
            } else if (const auto* installed = index.findById(name)) {
                chosen.push_back(*installed);
            } else {
                std::cout << "skipped: " << name << ": no such file or installed entry\n";
                ++skipped;
            }
        }
    }

    for (const auto& entry : chosen) {
        const auto outcome = importer.import(entry);
        const std::string label = outcome.name.empty() ? outcome.id : outcome.name + " (" + outcome.id + ")";
        if (outcome.added) {
            std::cout << "added: " << label << "\n";
            ++added;
        } else {
            std::cout << "skipped: " << label << ": " << outcome.reason << "\n";
            ++skipped;
        }
    }
    std::cout << added << " added, " << skipped << " skipped\n";
    return 0;
}
