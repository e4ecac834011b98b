#include "StartupWarmUp.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <fontconfig/fontconfig.h>

namespace portico {

StartupWarmUp::StartupWarmUp()
    : worker_([] {
          FcInit();
          // Any collator of the locale loads the shared collation tables;
          // the lists' own collators are made from the cache then.
          QCollator collator{QLocale()};
          collator.compare(QStringLiteral("a"), QStringLiteral("b"));
      }) {}

StartupWarmUp::~StartupWarmUp() = default;

}  // namespace portico
