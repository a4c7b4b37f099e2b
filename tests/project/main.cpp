#include "ProjectTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The project reader writes the decoder settings into the per-user store; keep the
    // tests' writes out of the real one.
    qv::projecttest::CScratchFolder config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
