#include "gui/DialogMessageSink.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "gui/QtDialogService.h"
#include "gui/testing/ScriptedDialogService.h"
#include "settings/PorticoError.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

namespace portico {
namespace {

using test::ScriptedDialogService;
using test::ShownMessage;
using test::TempFolder;

std::string encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return bytes.toStdString();
}

QImage filled(int size, QColor colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

TEST(PictureLoader, RecognisesFormatsByTheirFirstBytes) {
    EXPECT_EQ(pictureFormatOf("BM\x36\x00"), "bmp");
    EXPECT_EQ(pictureFormatOf(std::string("\0\0\1\0\1\0", 6)), "ico");
    EXPECT_EQ(pictureFormatOf(std::string("\0\0\2\0\1\0", 6)), "cur");
    EXPECT_EQ(pictureFormatOf(std::string("\0\0\1\0\0\0", 6)), "");  // no images
    EXPECT_EQ(pictureFormatOf("\x89PNG\r\n\x1a\n...."), "png");
    EXPECT_EQ(pictureFormatOf("\xff\xd8\xff\xe0"), "jpeg");
    EXPECT_EQ(pictureFormatOf("GIF89a"), "gif");
    EXPECT_EQ(pictureFormatOf(""), "");
    EXPECT_EQ(pictureFormatOf("B"), "");
    EXPECT_EQ(pictureFormatOf("hello world"), "");
}

TEST(PictureLoader, LoadsByContentWhateverTheFileIsCalled) {
    TempFolder folder;
    const auto iconNamedBmp = folder.write("temp.bmp", encode(filled(32, Qt::red), "ico"));
    const auto bitmapNamedIco = folder.write("folder.ico", encode(filled(16, Qt::blue), "bmp"));
    const auto pngNamedTxt = folder.write("picture.txt", encode(filled(8, Qt::green), "png"));

    const QImage icon = tryLoadPicture(iconNamedBmp.string());
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(QColor(icon.pixel(5, 5)), QColor(Qt::red));

    const QImage bitmap = tryLoadPicture(bitmapNamedIco.string());
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(QColor(bitmap.pixel(1, 1)), QColor(Qt::blue));

    EXPECT_EQ(tryLoadPicture(pngNamedTxt.string()).size(), QSize(8, 8));
}

TEST(PictureLoader, RefusesHugeHeadersLinksAndFifos) {
    TempFolder folder;
    const auto seeds = std::filesystem::path(PORTICO_SOURCE_DIR) / "fuzz/seeds/fuzz_picture_loader";
    for (const char* name : {"huge.bmp", "huge.png", "huge.ico", "huge.gif"}) {
        // 30,000 x 30,000 announced: refused before gigabytes are asked for.
        EXPECT_TRUE(tryLoadPicture((seeds / name).string(), SafeFile::Links::Follow).isNull()) << name;
    }
    EXPECT_EQ(tryLoadPicture((seeds / "small.png").string()).size(), QSize(16, 16));

    const auto picture = folder.write("picture.bmp", encode(filled(4, Qt::red), "bmp"));
    std::filesystem::create_symlink(picture, folder / "temp.bmp");
    EXPECT_TRUE(tryLoadPicture((folder / "temp.bmp").string()).isNull()) << "our picture files are never links";
    EXPECT_EQ(tryLoadPicture((folder / "temp.bmp").string(), SafeFile::Links::Follow).size(), QSize(4, 4));
    ASSERT_EQ(::mkfifo((folder / "fifo.bmp").c_str(), 0600), 0);
    EXPECT_TRUE(tryLoadPicture((folder / "fifo.bmp").string(), SafeFile::Links::Follow).isNull());
}

TEST(PictureLoader, MissingOrDamagedFilesGiveNoPictureOrTheirError) {
    TempFolder folder;
    const auto garbage = folder.write("garbage.bmp", "BM this is not a bitmap at all");
    const auto empty = folder.write("empty.ico", "");
    std::string truncatedIcon = encode(filled(32, Qt::red), "ico");
    truncatedIcon.resize(30);
    const auto truncated = folder.write("truncated.ico", truncatedIcon);

    EXPECT_TRUE(tryLoadPicture((folder / "missing.bmp").string()).isNull());
    EXPECT_TRUE(tryLoadPicture(garbage.string()).isNull());
    EXPECT_TRUE(tryLoadPicture(empty.string()).isNull());
    EXPECT_TRUE(tryLoadPicture(truncated.string()).isNull());
    EXPECT_TRUE(tryLoadPicture(folder.str()).isNull());

    try {
        loadPicture((folder / "missing.bmp").string());
        FAIL() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.description(), "File not found");
    }
    try {
        loadPicture(garbage.string());
        FAIL() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 481);
        EXPECT_EQ(error.description(), "Invalid picture");
    }
}

