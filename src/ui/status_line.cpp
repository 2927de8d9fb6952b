#include "ui/status_line.h"

#include <cstdint>
#include <limits>

#include "app/frame_timer.h"
#include "app/window.h"
#include "game/board.h"
#include "text/number_text.h"
#include "ui/high_score.h"

void UpdateStatusLine(const char* message) {
    OwnedString line("Kubrask - Time: ");
    int32_t seconds = static_cast<int32_t>(GameBoard.GameClock);
    if (seconds > 0) {
        OwnedString minutes;
        minutes.Adopt(IntToText(seconds / 60));
        line.Append(minutes.text);
        line.Append(":");
        OwnedString rest;
        rest.Adopt(IntToText(seconds % 60));
        if (StringSize(rest.text) == 2) rest.Prepend("0");  // one digit
        line.Append(rest.text);
    } else {
        line.Append("OUT");
    }
    line.Append(" - Score: ");
    OwnedString score;
    score.Adopt(IntToText(GameBoard.ScoreTotal));
    line.Append(score.text);
    if (message != nullptr) {
        StatusSuffix.Adopt(DuplicateString(message));
        StatusSuffix.Prepend(" - ");
    }
    line.Append(StatusSuffix.text);
    if (HighScore != 0) {
        OwnedString best;
        best.Adopt(IntToText(HighScore));
        line.Append(" - High Score: ");
        line.Append(best.text);
        line.Append(" by ");
        line.Append(HighScoreName.text);
    }
    SetWindowTextA(GameWindow, line.text);
}

void ShowFps() {
    // Without time passing (the first frame, a pause, the frame after a box)
    // the rate is shown as "inf", without dividing by zero.
    double rate = FrameDelta == 0.0f ? std::numeric_limits<double>::infinity() : 1.0 / FrameDelta;
    OwnedString text;
    text.Adopt(RealToText(rate));
    text.Prepend("FPS:");
    UpdateStatusLine(text.text);
}
