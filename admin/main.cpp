#include "CatalogueWaitNote.h"
#include "DialogMessageSink.h"
#include "DialogService.h"
#include "FatalError.h"
#include "PorticoApplication.h"
#include "QtDialogService.h"
#include "StartupWarmUp.h"
#include "Artwork.h"

#include <QIcon>
#include <QTimer>
#include "modMain.h"

int main(int argc, char** argv) {
    const portico::StartupWarmUp fonts(portico::StartupWarmUp::Stage::Fonts);
    portico::PorticoApplication application(argc, argv);
    QApplication::setApplicationName("PorticoAdmin");
    portico::setProgramTitle("PorticoAdmin");
    // Painted in seven sizes: once the window shows, not before.
    QTimer::singleShot(0, [] { QApplication::setWindowIcon(portico::artwork::programWindowIcon(true)); });
    QGuiApplication::setDesktopFileName("org.portico.PorticoAdmin");
    // The setup window ends the program itself, also while other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);
    portico::QtDialogService dialogs;
    portico::ScopedDialogService dialogService(dialogs);
    portico::DialogMessageSink reports;
    portico::ScopedMessageSink reportSink(reports);

    // A catalogue locked by another program shows a note while it waits.
    portico::CatalogueWaitNote waitNote;
    portico::admin::modMain program;
    bool started = false;
    portico::guarded([&] { started = program.start(); });
    if (!started) return 0;
    return QApplication::exec();
}
