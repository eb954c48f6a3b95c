// Entry point of every test program: headless drivers unless the caller chose others,
// so a test binary behaves the same under ctest and when run by hand.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
