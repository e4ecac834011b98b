#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "gui/PictureLoader.h"
#include "resource_viewer/frmViewer.h"
#include "tests/resource_viewer/PeWriter.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace portico::admin::test {
namespace {

constexpr std::uint32_t kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kYellow = 0xFFFFFF00;

class EndToEndTest : public AdminTest {
protected:
    EndToEndTest() {
        portico::test::PeWriter writer(true);
        writer.add(ResourceId::integer(3), ResourceId::integer(1), portico::test::makeSolidIcon(32, kBlue, kRed))
            .add(ResourceId::integer(3), ResourceId::integer(2), portico::test::makeSolidIcon(48, kYellow, kYellow));
        executable = (folder / "chess.exe").string();
        writer.writeFile(executable);
    }

    // Clicks icon `index` in the viewer once it is up and presses Select.
    static void selectIconWhenShown(int index) {
        QTimer::singleShot(0, [index] {
            frmViewer* viewer = frmViewer::current();
            ASSERT_NE(viewer, nullptr);
            QTreeWidgetItem* icons = viewer->TreeView1->topLevelItem(0)->child(0);
            icons->setExpanded(true);
            viewer->NodeClick(icons->child(index));
            viewer->cmdOK->click();
        });
    }

    std::string executable;
};

TEST_F(EndToEndTest, AddWithAnIconFromTheExecutableThenRenameIt) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    ASSERT_TRUE(program->start());
    frmSetup& setup = *program->loadedSetupWindow();

    setup.cmdAdd->click();
    frmAddProgram& add = *program->loadedAddProgramWindow();
    add.txtProgramName->setText("Chess");
    add.txtProgramPath->setText(QString::fromStdString(executable));
    selectIconWhenShown(0);
    add.cmdIcon->click();
    add.cmdAdd->click();

    ASSERT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    QImage stored = QImage::fromData(QByteArray::fromStdString(storedIcon("Chess")));
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored.pixel(0, 0), kRed);
    EXPECT_EQ(stored.pixel(5, 5), kBlue);
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Calculator", "Chess"}));
    const QListWidgetItem* chess = setup.ucProgramView1->lstView->item(1);
    EXPECT_FALSE(chess->icon().isNull());

    setup.ucProgramView1->lstView->setCurrentRow(1);
    setup.cmdModify->click();
    frmModifyProgram& modify = *program->loadedModifyProgramWindow();
    EXPECT_EQ(modify.txtProgramPath->text().toStdString(), executable);
    modify.txtProgramName->setText("Chess Master");
    selectIconWhenShown(1);
    modify.cmdIcon->click();
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixel(20, 20), kYellow);
    modify.cmdAdd->click();

    EXPECT_EQ(programNames(), (std::vector<std::string>{"Calculator", "Chess Master"}));
    EXPECT_EQ(db().getProgramPath("Chess Master"), executable);
    stored = QImage::fromData(QByteArray::fromStdString(storedIcon("Chess Master")));
    EXPECT_EQ(stored.pixel(5, 5), kYellow);
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Calculator", "Chess Master"}));
}

}  // namespace
}  // namespace portico::admin::test
