#include "gui/testing/ScriptedDialogService.h"
#include "resource_viewer/PictureBox.h"
#include "resource_viewer/PngDecoder.h"
#include "resource_viewer/clsResourceViewer.h"
#include "resource_viewer/frmViewer.h"
#include "resource_viewer/mEnumResourse.h"
#include "tests/resource_viewer/PeWriter.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace portico {
namespace {

using test::PeWriter;
using test::ScriptedDialogService;
using test::ShownMessage;

const ResourceId kIcon = ResourceId::integer(3);
constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

std::vector<std::uint8_t> pngIcon() {
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(QColor(0, 128, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

class ResourceViewerTest : public ::testing::Test {
protected:
    ResourceViewerTest() {
        PeWriter writer(true);
        writer.add(kIcon, ResourceId::integer(1), test::makeSolidIcon(32, kBlue, kRed))
            .add(kIcon, ResourceId::integer(2), test::makeSolidIcon(48, kYellow, kYellow))
            .add(kIcon, ResourceId::integer(3), {1, 2, 3})
            .add(kIcon, ResourceId::text("PNGICON"), pngIcon());
        program = (temp / "program.exe").string();
        writer.writeFile(program);
    }

    // Opens the viewer on `path` and runs `script` once it is up; closes it
    // afterwards if the script left it open, so a failing test cannot hang.
    void show(const std::string& path, const std::function<void(frmViewer&)>& script) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            frmViewer* form = frmViewer::current();
            ASSERT_TRUE(form);
            script(*form);
            if (frmViewer::current() && frmViewer::current()->isVisible()) frmViewer::current()->cmdCancel->click();
        });
        viewer.ShowResources(path);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(frmViewer::current()) << "the window is gone after each opening";
        EXPECT_FALSE(ResourceModule()) << "the file is released";
    }

    static QTreeWidgetItem* iconType(frmViewer& form) { return form.TreeView1->topLevelItem(0)->child(0); }
    static QTreeWidgetItem* expandedIcon(frmViewer& form, int index) {
        iconType(form)->setExpanded(true);
        return iconType(form)->child(index);
    }
    static std::vector<std::string> childTexts(QTreeWidgetItem* item) {
        std::vector<std::string> out;
        for (int i = 0; i < item->childCount(); ++i) out.push_back(item->child(i)->text(0).toStdString());
        return out;
    }
    std::filesystem::path pictureFile() const { return pictures / "temp.bmp"; }

    test::TempFolder temp;
    std::filesystem::path pictures = temp / "pictures";
    ScriptedDialogService dialogs;
    std::string program;
    clsResourceViewer viewer{pictures};
};

TEST_F(ResourceViewerTest, ShowsTheFileAndListsItsIconsOnExpansion) {
    std::filesystem::create_directories(pictures);
    show("  " + program + "  ", [&](frmViewer& form) {
        EXPECT_TRUE(viewer.ResourceShowing());
        EXPECT_TRUE(form.isModal());
        EXPECT_EQ(form.windowTitle(), "Resource Viewer...");
        EXPECT_EQ(form.Frame1->title(), "Preview");
        EXPECT_EQ(form.cmdOK->text(), "Select");
        EXPECT_EQ(form.cmdCancel->text(), "Close");
        EXPECT_EQ(form.Picture2->ScaleWidth(), 2295);
        EXPECT_EQ(form.Picture2->ScaleHeight(), 3735);
        ASSERT_EQ(form.TreeView1->topLevelItemCount(), 1);
        QTreeWidgetItem* file = form.TreeView1->topLevelItem(0);
        EXPECT_EQ(file->text(0).toStdString(), program) << "trimmed path";
        EXPECT_TRUE(file->isExpanded());
        EXPECT_EQ(childTexts(file), std::vector<std::string>{"Icon Resource"});
        EXPECT_FALSE(iconType(form)->isExpanded());
        EXPECT_EQ(childTexts(iconType(form)), std::vector<std::string>{"Dummy"});
        iconType(form)->setExpanded(true);
        iconType(form)->setExpanded(false);
        iconType(form)->setExpanded(true);
        EXPECT_EQ(childTexts(iconType(form)), (std::vector<std::string>{"1", "2", "3", "PNGICON"}));
    });
    EXPECT_FALSE(viewer.ResourceShowing());
    EXPECT_FALSE(std::filesystem::exists(pictureFile())) << "Close writes nothing";
}

TEST_F(ResourceViewerTest, ClickingAnIconPreviewsItCentredWithItsInfo) {
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        EXPECT_EQ(form.SelectedType(), "3");
        EXPECT_EQ(form.SelectedName(), "#1");
        const QImage& preview = form.Picture2->Image();
        // (907, 1627) twips is pixel (60, 108): the icon's red top-left pixel.
        EXPECT_EQ(preview.pixel(60, 108), kRed);
        EXPECT_EQ(preview.pixel(61, 109), kBlue);
        EXPECT_EQ(preview.pixel(59, 108), form.Picture2->BackColor().rgb());
        EXPECT_EQ(preview.pixel(91, 139), kBlue);
        EXPECT_EQ(preview.pixel(92, 140), form.Picture2->BackColor().rgb());
        EXPECT_NE(preview.copy(0, 0, 150, 12), QImage(150, 12, preview.format())) << "info text printed at the top";
        EXPECT_EQ(dialogs.pointerChanges, (std::vector{MousePointer::Hourglass, MousePointer::Default}));

        form.NodeClick(iconType(form));
        EXPECT_EQ(form.SelectedType(), "3");
        EXPECT_EQ(form.SelectedName(), "");
        EXPECT_EQ(form.Picture2->Image().pixel(60, 108), form.Picture2->BackColor().rgb()) << "preview cleared";

        form.NodeClick(form.TreeView1->topLevelItem(0));
        EXPECT_EQ(form.SelectedType(), "");
    });
}

