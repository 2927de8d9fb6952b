// Every test runs headless: SDL's offscreen video and dummy audio, and
// message boxes answered by the test's script.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support.h"

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SetMessageBoxHandler(MessageBoxScript::Answer);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
