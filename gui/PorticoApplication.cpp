#include "gui/PorticoApplication.h"

#include "gui/FatalError.h"

namespace portico {

PorticoApplication::PorticoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool PorticoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        fatalCurrentException();
    }
}

}  // namespace portico
