#include "SingleInstance.h"
#include "TempFolder.h"

#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace portico::test {

TEST(SingleInstance, SecondStartAsksTheFirstToRaiseItsWindowAndEnds) {
    TempFolder folder;
    const QString base = QString::fromStdString(folder.str());
    // A socket file left by a crashed instance is not mistaken for a running one.
    folder.write("Portico.socket", "");
    SingleInstance first("Portico", base);
    EXPECT_TRUE(first.isPrimary());
    EXPECT_EQ(first.socketPath(), base + "/Portico.socket");
    // Only the user may connect.
    EXPECT_EQ(QFileInfo(first.socketPath()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);

    QWidget window;
    window.show();
    int raised = 0;
    first.setRaiseAction([&] { ++raised; });

    SingleInstance second("Portico", base);
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 2000));

    // Another program name is another instance.
    SingleInstance other("PorticoAdmin", base);
    EXPECT_TRUE(other.isPrimary());
}

}  // namespace portico::test
