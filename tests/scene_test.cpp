// The drawing, on SDL's offscreen driver with a clock moved by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "app/frame_timer.h"
#include "app/launch_counter.h"
#include "app/window.h"
#include "board_support.h"
#include "game/cheat_flags.h"
#include "game/matching.h"
#include "game/moves.h"
#include "picture_support.h"
#include "render/scene_frame.h"
#include "support.h"

namespace {

struct SceneTest : testing::Test {
    ScratchFolder folder;
    DrivenClock time;
    void SetUp() override {
        MessageBoxScript::Reset();
        WriteTestAtlas("Data/DiceTexture.bmp");
        ResetLoopState();
        FillFaceCycleTable();
        ASSERT_TRUE(CreateGameWindow("Kubrask test", 320, 240, 16));  // small: quick to draw
        CameraView = 1;
    }
    void TearDown() override {
        DestroyGameWindow();
        CheatFlags = CheatFlagSet{};
        CameraView = 2;
    }
    // One frame after ms milliseconds, checking the model-view stack is left as found.
    void Frame(int ms) {
        time.AdvanceMs(ms);
        GLint before = 0, after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
        EXPECT_TRUE(RenderFrame());
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(before, after);
    }
    // The colour at the middle of a die's top face, seen straight down.
    static Rgb TopOf(const Die& die) {
        int x = 0, y = 0;
        EXPECT_TRUE(ProjectDiceFramePoint(1, 2.0f * die.column - 7.0f, 2.0f * die.row - 7.0f, -1.0f, x, y));
        return ReadPixel(x, y);
    }
    static void ExpectColour(Rgb seen, Rgb wanted, const char* what) {
        EXPECT_NEAR(seen.r, wanted.r, 3) << what;
        EXPECT_NEAR(seen.g, wanted.g, 3) << what;
        EXPECT_NEAR(seen.b, wanted.b, 3) << what;
    }
    // Every die at rest, but the one under the walker, shows its top value's colour.
    static int CheckRestingTops() {
        int checked = 0;
        for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) {
            const Die& die = node->die;
            bool underWalker = die.column == GameBoard.walker.column && die.row == GameBoard.walker.row;
            if ((die.flags & DIE_BUSY) || underWalker) continue;
            SCOPED_TRACE(testing::Message() << "die at " << die.column << "," << die.row << " showing "
                                            << TopValue(die));
            ExpectColour(TopOf(die), AtlasColour(TopValue(die)), "top face");
            ++checked;
        }
        return checked;
    }
};

}  // namespace

TEST_F(SceneTest, EveryRestingDieShowsItsTopValue) {
    RandomSeed(3);
    NewGame();
    Frame(0);
    EXPECT_EQ(CheckRestingTops(), 23);

    // Many rolls later, faces, matrices and texture still agree.
    std::mt19937 pick(11);
    int rolls = 0;
    for (int k = 0; k < 2000; ++k) {
        if (!IsWalkerBlocked() && TryMove(static_cast<int>(pick() % 4))) {
            BoardCell* cell = GameBoard.CellAt(GameBoard.walker.column, GameBoard.walker.row);
            if (cell->die != nullptr && (cell->die->flags & DIE_ROLLING) && !(cell->die->flags & DIE_SLIDING))
                ++rolls;
        }
        Frame(40);
    }
    for (int k = 0; k < 10; ++k) Frame(100);  // let the last moves end
    EXPECT_GT(rolls, 60);
    EXPECT_GE(CheckRestingTops(), 10);  // some groups have sunk on the way
}

