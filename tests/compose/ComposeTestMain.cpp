#include "probe/FFmpegCommon.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

// The engine composes with a QGuiApplication on the offscreen platform; the tests do the
// same (image plugins and QPainter need the application object).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    qv::QVSilenceFFmpegLog();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
