#include "ui/status_line.h"

#include <cstdint>
#include <limits>

#include "app/frame_timer.h"
#include "app/window.h"
#include "game/board.h"
#include "text/number_text.h"
#include "ui/high_score.h"

namespace {

void AppendNumber(OwnedString& line, int32_t number) {
    OwnedString text;
    text.Adopt(IntToText(number));
    line.Append(text.text);
}

}  // namespace

void UpdateStatusLine(const char* message) {
    OwnedString line("Kubrask - Time: ");
    int32_t seconds = static_cast<int32_t>(GameBoard.GameClock);
    if (seconds > 0) {
        AppendNumber(line, seconds / 60);
        line.Append(":");
        OwnedString rest;
        rest.Adopt(IntToText(seconds % 60));
        if (StringSize(rest.text) == 2) rest.Prepend("0");  // one digit
        line.Append(rest.text);
    } else {
        line.Append("OUT");
    }
    line.Append(" - Score: ");
    AppendNumber(line, GameBoard.ScoreTotal);
    if (message != nullptr) {
        StatusSuffix.Adopt(DuplicateString(message));
        StatusSuffix.Prepend(" - ");
    }
    line.Append(StatusSuffix.text);
    if (HighScore != 0) {
        line.Append(" - High Score: ");
        AppendNumber(line, HighScore);
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
