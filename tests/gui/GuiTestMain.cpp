// The window tests run in one QApplication, on the offscreen platform unless another is
// asked for, and keep the journals of their runs in the build tree, never in the user's
// state folder.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", QT_TESTCASE_BUILDDIR "/state");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