TEST_F(ResourceViewerTest, SelectSavesTheIconAsABitmapAndCloses) {
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        form.cmdOK->click();
        EXPECT_FALSE(viewer.ResourceShowing());
    });
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(test::TempFolder::read(pictureFile()).substr(0, 2), "BM");
    const QImage saved(QString::fromStdString(pictureFile().string()), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(32, 32));
    EXPECT_EQ(saved.pixel(0, 0), kRed);
    EXPECT_EQ(saved.pixel(31, 31), kBlue);
}

TEST_F(ResourceViewerTest, SelectReplacesALinkPlantedAsThePictureFileAndLeavesItsTargetAlone) {
    std::filesystem::create_directories(pictures);
    std::filesystem::permissions(pictures, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    const auto victim = temp.write("victim.txt", "a user's own file");
    std::filesystem::create_symlink(victim, pictureFile());
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        form.cmdOK->click();
    });
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(test::TempFolder::read(victim), "a user's own file");
    EXPECT_FALSE(std::filesystem::is_symlink(pictureFile()));
    EXPECT_EQ(test::TempFolder::read(pictureFile()).substr(0, 2), "BM");
}

TEST_F(ResourceViewerTest, CloseAfterClickingLeavesThePictureFileAlone) {
    std::filesystem::create_directories(pictures);
    const auto before = temp.write("pictures/temp.bmp", "previous picture");
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 1));
        form.cmdCancel->click();
    });
    EXPECT_EQ(test::TempFolder::read(before), "previous picture");
}

TEST_F(ResourceViewerTest, SelectWithoutAResourceSaysSoAndStaysOpen) {
    show(program, [&](frmViewer& form) {
        form.cmdOK->click();
        EXPECT_TRUE(viewer.ResourceShowing());
        form.NodeClick(iconType(form));
        form.cmdOK->click();
        EXPECT_TRUE(viewer.ResourceShowing());
    });
    const ShownMessage noResource{"No resource selected!", "Error", MessageIcon::Critical, MessageButtons::OK};
    EXPECT_EQ(dialogs.messages(), (std::vector{noResource, noResource}));
    EXPECT_FALSE(std::filesystem::exists(pictureFile()));

    dialogs.clear();
    show(temp.write("readme.txt", "not a program").string(), [&](frmViewer& form) {
        EXPECT_EQ(form.TreeView1->topLevelItem(0)->childCount(), 0);
        form.cmdOK->click();
    });
    EXPECT_EQ(dialogs.messages(), std::vector{noResource});
}

