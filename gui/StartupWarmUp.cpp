#include "StartupWarmUp.h"

#include "UserCollator.h"

#include <QString>

#include <fontconfig/fontconfig.h>

namespace portico {

StartupWarmUp::StartupWarmUp()
    : worker_([] {
          FcInit();
          // The first collator of a locale loads its tables; the lists' own
          // collators are made from ICU's cache then.
          userCollator().compare(QStringLiteral("a"), QStringLiteral("b"));
      }) {}

StartupWarmUp::~StartupWarmUp() = default;

}  // namespace portico
