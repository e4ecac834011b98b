#pragma once

#include "settings/MessageSink.h"
#include "tessera/Tessera.h"

#include <mutex>

namespace portico::tessera {

// Hands the data layer's reports to the handler a client installed with
// TesseraSetMessageHandler; without one the reports go to standard error.
class MessageHandlerSink final : public MessageSink {
public:
    static void install(TesseraMessageHandler handler, void* context);

    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;

    // The number the platform's message boxes give an icon.
    static int iconNumber(MessageIcon icon) noexcept;

private:
    std::mutex mutex_;
    TesseraMessageHandler handler_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace portico::tessera
