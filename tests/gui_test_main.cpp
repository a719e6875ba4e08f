#include <QApplication>
#include <gtest/gtest.h>

// These tests drive real widgets and draw text, so they need a QApplication; without a display
// they run on the offscreen platform (also when the test list is read at build time).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
