#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "desktop/ApplicationIndex.h"
#include "desktop/DesktopImporter.h"
#include "desktop/ProgramPicture.h"
#include "gui/PictureLoader.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace portico::desktop;
using portico::test::TempFolder;

namespace {

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

std::string encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

std::vector<QSize> sizes(const QByteArray& picture) {
    std::vector<QSize> result;
    for (const QImage& image : decodePictureImages(picture)) result.push_back(image.size());
    return result;
}

constexpr const char* kSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16"><rect width="16" height="16" fill="#ff0000"/></svg>)";

}  // namespace

TEST(ProgramPicture, ListSizeFirstThenTheLargestUpTo256KeptWhole) {
    TempFolder folder;
    // A wide picture bigger than 256: scaled to fit, centred, nothing cut.
    const auto wide = folder.write("wide.png", encoded(solid(512, 256, Qt::blue), "png"));
    const QByteArray picture = storedPictureFromFile(QString::fromStdString(wide.string()));
    ASSERT_EQ(sizes(picture), (std::vector<QSize>{{48, 48}, {256, 256}}));
    const QImage large = decodePictureImages(picture)[1];
    EXPECT_EQ(large.pixelColor(128, 10).alpha(), 0);
    EXPECT_EQ(large.pixelColor(128, 128), QColor(Qt::blue));
    EXPECT_EQ(large.pixelColor(0, 128), QColor(Qt::blue));

    // An SVG is drawn at both sizes.
    const auto svg = folder.write("icon.svg", kSvg);
    const QByteArray drawn = storedPictureFromFile(QString::fromStdString(svg.string()));
    ASSERT_EQ(sizes(drawn), (std::vector<QSize>{{48, 48}, {256, 256}}));
    EXPECT_EQ(decodePictureImages(drawn)[1].pixelColor(200, 200), QColor(Qt::red));

    // A small XPM keeps its own size beside the list size; one of 48 gives one image.
    const auto xpm = folder.write("small.xpm", encoded(solid(32, 32, Qt::green), "xpm"));
    EXPECT_EQ(sizes(storedPictureFromFile(QString::fromStdString(xpm.string()))),
              (std::vector<QSize>{{48, 48}, {32, 32}}));
    const auto exact = folder.write("exact.bmp", encoded(solid(48, 48, Qt::green), "bmp"));
    EXPECT_EQ(sizes(storedPictureFromFile(QString::fromStdString(exact.string()))), (std::vector<QSize>{{48, 48}}));

    // The list picture comes from the nearest size at least 48, not from the largest.
    std::vector<QImage> several{solid(16, 16, Qt::black), solid(64, 64, Qt::yellow), solid(128, 128, Qt::cyan)};
    const QByteArray fromIco = storedPictureFromImages(several);
    EXPECT_EQ(decodePictureImages(fromIco)[0].pixelColor(24, 24), QColor(Qt::yellow));

    // The programs' picture loader reads what is stored (it takes the largest image).
    const auto stored = folder.write("stored.ico", fromIco.toStdString());
    EXPECT_EQ(portico::tryLoadPicture(stored.string()).size(), QSize(128, 128));

    EXPECT_TRUE(storedPictureFromFile(QString::fromStdString(folder.write("bad.png", "garbage").string())).isEmpty());
    EXPECT_TRUE(storedPictureFromFile(QString::fromStdString(folder.write("bad.svg", "<svg").string())).isEmpty());
    EXPECT_TRUE(storedPictureFromFile("/no/such/file.png").isEmpty());
}

