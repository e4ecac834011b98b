#include "tessera/MessageHandlerSink.h"

namespace portico::tessera {

namespace {

// Never destroyed: an instance released while the library unloads may still
// report through it.
MessageHandlerSink& sink() {
    static MessageHandlerSink& instance = *new MessageHandlerSink;
    return instance;
}

}  // namespace

void MessageHandlerSink::install(TesseraMessageHandler handler, void* context) {
    auto& instance = sink();
    {
        std::lock_guard lock(instance.mutex_);
        instance.handler_ = handler;
        instance.context_ = context;
    }
    installMessageSink(handler ? &instance : nullptr);
}

void MessageHandlerSink::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    TesseraMessageHandler handler;
    void* context;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
        context = context_;
    }
    if (handler) handler(context, text.c_str(), title.c_str(), iconNumber(icon));
}

int MessageHandlerSink::iconNumber(MessageIcon icon) noexcept {
    switch (icon) {
    case MessageIcon::Critical:
        return TESSERA_ICON_CRITICAL;
    case MessageIcon::Question:
        return TESSERA_ICON_QUESTION;
    case MessageIcon::Exclamation:
        return TESSERA_ICON_EXCLAMATION;
    case MessageIcon::Information:
        return TESSERA_ICON_INFORMATION;
    }
    return TESSERA_ICON_CRITICAL;
}

}  // namespace portico::tessera
