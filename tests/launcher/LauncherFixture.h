#pragma once

#include "database/CatalogueFile.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/testing/ScriptedDialogService.h"
#include "launcher/Shell.h"
#include "launcher/modMain.h"
#include "tests/support/TempFolder.h"
#include "views/Artwork.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QListWidget>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace portico::test {

// Records what would have been handed to the desktop, and answers as scripted
// (started, unless a failure was queued).
class RecordingShell final : public Shell {
public:
    ShellResult execute(const ShellRequest& request) override {
        requests.push_back(request);
        if (results.empty()) return ShellResult::ok();
        ShellResult result = results.front();
        results.pop_front();
        return result;
    }
    std::vector<ShellRequest> requests;
    std::deque<ShellResult> results;
};

inline std::string encodePicture(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes.toStdString();
}

inline std::string solidPicture(QColor colour, const char* format = "bmp") {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    return encodePicture(image, format);
}

// A program folder in a temporary folder with folder.ico, Default.ico and an
// empty catalogue in data/Portico.mdb, opened by the launcher's program
// objects. Dialogs are scripted, the shell recorded.
class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() : programFolder_(folder.path()), shellGuard_(shell) {
        folder.write("folder.ico", encodePicture(artwork::folderIcon(32), "ico"));
        folder.write("Default.ico", encodePicture(artwork::defaultIcon(32), "ico"));
        std::filesystem::create_directories(folder / "data");
        std::filesystem::create_directories(folder / "pictures");
        CatalogueFile::create(catalogue());
        // Per-user settings (window places) go to this test's folder, not the home folder.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder.str() + "/config"));
        // So is the user's launch history.
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder.str() + "/state"));
        program = std::make_unique<modMain>(folder / "pictures");
        db().openDatabase(catalogue().string());
    }

    clsDBRoutines& db() { return program->database(); }
    std::filesystem::path catalogue() const { return folder / "data" / "Portico.mdb"; }

    // Adds a program whose picture file holds `picture` (any bytes).
    void addProgram(const std::string& name, const std::string& picture, const std::string& path = "/usr/bin/xclock",
                    const std::string& startIn = "", const std::string& parameters = "") {
        folder.write("pictures/temp.bmp", picture);
        ASSERT_TRUE(db().addProgram(name, "About " + name, path, "", startIn, parameters));
    }

    // Runs a statement on the catalogue behind the data layer's back.
    void sql(const std::string& statement, const std::vector<Variant>& parameters = {}) {
        auto connection = std::make_shared<Connection>();
        connection->setConnectionString(catalogue().string());
        connection->Open();
        Recordset rs;
        rs.Open(statement, connection, parameters);
        connection->Close();
    }

    static QListWidgetItem* itemNamed(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }

    static std::vector<std::string> texts(QListWidget* list) {
        std::vector<std::string> result;
        for (int i = 0; i < list->count(); ++i) result.push_back(list->item(i)->text().toStdString());
        return result;
    }

    static void doubleClick(QListWidget* list, QListWidgetItem* item) {
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    TempFolder folder;

private:
    ScopedProgramFolder programFolder_;

protected:
    ScriptedDialogService dialogs;
    RecordingShell shell;

private:
    ScopedShell shellGuard_;

protected:
    std::unique_ptr<modMain> program;
};

}  // namespace portico::test
