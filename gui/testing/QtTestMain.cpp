// main() for GoogleTest programs that need a QApplication: list this file among
// the test's SOURCES. The application lives for the whole run, as in the programs.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the program instead of forking a process that has Qt's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Test discovery runs the program without the test's environment; tests
    // never need a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Portico");
    return RUN_ALL_TESTS();
}
