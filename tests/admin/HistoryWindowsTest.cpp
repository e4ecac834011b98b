#include "admin/frmHistory.h"
#include "admin/frmSetup.h"
#include "admin/frmUsage.h"
#include "database/Connection.h"
#include "database/UsageCounter.h"
#include "tests/admin/AdminFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

namespace portico::admin::test {
namespace {

class HistoryWindowsTest : public AdminTest {
protected:
    template <typename Window>
    Window& open(const char* button) {
        program->loadedSetupWindow()->findChild<QPushButton*>(button)->click();
        auto* window = program->loadedSetupWindow()->findChild<Window*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    std::vector<Change> changes() {
        Connection connection;
        connection.setConnectionString(catalogue().string());
        connection.Open();
        return ChangeHistory::read(connection.engine("test"), {});
    }
};

TEST_F(HistoryWindowsTest, HistoryShowsNewestFirstFiltersShowsAWholeChangeAndExports) {
    ASSERT_TRUE(program->start());
    addProgram("Mail", solidPicture(Qt::red));
    ASSERT_TRUE(db().updateProgram("Mail", "Mail", "About Mail", "/bin/mail"));
    frmHistory& window = open<frmHistory>("cmdHistory");
    EXPECT_EQ(window.windowTitle(), "History");
    const auto lines = texts(window.lstChanges);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines[0].ends_with(" · changed · program Mail · path: /usr/bin/true → /bin/mail")) << lines[0];

    window.txtProgram->setText("Calculator");
    ASSERT_TRUE(window.reload());
    EXPECT_EQ(texts(window.lstChanges), std::vector<std::string>{"No change matches."});
    window.txtProgram->setText("mail");
    window.txtFrom->setText("2026-02-30");
    EXPECT_FALSE(window.reload());
    EXPECT_EQ(dialogs.messages().back(), (ShownMessage{"From is not a date (YYYY-MM-DD): 2026-02-30", "History",
                                                       MessageIcon::Exclamation}));
    window.txtFrom->clear();
    ASSERT_TRUE(window.reload());
    std::vector<Change> mail = changes();
    std::erase_if(mail, [](const Change& change) { return change.table != "program"; });
    std::vector<std::string> mailLines;
    for (const Change& change : mail)
        for (const auto& line : ChangeHistory::lines(change)) mailLines.push_back(line);
    EXPECT_EQ(texts(window.lstChanges), mailLines);

    window.lstChanges->setCurrentRow(0);
    QTest::keyClick(window.lstChanges, Qt::Key_Return);
    const Change latest = changes().front();
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{ChangeHistory::localTime(latest.when) + "\n" + latest.who + " changed program Mail (key " +
                                latest.row + ")\n\npath: /usr/bin/true → /bin/mail",
                            "Change", MessageIcon::Information}));

    const auto file = folder / "history.csv";
    dialogs.answerInput(file.string());
    window.cmdExport->click();
    std::ifstream written(file, std::ios::binary);
    std::stringstream content;
    content << written.rdbuf();
    EXPECT_EQ(content.str(), ChangeHistory::csv(mail));
    EXPECT_EQ(dialogs.messages().back().text, std::to_string(mail.size()) + " changes written to " + file.string() + ".");
}

TEST_F(HistoryWindowsTest, UsageTurnsCountingOnSortsByCountsAndFindsDeadEntries) {
    ASSERT_TRUE(program->start());
    for (const char* name : {"Calculator", "Mail", "Unused"}) addProgram(name, solidPicture(Qt::red));
    frmUsage& window = open<frmUsage>("cmdUsage");
    EXPECT_EQ(window.cboRecording->currentIndex(), 0);
    window.cboRecording->setCurrentIndex(1);
    Connection connection;
    connection.setConnectionString(catalogue().string());
    connection.Open();
    Engine& engine = connection.engine("test");
    ASSERT_EQ(UsageCounter::recording(engine), UsageCounter::Recording::Counts);
    ASSERT_TRUE(UsageCounter::count(engine, "Mail", ChangeHistory::localDate(), 12));
    ASSERT_TRUE(UsageCounter::count(engine, "Calculator", ChangeHistory::localDate(-20), 3));
    ASSERT_TRUE(window.reload());

    auto column = [&](int index) {
        std::vector<std::string> values;
        for (int i = 0; i < window.lstUsage->topLevelItemCount(); ++i)
            values.push_back(window.lstUsage->topLevelItem(i)->text(index).toStdString());
        return values;
    };
    window.lstUsage->sortByColumn(2, Qt::DescendingOrder);
    EXPECT_EQ(column(0), (std::vector<std::string>{"Mail", "Calculator", "Unused"}));
    EXPECT_EQ(column(1), (std::vector<std::string>{"12", "0", "0"}));
    EXPECT_EQ(column(4)[2], "never");
    window.chkNeverLaunched->setChecked(true);
    EXPECT_EQ(column(0), std::vector<std::string>{"Unused"});
}

}  // namespace
}  // namespace portico::admin::test
