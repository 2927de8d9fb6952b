// The objects that live for the whole run. They are built before the entry,
// in the order they are defined here, and destroyed in the reverse order;
// keeping them in one file is what fixes that order.
#include "app/frame_timer.h"
#include "app/launch_counter.h"
#include "game/board.h"
#include "render/orientation.h"
#include "ui/high_score.h"
#include "ui/sounds.h"
#include "ui/status_line.h"

namespace {

// Each launch advances the counter and seeds the generator with it; the
// first number drawn is thrown away.
struct LaunchSeeding {
    LaunchSeeding() {
        SeedFromLaunchCounter();
        RandomNext();
    }
};

LaunchSeeding SeedOnLaunch;

}  // namespace

FrameTimer GameTimer;

extern const int32_t DiceCap = BoardSize * BoardSize / 2;  // 24: the fraction is dropped

OwnedString MoveSoundPath("Data/DiceMove.wav");
OwnedString MatchSoundPath("Data/DiceMatch.wav");

namespace {

// Matrices nobody reads, around the board: while they live, the scratch
// blocks that products and rotations work in live too, so no turn of a die
// allocates.
Matrix4 KeepScratchFirst;

}  // namespace

Board GameBoard;

namespace {
Matrix4 KeepScratchSecond;
}  // namespace

int32_t HighScore = 0;
OwnedString HighScoreName;

namespace {
Matrix4 KeepScratchThird;
}  // namespace

OwnedString StatusSuffix;
