#pragma once

#include "admin/modMain.h"
#include "database/CatalogueFile.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/testing/ScriptedDialogService.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDialog>
#include <QImage>
#include <QImageWriter>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace portico::admin::test {

using portico::test::ScriptedDialogService;
using portico::test::ShownMessage;
using portico::test::TempFolder;

inline std::string encodePicture(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes.toStdString();
}

inline std::string solidPicture(QColor colour, int width = 32, int height = 32) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return encodePicture(image, "bmp");
}

// Windows still waiting for deleteLater are deleted, so closed windows are gone.
inline void processDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

inline std::vector<std::string> texts(const QListWidget* list) {
    std::vector<std::string> result;
    for (int i = 0; i < list->count(); ++i) result.push_back(list->item(i)->text().toStdString());
    return result;
}

// A program folder in a temporary folder: Default.ico, an empty catalogue in
// data/Portico.mdb with the theme "Classic" as default, and Portico.ini made
// by the first start. Dialogs are scripted; modal windows stay up without
// blocking, so a test can work in them.
class AdminTest : public ::testing::Test {
protected:
    AdminTest() : programFolder_(folder.path()) {
        folder.write("Default.ico", solidPicture(Qt::darkGreen));
        std::filesystem::create_directories(folder / "data");
        std::filesystem::create_directories(folder / "pictures");
        CatalogueFile::create(catalogue());
        program = std::make_unique<modMain>(folder / "pictures");
        program->setModalRunner([this](QDialog& window) {
            window.show();
            modalWindows.push_back(&window);
        });
        db().openDatabase(catalogue().string());
        folder.write("splash.bmp", solidPicture(Qt::blue, 200, 42));
        folder.write("addremove.bmp", solidPicture(Qt::red, 200, 42));
        EXPECT_TRUE(db().CreateTheme("Classic", (folder / "splash.bmp").string(), (folder / "addremove.bmp").string()));
        EXPECT_TRUE(db().setDefaultTheme("Classic"));
    }

    ~AdminTest() override {
        program.reset();
        processDeletes();
    }

    clsDBRoutines& db() { return program->database(); }
    std::filesystem::path catalogue() const { return folder / "data" / "Portico.mdb"; }
    std::filesystem::path pictureFile() const { return folder / "pictures" / "temp.bmp"; }

    // Adds a program straight into the catalogue with `picture` as its icon.
    void addProgram(const std::string& name, const std::string& picture, const std::string& path = "/usr/bin/true") {
        folder.write("pictures/temp.bmp", picture);
        ASSERT_TRUE(db().addProgram(name, "About " + name, path, "", "", ""));
    }

    std::string storedIcon(const std::string& name) {
        auto records = db().loadProgram(name);
        if (!records || records->RecordCount() == 0) return {};
        const Variant& value = records->Fields("Program_Icon").Value();
        if (value.type() != Variant::Type::Bytes) return {};
        return std::string(value.bytes().begin(), value.bytes().end());
    }

    std::vector<std::string> programNames() {
        std::vector<std::string> names;
        auto records = db().loadPrograms();
        for (long i = 0; records && i < records->RecordCount(); ++i) {
            names.push_back(records->Fields("Program_Name").Value().toText());
            records->MoveNext();
        }
        return names;
    }

    TempFolder folder;

private:
    portico::test::ScopedProgramFolder programFolder_;

protected:
    ScriptedDialogService dialogs;
    std::unique_ptr<modMain> program;
    std::vector<QDialog*> modalWindows;
};

}  // namespace portico::admin::test
