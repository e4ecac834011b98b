// portico-make-demo PROGRAM_FOLDER: fills an empty catalogue in
// PROGRAM_FOLDER/data/Portico.mdb (made by portico-create-catalogue) with a demo:
// four X11 programs with pictures, one default theme with both pictures, and two
// browsable folders; writes PROGRAM_FOLDER/Portico.ini when it is missing.
// A catalogue that already holds programs or themes is left alone.
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/clsEnvironment.h"
#include "views/Artwork.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;
using namespace portico;

namespace {

void save(const QImage& image, const fs::path& file, const char* format) {
    QImageWriter writer(QString::fromStdString(file.string()), format);
    if (!writer.write(image))
        throw PorticoError(errors::kCannotWriteFile, "Cannot write " + file.string() + ": " + writer.errorString().toStdString(),
                           "portico-make-demo");
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

long count(std::unique_ptr<Recordset> records) { return records ? records->RecordCount() : -1; }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " PROGRAM_FOLDER\n";
        return 2;
    }
    try {
        const fs::path folder = fs::absolute(argv[1]).lexically_normal();
        const fs::path catalogue = folder / "data" / "Portico.mdb";
        if (!fs::exists(catalogue)) {
            std::cerr << "No catalogue at " << catalogue << "; make one with portico-create-catalogue first.\n";
            return 1;
        }
        // Pictures pass through files on their way into the catalogue.
        std::string scratch = (fs::temp_directory_path() / "portico-demo-XXXXXX").string();
        if (!::mkdtemp(scratch.data())) throw PorticoError(errors::kPathFileAccessError, "Cannot make a temporary folder", "portico-make-demo");
        const fs::path pictures = scratch;
        struct Cleanup {
            fs::path path;
            ~Cleanup() {
                std::error_code ec;
                fs::remove_all(path, ec);
            }
        } cleanup{pictures};

        clsDBRoutines db(pictures);
        db.setDefaultIconPath((folder / "Default.ico").string());
        db.openDatabase(catalogue.string());
        const long programs = count(db.loadPrograms());
        const long themes = count(db.LoadThemes());
        if (programs < 0 || themes < 0) return 1;
        if (programs == 0 && themes == 0) {
            struct DemoProgram {
                const char* name;
                const char* description;
                const char* path;
                const char* parameters;
                QImage picture;
            };
            const DemoProgram demo[] = {
                {"Clock", "An analogue clock that keeps the time on your desktop.", "/usr/bin/xclock", "-update 1",
                 artwork::clockIcon(32)},
                {"Eyes", "A pair of eyes that follow the mouse pointer around the screen.", "/usr/bin/xeyes", "",
                 artwork::eyesIcon(32)},
                {"Calculator", "A scientific calculator.", "/usr/bin/xcalc", "", artwork::calculatorIcon(32)},
                {"X Logo", "Shows the logo of the X Window System.", "/usr/bin/xlogo", "", artwork::logoIcon(32)},
            };
            for (const auto& program : demo) {
                // The picture file holds an icon, whatever it is called.
                save(program.picture, db.programImageFile(), "ico");
                if (!db.addProgram(program.name, program.description, program.path, "", "", program.parameters))
                    return 1;
            }
            save(artwork::splashPicture(400, 300), pictures / "splash.bmp", "bmp");
            save(artwork::addRemovePicture(400, 60), pictures / "addremove.bmp", "bmp");
            if (!db.CreateTheme("Portico Blue", (pictures / "splash.bmp").string(),
                                (pictures / "addremove.bmp").string()) ||
                !db.setDefaultTheme("Portico Blue"))
                return 1;

            const fs::path documents = folder / "demo" / "Documents";
            writeText(documents / "Welcome.txt",
                      "Welcome to Portico.\n\nDouble-click a program to start it, or a folder to browse it.\n");
            writeText(documents / "Shopping list.txt", "bread\nmilk\ncoffee\n");
            writeText(documents / "Projects" / "Plan.txt", "1. Try Portico\n2. Catalogue our programs\n");
            writeText(documents / "Projects" / "Archive" / "Old plan.txt", "Done.\n");
            const fs::path gallery = folder / "demo" / "Pictures";
            fs::create_directories(gallery);
            save(artwork::splashPicture(640, 480), gallery / "Portico.png", "png");
            save(artwork::clockIcon(128), gallery / "Clock.png", "png");
            if (!db.AddFolder("Documents", documents.string()) || !db.AddFolder("Pictures", gallery.string()))
                return 1;
            std::cout << "Demo catalogue written to " << catalogue << '\n';
        } else {
            std::cout << "The catalogue " << catalogue << " already has content; left as it is.\n";
        }

        // The settings beside the programs: created with their defaults when missing.
        setProgramFolder(folder.string());
        clsEnvironment environment;
        environment.loadSettings((folder / "Portico.ini").string());
    } catch (const PorticoError& error) {
        std::cerr << argv[0] << ": " << error.number() << ", " << error.description() << '\n';
        return 1;
    }
    return 0;
}
