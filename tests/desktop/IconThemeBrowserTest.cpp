#include "desktop/IconThemeBrowser.h"
#include "desktop/ProgramPicture.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace portico::desktop;
using portico::test::TempFolder;

namespace {

std::string png(QColor colour, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes.toStdString();
}

std::vector<std::string> visibleNames(const QListWidget* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden()) names.push_back(list->item(i)->text().toStdString());
    return names;
}

class IconThemeBrowserTest : public ::testing::Test {
protected:
    IconThemeBrowserTest() {
        folder.write("icons/hicolor/index.theme",
                     "[Icon Theme]\nDirectories=16x16/apps,48x48/apps,scalable/apps\n[16x16/apps]\nSize=16\n"
                     "[48x48/apps]\nSize=48\n[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        folder.write("icons/hicolor/16x16/apps/accessories-calculator.png", png(Qt::red, 16));
        folder.write("icons/hicolor/48x48/apps/accessories-calculator.png", png(Qt::green, 48));
        folder.write("icons/hicolor/scalable/apps/utilities-terminal.svg",
                     R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)"
                     R"(<rect width="16" height="16" fill="#0000ff"/></svg>)");
        for (int i = 0; i < 300; ++i)
            folder.write("icons/hicolor/48x48/apps/filler-" + std::to_string(1000 + i) + ".png", png(Qt::gray, 48));
    }

    TempFolder folder;
};

}  // namespace

TEST_F(IconThemeBrowserTest, SearchableGridWithLazyThumbnailsAndTheStoredPicture) {
    IconThemeBrowser browser(IconTheme("", {folder / "icons"}, {}));
    browser.resize(400, 300);
    browser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
    EXPECT_EQ(browser.lstIcons->count(), 302);
    // Only the cells in view get a thumbnail.
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser.thumbnailCount() > 0; }, 2000));
    EXPECT_LT(browser.thumbnailCount(), 100);
    // Each cell has room for its whole picture and its name from the start.
    const int nameHeight = browser.lstIcons->fontMetrics().height();
    for (int row : {0, 1, 5}) {
        const QRect cell = browser.lstIcons->visualItemRect(browser.lstIcons->item(row));
        EXPECT_GE(cell.height(), 48 + nameHeight) << row;
        EXPECT_GE(cell.width(), 48) << row;
    }

    browser.txtSearch->setText("TERMINAL");
    EXPECT_EQ(visibleNames(browser.lstIcons), (std::vector<std::string>{"utilities-terminal"}));
    browser.txtSearch->setText("calc");
    EXPECT_EQ(visibleNames(browser.lstIcons), (std::vector<std::string>{"accessories-calculator"}));
    QListWidgetItem* calculator = browser.lstIcons->findItems("accessories-calculator", Qt::MatchExactly).front();
    // The thumbnail is the 48 px picture, not the 16 px one.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return calculator->icon().pixmap(48).toImage().pixelColor(24, 24) == QColor(Qt::green); }, 2000));

    EXPECT_TRUE(browser.storedPicture().isEmpty());
    QSignalSpy activated(&browser, &IconThemeBrowser::iconActivated);
    browser.selectIcon("accessories-calculator");
    emit browser.lstIcons->itemActivated(calculator);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.front().front().toString(), "accessories-calculator");
    EXPECT_EQ(browser.selectedIconName(), "accessories-calculator");
    const auto images = decodePictureImages(browser.storedPicture());
    ASSERT_EQ(images.size(), 1u);  // the theme's largest is 48: one image
    EXPECT_EQ(images[0].pixelColor(24, 24), QColor(Qt::green));

    browser.setFilter("");
    browser.selectIcon("utilities-terminal");
    const auto drawn = decodePictureImages(browser.storedPicture());
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1].size(), QSize(256, 256));
    EXPECT_EQ(drawn[1].pixelColor(128, 128), QColor(Qt::blue));
}
