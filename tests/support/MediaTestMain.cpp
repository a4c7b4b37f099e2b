#include "probe/FFmpegCommon.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// QImage finds its JPEG writer through the application object's plugin paths.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    qv::QVSilenceFFmpegLog();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