TEST_F(ResourceViewerTest, AFailedSaveIsReportedAfterTheWindowHasClosed) {
    temp.write("pictures", "a file where the folder should be");
    bool openDuringMessage = true;
    dialogs.onCall = [&](const test::DialogCall&) { openDuringMessage = viewer.ResourceShowing(); };
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        form.cmdOK->click();
    });
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Unable to save resource", "Error", MessageIcon::Critical, MessageButtons::OK}}));
    EXPECT_FALSE(openDuringMessage);
}

TEST_F(ResourceViewerTest, SelectRefusesAResourceThatShowedNoPreviewAndStoresNothing) {
    std::filesystem::create_directories(pictures);
    temp.write("pictures/temp.bmp", "previous picture");
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 2));
        EXPECT_EQ(form.Picture2->Image().pixel(76, 124), form.Picture2->BackColor().rgb()) << "nothing previewed";
        form.cmdOK->click();
        EXPECT_TRUE(viewer.ResourceShowing());
    });
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"The selected resource is not a usable icon picture. Please select another one.",
                                          "Error", MessageIcon::Exclamation, MessageButtons::OK}}));
    EXPECT_EQ(test::TempFolder::read(pictureFile()), "previous picture");
    EXPECT_FALSE(viewer.PickedPicture());
}

TEST_F(ResourceViewerTest, ALargeIconIsSavedWholeAtItsOwnSizeWithItsTransparency) {
    PeWriter writer(true);
    test::BitmapIconSpec big;
    big.width = big.height = 256;
    // Opaque blue with a transparent right half and a red bottom-right corner.
    big.pixel = [](int x, int y) -> std::uint32_t {
        if (x == 255 && y == 255) return kRed;
        return x >= 128 ? 0x000000FFu : kBlue;
    };
    writer.add(kIcon, ResourceId::integer(10), test::makeBitmapIcon(big));
    const std::string large = (temp / "large.exe").string();
    writer.writeFile(large);

    show(large, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        form.cmdOK->click();
    });
    EXPECT_TRUE(dialogs.messages().empty());
    const QImage saved(QString::fromStdString(pictureFile().string()), "BMP");
    ASSERT_EQ(saved.size(), QSize(256, 256));
    EXPECT_TRUE(saved.hasAlphaChannel());
    EXPECT_EQ(saved.pixel(0, 0), kBlue);
    EXPECT_EQ(saved.pixel(127, 250), kBlue);
    EXPECT_EQ(qAlpha(saved.pixel(200, 10)), 0);
    EXPECT_EQ(saved.pixel(255, 255), kRed) << "the bottom-right corner, not cut to the preview";
    // What was saved is what the dialogs are handed.
    ASSERT_TRUE(viewer.PickedPicture());
    EXPECT_EQ(*viewer.PickedPicture(), test::TempFolder::read(pictureFile()));
}

TEST_F(ResourceViewerTest, PreviewAndSelectFollowTheCurrentItemMovedByTheKeyboard) {
    show(program, [&](frmViewer& form) {
        form.show();
        QTreeWidgetItem* first = expandedIcon(form, 0);
        QTest::mouseClick(form.TreeView1->viewport(), Qt::LeftButton, {},
                          form.TreeView1->visualItemRect(first).center());
        EXPECT_EQ(form.SelectedName(), "#1");
        EXPECT_EQ(form.Picture2->Image().pixel(60, 108), kRed);

        QTest::keyClick(form.TreeView1, Qt::Key_Down);
        EXPECT_EQ(form.TreeView1->currentItem(), expandedIcon(form, 1));
        EXPECT_EQ(form.SelectedName(), "#2");
        EXPECT_EQ(form.Picture2->Image().pixel(76, 124), kYellow);
        form.cmdOK->click();
    });
    const QImage saved(QString::fromStdString(pictureFile().string()), "BMP");
    EXPECT_EQ(saved.size(), QSize(48, 48));
    EXPECT_EQ(saved.pixel(10, 10), kYellow);
}

