#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "desktop/IconThemeBrowser.h"
#include "desktop/ProgramPicture.h"
#include "resource_viewer/PictureBox.h"
#include "resource_viewer/frmViewer.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <functional>

namespace portico::admin::test {
namespace {

std::string png(QColor colour, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return encodePicture(image, "png");
}

std::string svg(const char* colour) {
    return std::string(R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16"><rect width="16" )"
                       R"(height="16" fill=")") +
           colour + R"("/></svg>)";
}

// The sizes of the images a stored picture holds, and the colour in the middle of the first.
std::vector<int> sizes(const std::string& picture) {
    std::vector<int> result;
    for (const QImage& image : desktop::decodePictureImages(QByteArray::fromStdString(picture)))
        result.push_back(image.width());
    return result;
}

QColor middle(const std::string& picture) {
    const auto images = desktop::decodePictureImages(QByteArray::fromStdString(picture));
    return images.empty() ? QColor() : images.front().pixelColor(24, 24);
}

QColor iconColour(const QListWidgetItem* item) { return item->icon().pixmap(32).toImage().pixelColor(16, 16); }

// A native program with a desktop entry, one without, and a user icon theme,
// all in the test's folder, which is the only XDG data folder.
class NativeIconPickerTest : public AdminTest {
protected:
    NativeIconPickerTest() {
        folder.write("folder.ico", solidPicture(Qt::gray));  // the launcher's list draws folders with it
        folder.write("bin/tester", "#!/bin/sh\n");
        folder.write("bin/plain", "#!/bin/sh\n");
        std::filesystem::permissions(folder / "bin/tester", std::filesystem::perms::owner_all);
        std::filesystem::permissions(folder / "bin/plain", std::filesystem::perms::owner_all);
        folder.write("xdg/applications/tester.desktop", "[Desktop Entry]\nType=Application\nName=Tester\nExec=" +
                                                             (folder / "bin/tester").string() + " %U\nIcon=tester\n");
        folder.write("xdg/icons/hicolor/index.theme",
                     "[Icon Theme]\nDirectories=48x48/apps,scalable/apps\n[48x48/apps]\nSize=48\n"
                     "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        folder.write("xdg/icons/hicolor/48x48/apps/tester.png", png(Qt::magenta, 48));
        folder.write("xdg/icons/hicolor/scalable/apps/sunny.svg", svg("#ffff00"));
        ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (folder / "nothing").c_str(), 1);
    }
    ~NativeIconPickerTest() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_DATA_DIRS");
    }

    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }

    // Runs `work` in the viewer once it is up; the viewer stays for `work` to close.
    static void inViewer(std::function<void(frmViewer&)> work) {
        QTimer::singleShot(0, [work] {
            frmViewer* viewer = frmViewer::current();
            ASSERT_NE(viewer, nullptr);
            work(*viewer);
            if (viewer->isVisible()) viewer->cmdCancel->click();
        });
    }

    // Adds `name` running `path`, with the icon `pick` chooses in the viewer.
    void addWithIcon(frmSetup& setup, const std::string& name, const std::string& path,
                     std::function<void(frmViewer&)> pick) {
        setup.cmdAdd->click();
        frmAddProgram& add = *program->loadedAddProgramWindow();
        add.txtProgramName->setText(QString::fromStdString(name));
        add.txtProgramPath->setText(QString::fromStdString(path));
        inViewer(std::move(pick));
        add.cmdIcon->click();
        add.cmdAdd->click();
    }

    // The picture the launcher's list shows for `name`.
    QColor launcherColour(const std::string& name) {
        ucProgramView view(db(), ucProgramView::Variant::Launcher);
        view.loadView();
        const auto found = view.lstView->findItems(QString::fromStdString(name), Qt::MatchExactly);
        return found.isEmpty() ? QColor() : iconColour(found.front());
    }

    QColor adminColour(frmSetup& setup, const std::string& name) {
        const auto found = setup.ucProgramView1->lstView->findItems(QString::fromStdString(name), Qt::MatchExactly);
        return found.isEmpty() ? QColor() : iconColour(found.front());
    }
};

TEST_F(NativeIconPickerTest, ANativeProgramWithADesktopEntryIsOfferedItsIcon) {
    frmSetup& setup = start();
    addWithIcon(setup, "Tester", (folder / "bin/tester").string(), [](frmViewer& viewer) {
        // No icons of its own: the entry's icon is previewed, and Select keeps it.
        EXPECT_EQ(viewer.TreeView1->topLevelItem(0)->childCount(), 0);
        EXPECT_TRUE(viewer.cmdDesktopIcon->isEnabled());
        EXPECT_FALSE(viewer.cmdDesktopIcon->icon().isNull());
        // Shown and focused, the tree makes its first node current: the pick stays.
        viewer.TreeView1->setCurrentItem(viewer.TreeView1->topLevelItem(0));
        EXPECT_FALSE(viewer.NativePicture().isEmpty());
        EXPECT_EQ(viewer.Picture2->Image().pixelColor(viewer.Picture2->Image().rect().center()), QColor(Qt::magenta))
            << "previewed in the middle of the preview";
        viewer.cmdOK->click();
    });

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    const std::string stored = storedIcon("Tester");
    EXPECT_EQ(sizes(stored), (std::vector<int>{48}));
    EXPECT_EQ(middle(stored), QColor(Qt::magenta));
    EXPECT_EQ(adminColour(setup, "Tester"), QColor(Qt::magenta));
    EXPECT_EQ(launcherColour("Tester"), QColor(Qt::magenta));
}

