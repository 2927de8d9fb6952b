#include "app/main.h"

#include "app/controls.h"
#include "app/window.h"
#include "game/board.h"
#include "render/orientation.h"
#include "render/scene_frame.h"
#include "text/number_text.h"
#include "ui/high_score.h"
#include "ui/status_line.h"

int RunMainLoop() {
    MSG msg{};
    bool done = false;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            // Messages come first: a frame is drawn only when the queue is empty.
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (WindowActive && !RenderFrame()) done = true;
        if (!done && KeyStates[VK_ESCAPE]) done = true;
        if (!done) SwapBuffers(GameDeviceContext);
        ApplyControls(KeyStates);  // also while minimised, and on the last pass
        if (done) return 0;
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    FillFaceCycleTable();
    NewGame();
    LoadHighScore();
    FractionDigits = 6;
    if (!CreateGameWindow("Qoxa's Texture Mapping Tutorial", 800, 600, 16)) return 0;
    UpdateStatusLine();  // from here on the caption is the status line
    int exitCode = RunMainLoop();
    DestroyGameWindow();
    return exitCode;
}