TEST_F(ResourceViewerTest, ClosingWithoutSelectHandsNoPicture) {
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 0));
        form.cmdOK->click();
    });
    ASSERT_TRUE(viewer.PickedPicture());
    show(program, [&](frmViewer& form) { form.NodeClick(expandedIcon(form, 1)); });
    EXPECT_FALSE(viewer.PickedPicture());
}

TEST_F(ResourceViewerTest, PngIconsAreDecodedThroughQt) {
    show(program, [&](frmViewer& form) {
        form.NodeClick(expandedIcon(form, 3));
        EXPECT_EQ(form.SelectedName(), "PNGICON");
        EXPECT_EQ(form.Picture2->Image().pixel(76, 124), QColor(0, 128, 0).rgb());
        form.cmdOK->click();
    });
    const QImage saved(QString::fromStdString(pictureFile().string()), "BMP");
    EXPECT_EQ(saved.size(), QSize(20, 10));
    EXPECT_EQ(saved.pixel(0, 0), QColor(0, 128, 0).rgb());
}

TEST_F(ResourceViewerTest, IconGroupsShowTheirSizesAndThumbnailsAndAMemberIsSelectedLikeTheFlatList) {
    PeWriter writer;
    writer.add(kIcon, ResourceId::integer(1), test::makeSolidIcon(16, kBlue, kRed))
        .add(kIcon, ResourceId::integer(2), test::makeSolidIcon(48, kYellow, kYellow))
        .add(ResourceId::integer(14), ResourceId::text("MAINICON"),
             test::makeIconGroup({{48, 48, 32, 2}, {16, 16, 32, 1}}));
    const std::string grouped = (temp / "grouped.exe").string();
    writer.writeFile(grouped);

    show(grouped, [&](frmViewer& form) {
        QTreeWidgetItem* file = form.TreeView1->topLevelItem(0);
        EXPECT_EQ(childTexts(file), (std::vector<std::string>{"Icon Resource", "Icon Group MAINICON (16, 48 px)"}));
        QTreeWidgetItem* group = file->child(1);
        EXPECT_EQ(childTexts(group), (std::vector<std::string>{"2", "1"}));
        EXPECT_EQ(group->child(0)->toolTip(0), "48 x 48, 32-bit");
        EXPECT_EQ(group->child(1)->toolTip(0), "16 x 16, 32-bit");
        // Thumbnails, not bare numbers: the group shows its largest member.
        const QImage small = group->child(1)->icon(0).pixmap(16, 16).toImage();
        EXPECT_EQ(small.pixel(0, 0), kRed);
        EXPECT_EQ(small.pixel(8, 8), kBlue);
        EXPECT_EQ(group->icon(0).pixmap(24, 24).toImage().pixel(12, 12), kYellow);

        // The flat list gets its thumbnails when it is first expanded.
        iconType(form)->setExpanded(true);
        EXPECT_EQ(iconType(form)->child(1)->toolTip(0), "48 x 48");
        EXPECT_FALSE(iconType(form)->child(1)->icon(0).isNull());

        form.NodeClick(group->child(1));
        EXPECT_EQ(form.SelectedType(), "3");
        EXPECT_EQ(form.SelectedName(), "#1");
        form.NodeClick(group);
        EXPECT_EQ(form.SelectedName(), "") << "the group itself is no icon image";
        form.NodeClick(group->child(0));
        form.cmdOK->click();
    });
    EXPECT_TRUE(dialogs.messages().empty());
    const QImage saved(QString::fromStdString(pictureFile().string()), "BMP");
    EXPECT_EQ(saved.size(), QSize(48, 48));
}

}  // namespace
}  // namespace portico
