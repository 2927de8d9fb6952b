#include "app/controls.h"

#include <cstring>

#include "app/frame_timer.h"
#include "app/window.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "game/moves.h"
#include "render/scene_frame.h"
#include "ui/sounds.h"
#include "ui/status_line.h"

namespace {

const int CameraViews = 3;
const char AboutText[] =
    "Kubrask\n"
    "\n"
    "Made by the Kubrask developers\n"
    "\n"
    "https://kubrask.example.com/\n"
    "kubrask@example.org";

// Each key's entry as it stood after its step on the last pass that
// reached it: a key acts when its entry is set and its latch is not.
bool NewGameLatch = false;
bool CameraLatch = false;
bool AboutLatch = false;
bool PauseLatch = false;
bool FpsLatch = false;

// A latched key acts once per press: while its entry is set and its latch is
// not. The latch takes the entry as it stands after the action, which may
// have cleared it so that the next key-down message acts again.
template <typename Action>
void OncePerPress(const BYTE& entry, bool& latch, Action action) {
    if (entry && !latch) action();
    latch = entry;
}

}  // namespace

void ApplyControls(BYTE keys[256]) {
    int direction = JoystickDirection;

    OncePerPress(keys['N'], NewGameLatch, [keys] {
        NewGame();
        std::memset(keys, 0, 256);  // every key must be pressed anew
    });
    OncePerPress(keys['V'], CameraLatch, [] { CameraView = (CameraView + 1) % CameraViews; });
    OncePerPress(keys['A'], AboutLatch, [] { ShowModalMessage(AboutText); });

    if (GameBoard.GameOver) return;  // only the keys above work after the game

    keys['P'] = keys['P'] | keys[VK_PAUSE];  // Pause counts as P until P is let go
    OncePerPress(keys['P'], PauseLatch, [] { CheatFlags.Paused = !CheatFlags.Paused; });
    OncePerPress(keys['F'], FpsLatch, [keys] {
        ShowFps();
        keys['F'] = 0;  // auto-repeat shows it again
    });

    if (keys['2']) CheatFlags.NoTwos = true;
    CheatFlags.FreeStep = keys['C'];
    if (keys['D']) {
        ShowModalMessage("A Test");
        keys['D'] = 0;
    }
    if (keys['T']) {
        TimeScale = 0.2f;
        CheatFlags.SlowMotionUsed = true;
    } else {
        TimeScale = 1.0f;
    }
    if (keys['L'])
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);

    // Down beats Up beats Right beats Left beats the joystick.
    if (keys[VK_LEFT]) direction = 3;
    if (keys[VK_RIGHT]) direction = 2;
    if (keys[VK_UP]) direction = 0;
    if (keys[VK_DOWN]) direction = 1;
    if (direction == -1 || IsWalkerBlocked()) return;
    if (TryMove(direction)) PlaySoundFile(MoveSoundPath.text);
}
