#include "gui/StartupWarmUp.h"
#include "gui/UserCollator.h"

#include <QFontDatabase>
#include <QStringList>

#include <gtest/gtest.h>

namespace portico::test {

// The warm-up loads fonts and collation tables while the main thread uses the
// same libraries: neither side may see a half-loaded table or change what the
// other gets.
TEST(StartupWarmUp, RacingTheMainThreadChangesNoResult) {
    for (int round = 0; round < 3; ++round) {
        const StartupWarmUp fontsAndCollation(StartupWarmUp::Stage::FontsAndCollation);
        QStringList names{"File 10", "file 2", "Zip", "\u00c7a marche", "alpha", "File 1"};
        const QCollator collator = userCollator();
        std::sort(names.begin(), names.end(),
                  [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        EXPECT_EQ(names, (QStringList{"alpha", "\u00c7a marche", "File 1", "file 2", "File 10", "Zip"}));
        EXPECT_FALSE(QFontDatabase::families().isEmpty());
    }
}

}  // namespace portico::test
