#include "render/scene_frame.h"

#include <cmath>

#include "app/frame_timer.h"
#include "game/matching.h"
#include "game/moves.h"
#include "game/pacing.h"
#include "platform/win32.h"
#include "render/render_state.h"

int32_t CameraView = 2;
float WalkerSpin = 0.0f;

namespace {

const float SceneDistance = 13.0f;
const int32_t PreviewColumn = 8;  // beside the board, beyond its last column
const int32_t PreviewRow = 5;
const float SinkSeconds = 8.0f;
const float RiseSeconds = 3.0f;
const float MoveSeconds = 0.2f;
const float StepSeconds = 0.15f;
const float SpinPerSecond = 200.0f;
const float FlashSeconds = 11.0f;

}  // namespace

bool RenderFrame() {
    UpdateFrameDelta();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -SceneDistance);
    ApplyCameraView();
    glBindTexture(GL_TEXTURE_2D, DiceTexture);
    UpdateClockAndPacing();
    DrawScene();
    // Read after the scene, so the spin stands still in the frame the game ends.
    WalkerSpin += FrameDelta * SpinPerSecond;
    if (GameBoard.GameOver) WalkerSpin += FrameDelta * SpinPerSecond;
    return true;
}

void ApplyCameraView() {
    switch (CameraView) {
        case 0:
            glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
            glRotatef(50.0f, 0.0f, 0.0f, 1.0f);
            glRotatef(50.0f, -1.0f, 1.0f, 0.0f);
            break;
        case 1:  // straight down: columns to the right, row 0 at the top
            glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
            break;
        case 2:
            glRotatef(135.0f, 1.0f, 0.0f, 0.0f);
            glRotatef(35.0f, 0.0f, 0.0f, 1.0f);
            break;
        default:
            break;
    }
}

void DrawScene() {
    const Board& board = GameBoard;
    // The dice frame: any square board comes out 4 units wide, dice centred
    // on z = 0 with the floor at z = +1.
    float a = static_cast<float>(2.0 * std::sqrt(1.0 / (board.width * board.height)));
    glScalef(a, a, a);
    glTranslatef(0.0f, 0.0f, -1.0f);

    glPushMatrix();
    glTranslatef(-1.0f, -1.0f, 1.0f);
    float b = 1.0f / (a * 0.5f);
    glScalef(b, b, b);
    DrawFloor();
    glPopMatrix();

    glPushMatrix();
    DrawBoardContents(GameBoard);
    glPopMatrix();
}

