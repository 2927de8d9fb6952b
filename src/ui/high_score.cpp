#include "ui/high_score.h"

#include <cstdio>

#include "app/frame_timer.h"
#include "app/window.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "name_dialog.h"
#include "text/number_text.h"
#include "ui/sounds.h"

char NameEntryBuffer[300];

namespace {

const char ScoreFile[] = "Kubrask.data";
const char NewScoreFile[] = "Kubrask.data.new";

void ShowNameDialog() {
    INT_PTR result = DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(NAME_DIALOG_ID), GameWindow,
                                     NameDialogProc, 0);
    if (result != 1) NameEntryBuffer[0] = '\0';  // cancelled, or no dialog could be shown
}

}  // namespace

void FinishGame() {
    OwnedString message;
    message.Adopt(IntToText(GameBoard.ScoreTotal));
    message.Prepend("Gamve Over!\nScore: ");
    const bool cheated = IsCheated();
    if (cheated) message.Append("\nBUT YOU CHEATED!");
    ShowModalMessage(message.text);
    if (cheated) return;  // a cheated game is never a best score
    if (HighScore < GameBoard.ScoreTotal) {
        ShowNameDialog();
        if (NameEntryBuffer[0] != '\0') {
            HighScore = GameBoard.ScoreTotal;
            HighScoreName.Adopt(DuplicateString(NameEntryBuffer));
            SaveHighScore();
        }
    }
}

// A damaged file gives what can be trusted of it: a file shorter than the
// score gives no best score at all; a name is read up to its zero byte, the
// end of the file, or its 299th character, whichever comes first.
void LoadHighScore() {
    HighScore = 0;
    HighScoreName.Adopt(DuplicateString(""));
    if (!FileExists(ScoreFile)) return;  // loading never makes the file
    std::FILE* file = std::fopen(ScoreFile, "rb");
    if (file == nullptr) return;
    unsigned char score[4];
    if (std::fread(score, 1, 4, file) == 4) {
        HighScore = static_cast<int32_t>(score[0] | score[1] << 8 | score[2] << 16 |
                                         static_cast<uint32_t>(score[3]) << 24);
        size_t length = 0;
        int c;
        while (length < sizeof NameEntryBuffer - 1 && (c = std::fgetc(file)) != EOF && c != 0)
            NameEntryBuffer[length++] = static_cast<char>(c);
        NameEntryBuffer[length] = '\0';
        HighScoreName.Adopt(DuplicateString(NameEntryBuffer));
    }
    std::fclose(file);
}

// The new file is written whole beside the old one and then put in its
// place in one step, so a crash or a full disk leaves the old file or the
// new one, never half of either.
void SaveHighScore() {
    std::FILE* file = std::fopen(NewScoreFile, "wb");
    if (file == nullptr) return;
    uint32_t score = static_cast<uint32_t>(HighScore);
    const unsigned char bytes[4] = {static_cast<unsigned char>(score), static_cast<unsigned char>(score >> 8),
                                    static_cast<unsigned char>(score >> 16),
                                    static_cast<unsigned char>(score >> 24)};
    size_t nameSize = static_cast<size_t>(StringSize(HighScoreName.text));
    bool written = std::fwrite(bytes, 1, 4, file) == 4 &&
                   std::fwrite(HighScoreName.text, 1, nameSize, file) == nameSize;
    written = std::fclose(file) == 0 && written;
    if (!written || !MoveFileExA(NewScoreFile, ScoreFile, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        std::remove(NewScoreFile);
}

INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CopyString(HighScoreName.text, NameEntryBuffer);
            SetDlgItemTextA(dialog, NAME_DIALOG_EDIT_ID, NameEntryBuffer);
            return TRUE;  // the focus goes to the first tab stop, OK
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                GetDlgItemTextA(dialog, NAME_DIALOG_EDIT_ID, NameEntryBuffer, sizeof NameEntryBuffer);
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                if (MessageBoxA(dialog, "Sure you don't want to enter a name?", "Kubrask", MB_YESNO) == IDYES)
                    EndDialog(dialog, 2);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}
