// tests/support/testmain.cpp -- every test program's main: the environment tests expect, then GoogleTest.
//
// Tests need no display and no sound card: SDL draws offscreen and plays to its dummy audio driver
// unless the caller chose otherwise. BRIMT_SOURCE_DIR tells tests where the sources and DATA/ are.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("BRIMT_SOURCE_DIR", BRIMT_SOURCE_DIR_DEFAULT, 0);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
