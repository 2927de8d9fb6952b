#include "game/pacing.h"

#include "app/frame_timer.h"
#include "game/board.h"
#include "ui/high_score.h"
#include "ui/status_line.h"

namespace {

const float StallSeconds = 5.0f;   // a die more whenever the count has stood still this long
const float SpawnSeconds = 2.0f;   // a die more at most this often while below the cap
const float StatusSeconds = 1.0f;  // the caption's time and score are refreshed this often

}  // namespace

void UpdateClockAndPacing() {
    Board& board = GameBoard;
    if (board.GameOver) return;

    board.GameClock -= FrameDelta;
    if (board.GameClock <= 0.0f) {
        // Time is up: nothing below, and nothing in this frame's drawing, moves on.
        board.GameClock = 0.0f;
        FrameDelta = 0.0f;
        board.GameOver = 1;
        FinishGame();
    }

    int32_t count = DiceCount();
    if (count == LastDiceCount) {
        StallTimer += FrameDelta;
        if (StallTimer >= StallSeconds) {
            StallTimer = 0.0f;
            SpawnDie();
        }
    } else {
        LastDiceCount = count;
        StallTimer = 0.0f;
    }

    SpawnTimer += FrameDelta;
    if (SpawnTimer > SpawnSeconds) {
        SpawnTimer -= SpawnSeconds;  // kept while the board is full, so the next try comes sooner
        if (DiceCount() < DiceCap) {
            SpawnTimer = 0.0f;
            SpawnDie();
        }
    }

    StatusTimer += FrameDelta;
    if (StatusTimer > StatusSeconds) {
        StatusTimer -= StatusSeconds;
        UpdateStatusLine();
    }
}
