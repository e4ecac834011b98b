#include "gui/CatalogueWaitNote.h"
#include "gui/DialogMessageSink.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PorticoApplication.h"
#include "gui/QtDialogService.h"
#include "gui/StartupWarmUp.h"
#include "gui/TerminationSignals.h"
#include "views/Artwork.h"

#include <QIcon>
#include <QTimer>
#include "admin/frmSetup.h"
#include "admin/modMain.h"

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
    // Ending the session ends the program as closing the setup window does.
    const portico::TerminationSignals termination([&program] {
        if (QWidget* setup = program.loadedSetupWindow()) setup->close();
        program.endProgram();
    });
    bool started = false;
    portico::guarded([&] { started = program.start(); });
    if (!started) return 0;
    return QApplication::exec();
}
