#include "gui/CatalogueWaitNote.h"
#include "gui/DialogMessageSink.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PorticoApplication.h"
#include "gui/QtDialogService.h"
#include "gui/StartupWarmUp.h"
#include "gui/TerminationSignals.h"
#include "launcher/EarlyServerConnection.h"
#include "launcher/SingleInstance.h"
#include "launcher/SiteCatalogue.h"
#include "launcher/frmView.h"
#include "settings/SettingsLocation.h"
#include "views/Artwork.h"

#include <QIcon>
#include <QTimer>
#include "launcher/modMain.h"

int main(int argc, char** argv) {
    const portico::StartupWarmUp fontsAndCollation(portico::StartupWarmUp::Stage::FontsAndCollation);
    const portico::EarlyServerConnection serverConnection(portico::settingsFile(),
                                                          portico::SiteCatalogue::timing().connectSeconds,
                                                          portico::SiteCatalogue::timing().commandSeconds);
    portico::PorticoApplication application(argc, argv);
    QApplication::setApplicationName("Portico");
    portico::setProgramTitle("Portico");
    // Painted in seven sizes: once the window shows, not before.
    QTimer::singleShot(0, [] { QApplication::setWindowIcon(portico::artwork::programWindowIcon(false)); });
    QGuiApplication::setDesktopFileName("org.portico.Portico");
    // Ending the session ends the launcher as Quit does: the window's place is
    // kept, and returning from main removes the socket. Caught from before the
    // socket exists, so that no signal can leave it behind.
    portico::modMain* running = nullptr;
    const portico::TerminationSignals termination([&running] {
        if (QWidget* window = running ? running->mainWindow() : nullptr) window->close();
        QCoreApplication::quit();
    });
    // A second start by the same user shows the running window instead.
    portico::SingleInstance single("Portico");
    if (!single.isPrimary()) return 0;
    portico::QtDialogService dialogs;
    portico::ScopedDialogService dialogService(dialogs);
    portico::DialogMessageSink reports;
    portico::ScopedMessageSink reportSink(reports);

    // A catalogue locked by another program shows a note while it waits.
    portico::CatalogueWaitNote waitNote;
    portico::modMain program;
    single.setRaiseAction([&program] { program.raiseMainWindow(); });
    running = &program;
    portico::guarded([&] { program.start(); });
    return QApplication::exec();
}