TEST_F(SceneTest, AnimationsEndAfterTheirTimes) {
    ClearBoard();
    Die* mine = PlaceDie(3, 3);
    Die* rising = PlaceDie(0, 0, DIE_IDLE | DIE_BUSY | DIE_RISING);
    Die* sinking = PlaceDie(6, 6);
    StartSinking(*sinking);
    sinking->chain = 77;  // to know it again among new dice
    Frame(0);  // the first timed frame
    ASSERT_TRUE(TryMove(2));

    for (int ms = 10; ms <= 3010; ms += 10) {
        Frame(10);
        bool rolling = mine->flags & DIE_ROLLING, stepping = GameBoard.walker.flags & WALKER_STEPPING;
        if (ms <= 140) {
            EXPECT_TRUE(stepping) << ms;
        } else if (ms >= 160) {
            EXPECT_FALSE(stepping) << ms;
        }
        if (ms <= 190) {
            EXPECT_TRUE(rolling) << ms;
        } else if (ms >= 210) {
            EXPECT_FALSE(rolling) << ms;
            EXPECT_EQ(mine->flags, DIE_IDLE | DIE_MARKED);  // at rest, and looked at for a match
        }
        if (ms <= 2990) {
            EXPECT_TRUE(rising->flags & DIE_RISING) << ms;
        }
    }
    EXPECT_EQ(rising->flags, DIE_IDLE);
    for (int ms = 3010; ms < 7990; ms += 10) Frame(10);
    ASSERT_EQ(GameBoard.CellAt(6, 6)->die, sinking);  // still going down
    EXPECT_TRUE(sinking->flags & DIE_SINKING);
    for (int ms = 7990; ms <= 8020; ms += 10) Frame(10);
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next)
        EXPECT_NE(node->die.chain, 77);  // sunk, and removed in the same pass
    EXPECT_TRUE(BoardIsConsistent());
}

TEST_F(SceneTest, SinkingDiceAreTintedRed) {
    ClearBoard();
    Die* sinking = PlaceDie(1, 1);
    PlaceDie(5, 5);
    StartSinking(*sinking);
    CheatFlags.Paused = true;  // it stays at the top of its sink
    Frame(0);
    Frame(100);
    Rgb six = AtlasColour(6);
    ExpectColour(TopOf(*sinking), Rgb{six.r, static_cast<uint8_t>(six.g / 4), static_cast<uint8_t>(six.b / 4)},
                 "sinking");
    ExpectColour(TopOf(GameBoard.CellAt(5, 5)->die[0]), six, "resting");
}

TEST_F(SceneTest, RandomPlayThroughRealFramesKeepsTheBoardWhole) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        RandomSeed(seed);
        NewGame();
        std::mt19937 pick(seed);
        for (int frame = 0; frame < 1500; ++frame) {
            switch (pick() % 8) {
                case 0:
                    SpawnDie();
                    break;
                case 1: {
                    BoardCell& cell = GameBoard.cells[pick() % 49];
                    if (cell.die != nullptr) StartSinking(*cell.die);
                    break;
                }
                default:
                    if (!IsWalkerBlocked()) TryMove(static_cast<int>(pick() % 4));
                    break;
            }
            CheatFlags.FreeStep = pick() % 50 == 0;
            GameBoard.GameClock = 180.0f;  // the game never ends here: no box waits for a player
            Frame(static_cast<int>(pick() % 400));
            ASSERT_TRUE(BoardIsConsistent()) << "seed " << seed << ", frame " << frame;
            for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next)
                ASSERT_FALSE(node->die.flags & DIE_DEAD) << "a dead die outlived its frame";
        }
    }
}

TEST_F(SceneTest, ScreenshotOfCameraViewTwo) {
    // The real atlas, the starting view, a game just begun with one die rising.
    std::filesystem::copy_file(KUBRASK_SOURCE_DIR "/Data/DiceTexture.bmp", "Data/DiceTexture.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    DestroyGameWindow();
    ASSERT_TRUE(CreateGameWindow("Kubrask test", 800, 600, 16));
    CameraView = 2;
    RandomSeed(1);
    NewGame();
    SpawnDie();  // half way up after the second frame
    Frame(0);
    Frame(1500);
    std::vector<uint8_t> pixels(800 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::filesystem::create_directories(KUBRASK_BUILD_DIR "/screenshots");
    std::string path = KUBRASK_BUILD_DIR "/screenshots/camera-view-2.png";
    WritePng(path, 800, 600, pixels);
    EXPECT_GT(std::filesystem::file_size(path), 800u * 600 * 3);
    // Something was drawn: the middle of the window is not the clear colour.
    Rgb middle = ReadPixel(400, 300);
    EXPECT_NE(middle.r + middle.g + middle.b, 0);
}
