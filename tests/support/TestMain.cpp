// The one main of every test program: the application object must exist
// before any timer, socket or widget does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef KESTRUP_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
#ifdef KESTRUP_TEST_GUI
    // Widget tests are headless wherever they run, the test listing at build time included.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