void DrawFloor() {
    // The background flashes red on every whole second of the last eleven.
    float flash = 0.0f;
    if (GameBoard.GameClock <= FlashSeconds)
        flash = static_cast<float>((std::cos(GameBoard.GameClock * 6.2831855) + 1.0) * 0.5 * 0.9);

    // The background, ten tiles wide. It gives no texture coordinate of its
    // own, so its red is tinted by the texel last used.
    glScalef(10.0f, 10.0f, 1.0f);
    glBegin(GL_QUADS);
    glColor3f(flash, 0.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnd();

    // The floor tile over the whole board, painted over the background
    // without touching the depth the background wrote.
    glScalef(0.1f, 0.1f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.9375f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glTexCoord2f(0.3125f, 0.9375f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glTexCoord2f(0.3125f, 0.625f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glTexCoord2f(0.0f, 0.625f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glEnd();
    glEnable(GL_DEPTH_TEST);
}

void DrawBoardContents(Board& board) {
    for (DieNode* node = board.dice.head; node != nullptr;) {
        Die& die = node->die;
        DrawDie(die, false, 0, 0);
        node = node->next;  // taken before the die may go
        if (die.flags & DIE_DEAD) RemoveDie(&die);
    }
    // The die under the walker again, beside the board, without advancing
    // its animation a second time.
    BoardCell* under = board.CellAt(board.walker.column, board.walker.row);
    if (under != nullptr && under->die != nullptr) {
        float delta = FrameDelta;
        FrameDelta = 0.0f;
        DrawDie(*under->die, true, PreviewColumn, PreviewRow);
        FrameDelta = delta;
    }
    DrawWalker(board.walker);
}

void CellToWorld(const Board& board, float x, float y, Vec4& out) {
    out.Set(0.0f, 0.0f, 0.0f, 1.0f);
    out.v[0] = static_cast<float>(x - board.width * 0.5);
    out.v[1] = static_cast<float>(y - board.height * 0.5);
    out.ScaleXYZ(2.0f);
}

// The dice frame is on top of the stack, and a copy of it below.
void DrawDie(Die& die, bool preview, int32_t previewColumn, int32_t previewRow) {
    Vec4 p;
    if (preview)
        CellToWorld(GameBoard, static_cast<float>(previewColumn), static_cast<float>(previewRow), p);
    else
        CellToWorld(GameBoard, static_cast<float>(die.column), static_cast<float>(die.row), p);
    glTranslatef(p[0], p[1], p[2]);

    bool tinted = false;
    if ((die.flags & DIE_BUSY) && !GameBoard.GameOver) {
        if (die.flags & DIE_SINKING) {
            glColor3f(1.0f, 0.25f, 0.25f);
            tinted = true;
            glTranslatef(0.0f, 0.0f, 2.0f * die.progress);
            die.progress += FrameDelta / SinkSeconds;
            if (die.progress >= 1.0f) EndDieSink(die);
        }
        if (die.flags & DIE_RISING) {
            glTranslatef(0.0f, 0.0f, 2.0f * (1.0f - die.progress));
            die.progress += FrameDelta / RiseSeconds;
            if (die.progress >= 1.0f) EndDieRise(die);
        }
        if (die.flags & DIE_ROLLING) {
            // The move's effect is already in place; show the part still to go undone.
            float r = 1.0f - die.progress;
            Step step = DirectionToStep(die.rollDirection);
            if (!preview) glTranslatef(-2.0f * step.dx * r, -2.0f * step.dy * r, 0.0f);
            if (!(die.flags & DIE_SLIDING)) {  // a slide neither lifts nor turns
                float edge = 2.0f * std::fabs(r - 0.5f);
                glTranslatef(0.0f, 0.0f, 1.0f - std::sqrt(2.0f - edge * edge));  // up over the edge
                Vec4 angles = DirectionAngles(die.rollDirection);
                angles.ScaleXYZ(-1.0f);
                glRotatef(r * angles[0], 1.0f, 0.0f, 0.0f);
                glRotatef(r * angles[1], 0.0f, 1.0f, 0.0f);
            }
            die.progress += FrameDelta / MoveSeconds;
            if (die.progress >= 1.0f) {
                EndDieMove(die);
                EvaluateMatch(die.column, die.row, !(die.flags & DIE_SLIDING));
            }
        }
    }
    glMultMatrixf(die.orientation.e);
    DrawDieCube();
    if (tinted) glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
    glPushMatrix();
}

void DrawWalker(Walker& walker) {
    float x = static_cast<float>(walker.column), y = static_cast<float>(walker.row);
    if (walker.flags & WALKER_STEPPING) {  // glide in from the cell it left
        float r = 1.0f - walker.progress;
        x -= r * walker.stepX;
        y -= r * walker.stepY;
        walker.progress += FrameDelta / StepSeconds;
        if (walker.progress >= 1.0f) walker.flags &= ~WALKER_STEPPING;
    }
    Vec4 p;
    CellToWorld(GameBoard, x, y, p);
    BoardCell* cell = GameBoard.CellAt(walker.column, walker.row);
    float h = cell != nullptr ? CellHeight(*cell) : 0.0f;
    float z = GameBoard.GameOver ? 1.0f : -(h + 0.1f);  // the tip just above what it stands on
    glTranslatef(p[0], p[1], z);
    glScalef(1.0f, 1.0f, 2.0f);
    if (GameBoard.GameOver) glTranslatef(0.0f, 0.0f, -2.0f);
    glDisable(GL_TEXTURE_2D);
    glRotatef(WalkerSpin, 0.0f, 0.0f, 1.0f);
    DrawWalkerShape();
    glEnable(GL_TEXTURE_2D);
}
