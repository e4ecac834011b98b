#include "database/CatalogueFile.h"
#include "gui/CatalogueWaitNote.h"
#include "gui/testing/ScriptedDialogService.h"
#include "settings/PorticoError.h"
#include "tests/support/TempFolder.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace portico {
namespace {

using namespace std::chrono_literals;

// Another program's writer, holding the catalogue's exclusive lock.
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& file) {
        sqlite3_open(file.c_str(), &db_);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~LockHolder() { sqlite3_close(db_); }
    void release() { sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); }

private:
    sqlite3* db_ = nullptr;
};

class CatalogueWaitNoteTest : public ::testing::Test {
protected:
    CatalogueWaitNoteTest() { CatalogueFile::create(catalogue()); }
    std::filesystem::path catalogue() const { return folder / "Portico.mdb"; }

    test::TempFolder folder;
    test::ScriptedDialogService dialogs;
};

TEST_F(CatalogueWaitNoteTest, AWaitShowsTheNoteWithTheHourglassUntilTheLockIsGone) {
    LockHolder writer(catalogue());
    CatalogueWaitNote note(100ms);
    bool shownWhileWaiting = false;
    std::vector<MousePointer> pointersWhileWaiting;
    QTimer::singleShot(600, [&] {
        shownWhileWaiting = note.note() && note.note()->isVisible() &&
                            note.note()->text() == QString::fromUtf8("Waiting for the catalogue\u2026");
        pointersWhileWaiting = dialogs.pointerChanges;
        EXPECT_TRUE(CatalogueWaitNote::waiting());
        writer.release();
    });

    CatalogueFile::check(catalogue(), 30);

    EXPECT_TRUE(shownWhileWaiting);
    EXPECT_EQ(pointersWhileWaiting, std::vector<MousePointer>{MousePointer::Hourglass});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note.note()->isVisible(); }, 5000));
    EXPECT_EQ(dialogs.pointerChanges, (std::vector<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
    EXPECT_FALSE(CatalogueWaitNote::waiting());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(CatalogueWaitNoteTest, AWaitLongerThanTheTimeoutFailsAndTheNoteGoes) {
    LockHolder writer(catalogue());
    CatalogueWaitNote note(0ms);
    try {
        CatalogueFile::check(catalogue(), 1);
        ADD_FAILURE() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 5);
        EXPECT_NE(error.description().find(catalogue().string()), std::string::npos) << error.description();
    }
    ASSERT_NE(note.note(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note.note()->isVisible(); }, 5000));
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
}

TEST_F(CatalogueWaitNoteTest, WithoutAWaitNothingShows) {
    CatalogueWaitNote note(0ms);
    CatalogueFile::check(catalogue(), 1);
    QTest::qWait(50);
    EXPECT_EQ(note.note(), nullptr);
    EXPECT_TRUE(dialogs.pointerChanges.empty());
}

}  // namespace
}  // namespace portico
