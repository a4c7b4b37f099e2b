#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

// The main of the test programs with widgets, which need an application object on the main
// thread. Every test runs on Qt's offscreen platform (pixel-identical to the X server and
// independent of it), except the XServer suites when asked for alone and a display exists:
// ctest runs each test in its own process with such a filter.
int main(int argc, char** argv)
{
    bool bXServerOnly = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_filter=XServer", 22) == 0)
            bXServerOnly = true;
    if (!bXServerOnly || qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
