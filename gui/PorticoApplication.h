#pragma once

#include <QApplication>

namespace portico {

// The application object of both programs: an exception that escaped a handler
// is reported through fatalError instead of unwinding through the event loop.
class PorticoApplication final : public QApplication {
public:
    PorticoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace portico
