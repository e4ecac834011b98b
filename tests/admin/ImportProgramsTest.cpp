#include "tests/admin/AdminFixture.h"

#include "admin/frmImportPrograms.h"
#include "admin/frmSetup.h"
#include "gui/PictureLoader.h"
#include "views/ucProgramView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdlib>

namespace portico::admin::test {
namespace {

std::string entry(const std::string& name, const std::string& extra) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\n" + extra;
}

// The installed desktop entries and icon theme live in the test's folder.
class ImportProgramsTest : public AdminTest {
protected:
    ImportProgramsTest() {
        folder.write("xdg/applications/shell.desktop",
                     entry("Shell", "Comment=Command line\nExec=sh %F\nIcon=shell\nPath=/tmp\n"));
        folder.write("xdg/applications/tools/cat.desktop", entry("Cat", "Comment=Concatenate\nExec=cat\n"));
        folder.write("xdg/applications/calc.desktop", entry("Calculator", "Comment=Sums\nExec=true\n"));
        folder.write("xdg/applications/hidden.desktop", entry("Hidden", "Exec=true\nNoDisplay=true\n"));
        folder.write("xdg/applications/gone.desktop", entry("Gone", "Exec=true\nTryExec=/no/such/program\n"));
        folder.write("xdg/icons/hicolor/index.theme", "[Icon Theme]\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\n");
        QImage icon(48, 48, QImage::Format_ARGB32);
        icon.fill(Qt::magenta);
        folder.write("xdg/icons/hicolor/48x48/apps/shell.png", encodePicture(icon, "png"));
        ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (folder / "nothing").c_str(), 1);
    }
    ~ImportProgramsTest() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_DATA_DIRS");
    }

    frmImportPrograms& open(frmSetup& setup) {
        setup.findChild<QPushButton*>("cmdImportPrograms")->click();
        auto* window = setup.findChild<frmImportPrograms*>();
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        return *window;
    }

    static QTreeWidgetItem* row(frmImportPrograms& window, const QString& name) {
        const auto found = window.lstEntries->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    }

    static std::vector<std::string> shown(frmImportPrograms& window) {
        std::vector<std::string> names;
        for (int i = 0; i < window.lstEntries->topLevelItemCount(); ++i)
            if (!window.lstEntries->topLevelItem(i)->isHidden())
                names.push_back(window.lstEntries->topLevelItem(i)->text(0).toStdString());
        return names;
    }
};

TEST_F(ImportProgramsTest, ChecklistOffersWhatAMenuShowsAndSearchFilters) {
    ASSERT_TRUE(program->start());
    frmImportPrograms& window = open(*program->loadedSetupWindow());
    EXPECT_EQ(window.windowTitle(), "Import programs");
    EXPECT_EQ(shown(window), (std::vector<std::string>{"Calculator", "Cat", "Shell"}));
    QTreeWidgetItem* shell = row(window, "Shell");
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->text(1), "Command line");
    EXPECT_EQ(shell->checkState(0), Qt::Unchecked);
    ASSERT_FALSE(shell->icon(0).isNull());
    EXPECT_EQ(shell->icon(0).pixmap(32).toImage().pixelColor(16, 16), QColor(Qt::magenta));
    EXPECT_TRUE(row(window, "Cat")->icon(0).isNull());

    window.txtSearch->setText("CONCAT");
    EXPECT_EQ(shown(window), (std::vector<std::string>{"Cat"}));
    window.txtSearch->setText("");
    EXPECT_EQ(shown(window).size(), 3u);

    window.cmdImport->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Please check the programs to import.", "Import programs",
                                                              MessageIcon::Exclamation, MessageButtons::OK}}));
    EXPECT_TRUE(programNames().empty());
}

TEST_F(ImportProgramsTest, CheckedEntriesBecomeProgramsAndExistingNamesAreReported) {
    addProgram("calculator", solidPicture(Qt::yellow));
    ASSERT_TRUE(program->start());
    frmSetup& setup = *program->loadedSetupWindow();
    frmImportPrograms& window = open(setup);
    row(window, "Shell")->setCheckState(0, Qt::Checked);
    row(window, "Calculator")->setCheckState(0, Qt::Checked);
    window.txtSearch->setText("shell");  // a checked entry hidden by the search is still imported

    window.cmdImport->click();

    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Added: Shell\nSkipped: Calculator: a program of this name is already in the "
                                          "catalogue",
                                          "Import programs", MessageIcon::Exclamation, MessageButtons::OK}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"calculator", "Shell"}));
    EXPECT_EQ(std::filesystem::canonical(db().getProgramPath("Shell")), std::filesystem::canonical("/bin/sh"));
    EXPECT_EQ(db().GetProgramStartInDir("Shell"), "/tmp");
    EXPECT_EQ(db().GetProgramParameters("Shell"), "");
    // The stored picture is the theme icon; the old program keeps its own.
    ASSERT_TRUE(db().GetProgramImage("Shell"));
    EXPECT_EQ(tryLoadPicture(pictureFile().string()).pixelColor(24, 24), QColor(Qt::magenta));
    EXPECT_EQ(storedIcon("calculator"), solidPicture(Qt::yellow));
    // The setup window's list shows the new program, and the added row is unchecked.
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"calculator", "Shell"}));
    EXPECT_EQ(row(window, "Shell")->checkState(0), Qt::Unchecked);
    EXPECT_EQ(row(window, "Calculator")->checkState(0), Qt::Checked);
}

}  // namespace
}  // namespace portico::admin::test
