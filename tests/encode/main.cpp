#include <QCoreApplication>
#include <gtest/gtest.h>

// The notify messages need a running application object on the main thread.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