class ImportTest : public ::testing::Test {
protected:
    ImportTest() {
        portico::CatalogueFile::create(folder / "Portico.mdb");
        std::filesystem::create_directories(folder / "pictures");
        database = std::make_unique<portico::clsDBRoutines>(folder / "pictures");
        database->openDatabase((folder / "Portico.mdb").string());
        folder.write("icons/hicolor/index.theme",
                     "[Icon Theme]\nDirectories=48x48/apps,scalable/apps\n[48x48/apps]\nSize=48\n"
                     "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        folder.write("icons/hicolor/scalable/apps/red.svg", kSvg);
        folder.write("default.ico", encoded(solid(32, 32, Qt::gray), "ico"));
        database->setDefaultIconPath((folder / "default.ico").string());
    }

    InstalledEntry entry(const std::string& id, const std::string& text) {
        const auto file = folder.write("apps/" + id, text);
        return {id, file, readDesktopEntryFile(file)};
    }

    DesktopImporter importer() { return DesktopImporter(*database, IconTheme("", {folder / "icons"}, {}), "/bin"); }

    TempFolder folder;
    portico::test::RecordingMessageSink sink;
    portico::ScopedMessageSink sinkGuard{sink};
    std::unique_ptr<portico::clsDBRoutines> database;
};

TEST_F(ImportTest, EntryBecomesAProgramWithItsPicture) {
    auto import = importer();
    const auto outcome = import.import(entry(
        "shell.desktop",
        "[Desktop Entry]\nType=Application\nName=Shell\nComment=Runs \"commands\"\nIcon=red\nPath=/tmp\n"
        "Exec=sh -c \"echo it's %%done\" %U\n"));
    EXPECT_TRUE(outcome.added) << outcome.reason;
    auto rs = database->loadProgram("Shell");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields("Program_Desc").Value().toText(), "Runs \"commands\"");
    EXPECT_EQ(rs->Fields("Program_Path").Value().toText(), "/bin/sh");
    EXPECT_EQ(rs->Fields("Program_StartInDir").Value().toText(), "/tmp");
    EXPECT_EQ(rs->Fields("Program_StartUpParms").Value().toText(), "-c 'echo it'\\''s %done'");
    rs->Close();
    ASSERT_TRUE(database->GetProgramImage("Shell"));
    const auto picture = TempFolder::read(database->programImageFile());
    EXPECT_EQ(sizes(QByteArray::fromStdString(picture)), (std::vector<QSize>{{48, 48}, {256, 256}}));
    // The import used a folder of its own: the shared picture folder is as it was.
    EXPECT_EQ(database->PictureFolder(), folder / "pictures");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "pictures"), {}), 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ImportTest, TerminalEntriesBecomeTerminalPrograms) {
    auto import = importer();
    for (const auto& [id, terminal] : {std::pair{"vi.desktop", "true"}, {"top.desktop", "1"},
                                       {"cat.desktop", "false"}, {"ls.desktop", ""}}) {
        const std::string text = std::string("[Desktop Entry]\nType=Application\nName=") + id +
                                 "\nExec=sh\n" + (*terminal ? std::string("Terminal=") + terminal + "\n" : "");
        ASSERT_TRUE(import.import(entry(id, text)).added) << id;
    }
    EXPECT_TRUE(database->runsInTerminal("vi.desktop"));
    EXPECT_TRUE(database->runsInTerminal("top.desktop"));
    EXPECT_FALSE(database->runsInTerminal("cat.desktop"));
    EXPECT_FALSE(database->runsInTerminal("ls.desktop"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ImportTest, DuplicatesAndEntriesAMenuHidesAreSkippedWithTheirReason) {
    auto import = importer();
    ASSERT_TRUE(import.import(entry("a.desktop", "[Desktop Entry]\nType=Application\nName=Tool\nExec=true\n")).added);
    folder.write("pictures/temp.bmp", "untouched");
    const auto again =
        import.import(entry("b.desktop", "[Desktop Entry]\nType=Application\nName=  tOOL \nExec=sh\nIcon=red\n"));
    EXPECT_FALSE(again.added);
    EXPECT_EQ(again.reason, "a program of this name is already in the catalogue");
    EXPECT_EQ(database->getProgramPath("Tool"), "/bin/true");
    EXPECT_EQ(TempFolder::read(folder / "pictures/temp.bmp"), "untouched");

    const auto hidden =
        import.import(entry("c.desktop", "[Desktop Entry]\nType=Application\nName=H\nExec=sh\nHidden=true\n"));
    EXPECT_EQ(hidden.reason, "hidden (Hidden=true)");
    const auto noDisplay =
        import.import(entry("d.desktop", "[Desktop Entry]\nType=Application\nName=N\nExec=sh\nNoDisplay=true\n"));
    EXPECT_EQ(noDisplay.reason, "not shown in menus (NoDisplay=true)");
    const auto tryExec = import.import(
        entry("e.desktop", "[Desktop Entry]\nType=Application\nName=T\nExec=sh\nTryExec=/no/such/program\n"));
    EXPECT_EQ(tryExec.reason, "TryExec program not installed: /no/such/program");
    const auto absent = import.import(entry("f.desktop", "[Desktop Entry]\nType=Application\nName=F\nExec=nosuch\n"));
    EXPECT_EQ(absent.reason, "program not installed: nosuch");
    EXPECT_EQ(import.import(entry("g.desktop", "garbage")).reason, "not a desktop entry");

    auto all = database->loadPrograms();
    EXPECT_EQ(all->RecordCount(), 1);
    all->Close();
    // Without an icon the catalogue's default icon is stored.
    ASSERT_TRUE(database->GetProgramImage("Tool"));
    EXPECT_EQ(portico::tryLoadPicture(database->programImageFile().string()).size(), QSize(32, 32));
}
