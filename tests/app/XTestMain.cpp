// Test main for suites that need the real X server named by QSR_TEST_X_DISPLAY;
// without one they run offscreen and skip.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    const QByteArray display = qgetenv("QSR_TEST_X_DISPLAY");
    if (!display.isEmpty()) {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