TEST_F(NativeIconPickerTest, APngFileAfterAnUnusableOneForAProgramWithoutEntry) {
    folder.write("broken.png", "no picture at all");
    folder.write("red.png", png(Qt::red, 64));
    dialogs.answerFile((folder / "broken.png").string());
    dialogs.answerFile((folder / "red.png").string());
    frmSetup& setup = start();
    addWithIcon(setup, "Plain", (folder / "bin/plain").string(), [this](frmViewer& viewer) {
        EXPECT_FALSE(viewer.cmdDesktopIcon->isEnabled());
        EXPECT_TRUE(viewer.NativePicture().isEmpty());
        // The preview says where to look, also once the tree has made its node current.
        viewer.TreeView1->setCurrentItem(viewer.TreeView1->topLevelItem(0));
        const QImage preview = viewer.Picture2->Image();
        bool written = false;
        for (int y = 0; y < preview.height() && !written; ++y)
            for (int x = 0; x < preview.width() && !written; ++x)
                written = preview.pixelColor(x, y) != viewer.Picture2->BackColor();
        EXPECT_TRUE(written);
        viewer.cmdOK->click();  // nothing picked yet: the window stays
        ASSERT_TRUE(viewer.isVisible());
        viewer.cmdPictureFile->click();
        EXPECT_TRUE(viewer.NativePicture().isEmpty());
        viewer.cmdPictureFile->click();
        EXPECT_EQ(viewer.Picture2->Image().pixelColor(viewer.Picture2->Image().rect().center()), QColor(Qt::red))
            << "previewed in the middle of the preview";
        // The second look starts on the file picked before.
        EXPECT_EQ(dialogs.calls.back().title, "Select a picture");
        EXPECT_EQ(dialogs.calls.back().startPath, (folder / "broken.png").string());
        viewer.cmdOK->click();
    });

    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{
                  {"No resource selected!", "Error", MessageIcon::Critical},
                  {"The selected file is not a usable picture. Please select another one.", "Error",
                   MessageIcon::Exclamation},
                  {"Program Added", "Sucess", MessageIcon::Information}}));
    const std::string stored = storedIcon("Plain");
    EXPECT_EQ(sizes(stored), (std::vector<int>{48, 64}));
    EXPECT_EQ(middle(stored), QColor(Qt::red));
    EXPECT_EQ(adminColour(setup, "Plain"), QColor(Qt::red));
    EXPECT_EQ(launcherColour("Plain"), QColor(Qt::red));
}

TEST_F(NativeIconPickerTest, AnSvgFileReplacesTheIconInTheModifyDialog) {
    folder.write("blue.svg", svg("#0000ff"));
    addProgram("Plain", solidPicture(Qt::yellow), (folder / "bin/plain").string());
    dialogs.answerFile((folder / "blue.svg").string());
    frmSetup& setup = start();
    setup.ucProgramView1->lstView->setCurrentRow(0);
    setup.cmdModify->click();
    frmModifyProgram& modify = *program->loadedModifyProgramWindow();
    inViewer([](frmViewer& viewer) {
        viewer.cmdPictureFile->click();
        viewer.cmdOK->click();
    });
    modify.cmdIcon->click();
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::blue));
    modify.cmdAdd->click();

    const std::string stored = storedIcon("Plain");
    EXPECT_EQ(sizes(stored), (std::vector<int>{48, 256}));
    EXPECT_EQ(middle(stored), QColor(Qt::blue));
    EXPECT_EQ(adminColour(setup, "Plain"), QColor(Qt::blue));
    EXPECT_EQ(launcherColour("Plain"), QColor(Qt::blue));
}

TEST_F(NativeIconPickerTest, AThemeIconPickedFromTheGrid) {
    frmSetup& setup = start();
    addWithIcon(setup, "Sunny", (folder / "bin/tester").string(), [](frmViewer& viewer) {
        QTimer::singleShot(0, [&viewer] {
            auto* browser = viewer.findChild<desktop::IconThemeBrowser*>();
            ASSERT_NE(browser, nullptr);
            browser->setFilter("sun");
            browser->selectIcon("sunny");
            emit browser->iconActivated("sunny");
        });
        viewer.cmdThemeIcon->click();
        EXPECT_EQ(viewer.Picture2->Image().pixelColor(viewer.Picture2->Image().rect().center()), QColor(Qt::yellow))
            << "previewed in the middle of the preview";
        viewer.cmdOK->click();
    });

    const std::string stored = storedIcon("Sunny");
    EXPECT_EQ(sizes(stored), (std::vector<int>{48, 256}));
    EXPECT_EQ(middle(stored), QColor(Qt::yellow));
    EXPECT_EQ(adminColour(setup, "Sunny"), QColor(Qt::yellow));
    EXPECT_EQ(launcherColour("Sunny"), QColor(Qt::yellow));
}

}  // namespace
}  // namespace portico::admin::test
