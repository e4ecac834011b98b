#pragma once

#include "settings/MessageSink.h"

namespace portico {

// Shows the reports of the settings and the data layer as message boxes with an
// OK button, through the installed dialog service. The programs install one at
// start-up; tests that script the dialog service may install one too, so that
// those reports show up among the recorded message boxes.
class DialogMessageSink final : public MessageSink {
public:
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
};

}  // namespace portico
