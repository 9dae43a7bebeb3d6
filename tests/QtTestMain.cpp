// Test main for suites that need a Qt application object (windows, events).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Without a display (and during test discovery) windows render offscreen;
    // a test that needs the real X server sets QT_QPA_PLATFORM=xcb itself.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
