#include "StartupWarmUp.h"

#include "UserCollator.h"

#include <QString>

#include <fontconfig/fontconfig.h>

namespace portico {
namespace {

void warmUp(StartupWarmUp::Stage stage) {
    switch (stage) {
    case StartupWarmUp::Stage::Fonts:
        FcInit();
        break;
    case StartupWarmUp::Stage::FontsAndCollation:
        FcInit();
        // The first collator of a locale loads its tables; the lists' own
        // collators are made from ICU's cache then.
        userCollator().compare(QStringLiteral("a"), QStringLiteral("b"));
        break;
    }
}

}  // namespace

StartupWarmUp::StartupWarmUp(Stage stage) : worker_(warmUp, stage) {}

StartupWarmUp::~StartupWarmUp() = default;

}  // namespace portico
