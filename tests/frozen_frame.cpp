// One frame of a game begun on a known board, drawn with the clock standing
// still, by the game's own code: for holding how one platform draws against
// another. On Linux it writes the frame as a PNG; in the browser it leaves it
// on the canvas and says so in the status line, for the test to take.
//
//   frozen_frame PICTURE.png   (Linux, in a folder with Data/)
#include <cstdio>
#include <vector>

#include "app/launch_counter.h"
#include "app/window.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "render/orientation.h"
#include "render/scene_frame.h"
#ifndef __EMSCRIPTEN__
#include "picture_support.h"
#endif

int main(int argc, char** argv) {
    FillFaceCycleTable();
    RandomSeed(1);
    NewGame();
    if (!CreateGameWindow("Kubrask - frozen frame", 800, 600, 16)) return 1;
    CheatFlags.Paused = true;
    if (!RenderFrame()) return 1;
#ifdef __EMSCRIPTEN__
    (void)argc, (void)argv;
    SwapBuffers(GameDeviceContext);
    SetWindowTextA(GameWindow, "Kubrask - frozen frame drawn");
#else
    if (argc != 2) {
        std::fprintf(stderr, "usage: frozen_frame PICTURE.png\n");
        return 2;
    }
    std::vector<uint8_t> pixels(800 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    WritePng(argv[1], 800, 600, pixels);
    DestroyGameWindow();
#endif
    return 0;
}
