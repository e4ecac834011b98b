// Writes the programs' icons for the hicolor theme into FOLDER:
// FOLDER/<size>x<size>/apps/<id>.png for each size and FOLDER/scalable/apps/<id>.svg.
#include "views/Artwork.h"

#include <QDir>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <functional>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const struct {
        const char* id;
        std::function<QImage(int)> image;
        std::function<void(QPainter&, int)> paint;
    } icons[] = {{"org.portico.Portico", portico::artwork::porticoIcon, portico::artwork::paintPorticoIcon},
                 {"org.portico.PorticoAdmin", portico::artwork::porticoAdminIcon,
                  portico::artwork::paintPorticoAdminIcon}};
    for (const auto& icon : icons) {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString apps = QString("%1/%2x%2/apps").arg(folder).arg(size);
            QDir().mkpath(apps);
            if (!icon.image(size).save(apps + "/" + icon.id + ".png", "png")) return 1;
        }
        QDir().mkpath(folder + "/scalable/apps");
        QSvgGenerator svg;
        svg.setFileName(folder + "/scalable/apps/" + icon.id + ".svg");
        svg.setSize(QSize(256, 256));
        svg.setViewBox(QRect(0, 0, 256, 256));
        svg.setTitle(icon.id);
        QPainter painter(&svg);
        icon.paint(painter, 256);
    }
    return 0;
}
