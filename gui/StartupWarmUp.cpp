#include "gui/StartupWarmUp.h"

#include "gui/UserCollator.h"

#include <QString>

#include <fontconfig/fontconfig.h>

namespace portico {
namespace {

void warmUp(StartupWarmUp::Stage stage) {
    FcInit();
    // The first collator of a locale loads its tables; the lists' own
    // collators are made from ICU's cache then.
    if (stage == StartupWarmUp::Stage::FontsAndCollation)
        userCollator().compare(QStringLiteral("a"), QStringLiteral("b"));
}

}  // namespace

StartupWarmUp::StartupWarmUp(Stage stage) : worker_(warmUp, stage) {}

StartupWarmUp::~StartupWarmUp() = default;

}  // namespace portico