TEST(ScriptedDialogs, RecordsEveryCallAndAnswersInOrder) {
    ScriptedDialogService dialogs;
    dialogs.answerMessage(MessageAnswer::No);
    dialogs.answerInput("typed");
    dialogs.answerFile(std::nullopt);

    EXPECT_EQ(portico::dialogs().messageBox("Sure?", "Confirmation", MessageIcon::Question, MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(portico::dialogs().messageBox("Done", "Sucess", MessageIcon::Information), MessageAnswer::OK);
    EXPECT_EQ(portico::dialogs().inputBox("Name?", "Theme", "old"), "typed");
    EXPECT_EQ(portico::dialogs().openFileDialog("Pick", "All files (*)", "/usr/bin/xclock"), std::nullopt);
    EXPECT_EQ(portico::dialogs().inputBox("Again?", "Theme"), std::nullopt);
    portico::dialogs().setMousePointer(MousePointer::Hourglass);
    portico::dialogs().setMousePointer(MousePointer::Default);

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Sure?", "Confirmation", MessageIcon::Question, MessageButtons::YesNo},
                                      {"Done", "Sucess", MessageIcon::Information, MessageButtons::OK}}));
    ASSERT_EQ(dialogs.calls.size(), 5u);
    EXPECT_EQ(dialogs.calls[2].defaultText, "old");
    EXPECT_EQ(dialogs.calls[3].startPath, "/usr/bin/xclock");
    EXPECT_EQ(dialogs.calls[3].defaultText, "All files (*)");
    EXPECT_EQ(dialogs.unscriptedAnswers, 2);  // "Done" and "Again?"
    EXPECT_EQ(dialogs.pointerChanges, (std::vector<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
}

TEST(ScriptedDialogs, ReportsOfTheQtFreeLayersBecomeMessageBoxes) {
    ScriptedDialogService dialogs;
    messageSink().showMessage("3021, No current record.", "Portico.clsDBRoutines", MessageIcon::Critical);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"3021, No current record.", "Portico.clsDBRoutines",
                                                              MessageIcon::Critical, MessageButtons::OK}}));
}

TEST(ScriptedDialogs, RestoresThePreviousServiceWhenDone) {
    ScriptedDialogService outer(false);
    {
        ScriptedDialogService inner(false);
        dialogs().messageBox("inner", "t", MessageIcon::Information);
    }
    dialogs().messageBox("outer", "t", MessageIcon::Information);
    ASSERT_EQ(outer.messages().size(), 1u);
    EXPECT_EQ(outer.messages()[0].text, "outer");
}

// Presses the button with the given text on the message box once it is up.
void pressWhenShown(const QString& buttonText) {
    QTimer::singleShot(0, [buttonText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove('&') == buttonText) return button->click();
        box->reject();
    });
}

TEST(QtDialogs, MessageBoxShowsTextTitleIconAndReturnsTheChosenButton) {
    QtDialogService service;
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
    });
    pressWhenShown("No");
    EXPECT_EQ(service.messageBox("Delete xclock?", "Confirmation", MessageIcon::Question, MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(seenTitle, "Confirmation");
    EXPECT_EQ(seenText, "Delete xclock?");
    EXPECT_EQ(seenIcon, QMessageBox::Question);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(service.messageBox("Go on?", "Question", MessageIcon::Exclamation, MessageButtons::OKCancel),
              MessageAnswer::Cancel);
}

TEST(QtDialogs, ReturnChoosesTheDefaultButtonWhichMayBeNo) {
    QtDialogService service;
    auto pressReturn = [] {
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->defaultButton()->click();
        });
    };
    pressReturn();
    EXPECT_EQ(service.messageBox("Delete xclock?", "Question", MessageIcon::Question, MessageButtons::YesNo,
                                 DefaultButton::Second),
              MessageAnswer::No);
    pressReturn();
    EXPECT_EQ(service.messageBox("Delete xclock?", "Question", MessageIcon::Question, MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(defaultAnswer(MessageButtons::YesNo, DefaultButton::Second), MessageAnswer::No);
    EXPECT_EQ(defaultAnswer(MessageButtons::OK, DefaultButton::Third), MessageAnswer::OK);
}

TEST(QtDialogs, HourglassIsOneOverrideCursorHoweverOftenItIsSet) {
    QtDialogService service;
    service.setMousePointer(MousePointer::Hourglass);
    service.setMousePointer(MousePointer::Hourglass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    service.setMousePointer(MousePointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    service.setMousePointer(MousePointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(FatalErrorDeathTest, ShowsTheRuntimeErrorTitledWithTheProgramAndExitsNonZero) {
    EXPECT_EQ(runtimeErrorText(5000, "Invalid Path sent to property"),
              "Run-time error '5000':\n\nInvalid Path sent to property");
    // Without an installed service the console stand-in writes the box to stderr.
    EXPECT_EXIT(fatalError(PorticoError(5000, "Invalid Path sent to property", "Portico.clsEnvironment")),
                ::testing::ExitedWithCode(kFatalExitStatus),
                "\\[critical\\] Portico: Run-time error '5000':\n\nInvalid Path sent to property");
}

TEST(FatalErrorDeathTest, GuardedHandlersTurnEscapingExceptionsIntoTheReport) {
    EXPECT_EXIT(guarded([] { throw PorticoError(3021, "No current record.", "ADODB.Recordset"); }),
                ::testing::ExitedWithCode(kFatalExitStatus), "Run-time error '3021':\n\nNo current record\\.");
    EXPECT_EXIT(guarded([] { throw std::runtime_error("boom"); }), ::testing::ExitedWithCode(kFatalExitStatus),
                "Run-time error '51':\n\nInternal error: boom");
    int ran = 0;
    guarded([&] { ++ran; });
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace portico
