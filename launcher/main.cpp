#include "CatalogueWaitNote.h"
#include "DialogMessageSink.h"
#include "DialogService.h"
#include "FatalError.h"
#include "PorticoApplication.h"
#include "QtDialogService.h"
#include "modMain.h"

int main(int argc, char** argv) {
    portico::PorticoApplication application(argc, argv);
    QApplication::setApplicationName("Portico");
    portico::setProgramTitle("Portico");
    portico::QtDialogService dialogs;
    portico::ScopedDialogService dialogService(dialogs);
    portico::DialogMessageSink reports;
    portico::ScopedMessageSink reportSink(reports);

    // A catalogue locked by another program shows a note while it waits.
    portico::CatalogueWaitNote waitNote;
    portico::modMain program;
    portico::guarded([&] { program.start(); });
    return QApplication::exec();
}
