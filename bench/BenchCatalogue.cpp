// Makes the catalogue that bench/startup measures, twice over: N programs with
// 32x32 pictures in a Portico catalogue, and the same N programs as desktop
// entries with the same pictures for rofi.
//
//   portico-bench-catalogue FOLDER N
//
// FOLDER/config/portico/Portico.ini   the settings (XDG_CONFIG_HOME=FOLDER/config)
// FOLDER/Portico.mdb                  N programs, 20 folders, a theme with a 220x400 picture
// FOLDER/share/applications/*.desktop the same programs (XDG_DATA_DIRS=FOLDER/share)
// FOLDER/icons/*.png                  their pictures
//
// Every picture differs from every other, so that nothing is measured faster
// for sharing pictures than a real catalogue would allow.
#include "bench/BenchFiles.h"
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "views/Artwork.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace portico;
using portico::bench::encode;
using portico::bench::writeFile;

namespace {

// Program i's picture: a colour of its own and a mark, as an icon drawn by hand would have.
QImage pictureOf(int i) {
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(QColor((i * 37) & 0xff, (i >> 8) * 53 & 0xff, 90 + (i & 0x7f)));
    QPainter painter(&picture);
    painter.setPen(QColor::fromHsv(i % 360, 255, 255));
    painter.drawEllipse(4 + i % 7, 4 + i % 5, 20, 20);
    painter.drawLine(0, i % 32, 31, 31 - i % 32);
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: portico-bench-catalogue FOLDER N\n");
        return 1;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    const fs::path folder = fs::absolute(argv[1]);
    const int programs = std::atoi(argv[2]);
    if (programs < 0 || fs::exists(folder)) {
        std::fprintf(stderr, "portico-bench-catalogue: %s exists already (or N is negative)\n", folder.c_str());
        return 1;
    }
    fs::create_directories(folder / "config" / "portico");
    fs::create_directories(folder / "share" / "applications");
    fs::create_directories(folder / "icons");
    fs::create_directories(folder / "pictures");
    writeFile(folder / "Default.ico", encode(artwork::defaultIcon(32), "ico"));

    const fs::path file = folder / "Portico.mdb";
    CatalogueFile::create(file);
    clsDBRoutines db(folder / "pictures");
    db.openDatabase(file.string());
    for (int i = 0; i < programs; ++i) {
        const std::string name = "Program " + std::to_string(100000 + i);
        const QImage picture = pictureOf(i);
        const QByteArray bitmap = encode(picture, "bmp");  // as the icon picker stores them: 3,126 bytes
        if (!db.addProgramWithPicture(name, "Description of " + name, "/bin/true",
                                      Bytes(bitmap.begin(), bitmap.end()), "/tmp", "-x"))
            return 1;
        const fs::path icon = folder / "icons" / ("program-" + std::to_string(i) + ".png");
        writeFile(icon, encode(picture, "png"));
        std::ofstream(folder / "share" / "applications" / ("program-" + std::to_string(i) + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nComment=Description of " << name
            << "\nExec=/bin/true -x\nPath=/tmp\nIcon=" << icon.string() << "\n";
    }
    for (int i = 0; i < 20; ++i) db.AddFolder("Folder " + std::to_string(i), "/tmp");
    QImage splash(220, 400, QImage::Format_RGB32);
    splash.fill(QColor(40, 70, 120));
    writeFile(folder / "pictures" / "splash.bmp", encode(splash, "bmp"));
    db.CreateTheme("Theme", (folder / "pictures" / "splash.bmp").string(), (folder / "pictures" / "splash.bmp").string());
    db.setDefaultTheme("Theme");

    std::ofstream(folder / "config" / "portico" / "Portico.ini")
        << "[Database]\nDatabasePath=" << file.string() << "\n[General]\nNumberOfClicks=2\nDefaultIcon="
        << (folder / "Default.ico").string() << "\nDefaultDialogIconPath=" << folder.string()
        << "\nDefaultDialogDBPath=" << folder.string() << "\n";
    std::printf("%s: %d programs\n", folder.c_str(), programs);
    return 0;
}
