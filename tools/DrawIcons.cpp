// Writes folder.ico and Default.ico into the given folder (the program folder).
#include "views/Artwork.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const struct {
        const char* name;
        QImage image;
    } icons[] = {{"folder.ico", portico::artwork::folderIcon(32)}, {"Default.ico", portico::artwork::defaultIcon(32)}};
    for (const auto& icon : icons) {
        QImageWriter writer(folder + "/" + icon.name, "ico");
        if (!writer.write(icon.image)) {
            std::fprintf(stderr, "%s: %s\n", icon.name, qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
