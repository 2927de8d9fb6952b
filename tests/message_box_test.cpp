// Message boxes on Linux, drawn by the layer: laid out and answered as
// Windows' are, modal over their owner while the owner still hears its
// messages, and leaving the caller's OpenGL context current.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>

#include "app/controls.h"
#include "app/frame_timer.h"
#include "app/main.h"
#include "app/window.h"
#include "game/board.h"
#include "picture_support.h"
#include "platform/sdl/layer.h"
#include "render/orientation.h"
#include "support.h"
#include "text/number_text.h"
#include "ui/high_score.h"
#include "ui/status_line.h"

namespace {

void PushClick(HWND box, const RECT& on) {
    PushClick(box, (on.left + on.right) / 2, (on.top + on.bottom) / 2);
}

// The buttons of the last box drawn, in tab order.
std::vector<DialogDrawing::Control> Buttons(const DialogDrawing& drawing) {
    std::vector<DialogDrawing::Control> buttons;
    for (const DialogDrawing::Control& control : drawing.controls)
        if (control.button) buttons.push_back(control);
    return buttons;
}

std::vector<DialogDrawing::Control> TextLines(const DialogDrawing& drawing) {
    std::vector<DialogDrawing::Control> lines;
    for (const DialogDrawing::Control& control : drawing.controls)
        if (!control.button && !control.text.empty()) lines.push_back(control);
    return lines;
}

int CountPixels(const DialogDrawing& drawing, DWORD colour) {
    int count = 0;
    for (DWORD pixel : drawing.pixels) count += pixel == colour;
    return count;
}

void SavePicture(const DialogDrawing& drawing, const std::string& name) {
    std::vector<uint8_t> rows;
    for (int y = drawing.height - 1; y >= 0; --y)
        for (int x = 0; x < drawing.width; ++x) {
            DWORD pixel = drawing.pixels[static_cast<size_t>(y) * drawing.width + x];
            rows.insert(rows.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                     static_cast<uint8_t>(pixel)});
        }
    std::filesystem::create_directories(KUBRASK_BUILD_DIR "/screenshots");
    WritePng(KUBRASK_BUILD_DIR "/screenshots/box-" + name + ".png", drawing.width, drawing.height, rows);
}

// What an owner window's procedure heard, and whether a box was open then.
struct Heard {
    UINT message;
    bool duringBox;
};
std::vector<Heard> heard;
const UINT OwnMessage = 0x0401;  // a message of the owner's own (WM_USER + 1)
bool boxOpen = false;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    heard.push_back({message, boxOpen});
    return DefWindowProcA(window, message, wParam, lParam);
}

bool HeardDuringBox(UINT message) {
    for (const Heard& h : heard)
        if (h.message == message && h.duringBox) return true;
    return false;
}

struct RealBoxes : testing::Test {
    TestWindow owner{"BoxOwner", OwnerProc};
    void SetUp() override {
        ASSERT_NE(owner.window, nullptr);
        IdleSteps.clear();
        heard.clear();
        boxOpen = false;
        SetMessageBoxHandler(nullptr);
        SetDialogIdleHandler(RunNextIdleStep);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        SetDialogIdleHandler(nullptr);
        SetMessageBoxHandler(MessageBoxScript::Answer);
    }
    // Shows a box and looks at it once drawn, then runs the given steps.
    int Show(HWND boxOwner, const char* text, const char* caption, UINT type, DialogDrawing* drawing,
             std::vector<std::function<void(HWND)>> then) {
        IdleSteps.push_back([drawing](HWND) { ASSERT_TRUE(LastDialogDrawing(drawing)); });
        IdleSteps.insert(IdleSteps.end(), then.begin(), then.end());
        return MessageBoxA(boxOwner, text, caption, type);
    }
};

void Press(SDL_Keycode key) { PressKey(key); }
std::function<void(HWND)> Key(SDL_Keycode key) {
    return [key](HWND) { Press(key); };
}

}  // namespace

TEST_F(RealBoxes, EachKindLooksAsOnWindowsAndTellsStandardError) {
    struct Kind {
        const char* name;
        UINT type;
        std::vector<std::string> labels;
        DWORD iconColour;  // 0 for none
        int answer;        // to Enter
    };
    const Kind kinds[] = {
        {"plain", MB_OK, {"OK"}, 0, IDOK},
        {"error", MB_OK | MB_ICONEXCLAMATION, {"OK"}, 0xFFFF00, IDOK},
        {"shutdown", MB_OK | MB_ICONINFORMATION, {"OK"}, 0x0000FF, IDOK},
        {"question", MB_YESNO, {"Yes", "No"}, 0, IDYES},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        DialogDrawing d{};
        std::string title;
        int width = 0, height = 0;
        testing::internal::CaptureStderr();
        int answer = Show(owner.window, "Gamve Over!\nScore: 9", "Kubrask", kind.type, &d,
                          {[&](HWND box) {
                               title = SDL_GetWindowTitle(SdlWindowOf(box));
                               SDL_GetWindowSize(SdlWindowOf(box), &width, &height);
                               Press(SDLK_RETURN);
                           }});
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, kind.answer);
        EXPECT_NE(said.find("Kubrask: Gamve Over! / Score: 9\n"), std::string::npos) << said;
        EXPECT_EQ(title, "Kubrask");
        EXPECT_EQ(width, d.client.right);
        EXPECT_EQ(height, d.client.bottom);

        // The buttons in Windows' order and size (50 x 14 dialog units),
        // side by side, centred at the bottom; the first is the default.
        std::vector<DialogDrawing::Control> buttons = Buttons(d);
        ASSERT_EQ(buttons.size(), kind.labels.size());
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i].text, kind.labels[i]);
            EXPECT_EQ(buttons[i].isDefault, i == 0);
            EXPECT_EQ(buttons[i].focused, i == 0);
            EXPECT_EQ(buttons[i].place.right - buttons[i].place.left, (2 * 50 * d.baseUnitX + 4) / 8);
            EXPECT_EQ(buttons[i].place.bottom - buttons[i].place.top, (2 * 14 * d.baseUnitY + 8) / 16);
            if (i > 0) {
                EXPECT_GT(buttons[i].place.left, buttons[i - 1].place.right);
            }
        }
        int leftRoom = buttons.front().place.left, rightRoom = d.client.right - buttons.back().place.right;
        EXPECT_LE(std::abs(leftRoom - rightRoom), 1);
        EXPECT_GT(d.client.bottom - buttons[0].place.bottom, 4);

        // Two lines of text above the buttons; an icon, when asked for, to their left.
        std::vector<DialogDrawing::Control> lines = TextLines(d);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].text, "Gamve Over!");
        EXPECT_EQ(lines[1].text, "Score: 9");
        EXPECT_EQ(lines[1].place.top, lines[0].place.bottom);
        EXPECT_EQ(lines[0].place.left, lines[1].place.left);
        EXPECT_LT(lines[1].place.bottom, buttons[0].place.top);
        EXPECT_GT(lines[0].place.top, 0);
        if (kind.iconColour != 0) {
            EXPECT_GT(CountPixels(d, kind.iconColour), 200);
            EXPECT_GE(lines[0].place.left, 32 + 12);
        } else {
            EXPECT_EQ(CountPixels(d, 0xFFFF00) + CountPixels(d, 0x0000FF), 0);
            EXPECT_LT(lines[0].place.left, 32);
        }
        SavePicture(d, kind.name);
    }
}

TEST_F(RealBoxes, TextKeepsItsLineBreaksAndIsWrappedToASensibleWidth) {
    DialogDrawing d{};
    std::string words;
    for (int i = 0; i < 40; ++i) words += (i ? " " : "") + std::string("word") + std::to_string(i);
    std::string text = "First\n\n" + words + "\n" + std::string(120, 'W');
    Show(nullptr, text.c_str(), "Kubrask", MB_OK, &d, {Key(SDLK_RETURN)});
    SavePicture(d, "long");
    std::vector<DialogDrawing::Control> all;
    for (const DialogDrawing::Control& c : d.controls)
        if (!c.button && c.id == -1) all.push_back(c);
    ASSERT_GE(all.size(), 6u);
    EXPECT_EQ(all[0].text, "First");
    EXPECT_EQ(all[1].text, "");  // the empty line keeps its room
    EXPECT_EQ(all[2].place.top - all[1].place.top, all[1].place.top - all[0].place.top);
    std::string rejoined;
    size_t line = 2;
    for (; line < all.size() && all[line].text[0] != 'W'; ++line) {
        rejoined += (rejoined.empty() ? "" : " ") + all[line].text;
        EXPECT_LE(all[line].place.right - all[line].place.left, 401);
    }
    EXPECT_EQ(rejoined, words);
    EXPECT_GT(line, 3u);  // wrapped onto more than one line
    std::string unbroken;
    for (; line < all.size(); ++line) unbroken += all[line].text;
    EXPECT_EQ(unbroken, std::string(120, 'W'));  // a word too long for a line is broken inside
    EXPECT_LE(d.client.right, 400 + 2 * 12 + 2);

    // No text at all: still a box with its button, a line high.
    DialogDrawing empty{};
    EXPECT_EQ(Show(nullptr, "", "Kubrask", MB_OK, &empty, {Key(SDLK_RETURN)}), IDOK);
    ASSERT_EQ(Buttons(empty).size(), 1u);
    EXPECT_LT(empty.client.bottom, d.client.bottom);

    // Windows-1252 text and caption reach the screen as the characters they are.
    DialogDrawing accents{};
    std::string title;
    Show(nullptr, "Zo\xEB \x80 5", "Kubrask \x96 \xE9", MB_OK, &accents,
         {[&](HWND box) {
             title = SDL_GetWindowTitle(SdlWindowOf(box));
             Press(SDLK_RETURN);
         }});
    ASSERT_EQ(TextLines(accents).size(), 1u);
    EXPECT_EQ(TextLines(accents)[0].text, "Zo\xEB \x80 5");
    EXPECT_EQ(title, "Kubrask \xE2\x80\x93 \xC3\xA9");
}

TEST_F(RealBoxes, KeysClicksAndTheCloseBoxAnswerAsOnWindows) {
    const int windowsBefore = LiveWindowCount();
    DialogDrawing d{};
    // Yes and No: Tab and the arrows move between them, and the default
    // frame goes with the focus, so Enter answers the focused one.
    EXPECT_EQ(Show(owner.window, "Sure?", "Kubrask", MB_YESNO, &d, {Key(SDLK_TAB), Key(SDLK_RETURN)}), IDNO);
    EXPECT_EQ(Show(owner.window, "Sure?", "Kubrask", MB_YESNO, &d,
                   {Key(SDLK_RIGHT), Key(SDLK_RIGHT), Key(SDLK_LEFT), Key(SDLK_RETURN)}),
              IDNO);
    DialogDrawing afterTab{};
    EXPECT_EQ(Show(owner.window, "Sure?", "Kubrask", MB_YESNO, &d,
                   {Key(SDLK_TAB), [&](HWND) { LastDialogDrawing(&afterTab); }, Key(SDLK_SPACE)}),
              IDNO);
    ASSERT_EQ(Buttons(afterTab).size(), 2u);
    EXPECT_FALSE(Buttons(afterTab)[0].isDefault);
    EXPECT_TRUE(Buttons(afterTab)[1].isDefault);
    EXPECT_TRUE(Buttons(afterTab)[1].focused);
    // Escape and the close box cannot answer Yes or No.
    EXPECT_EQ(Show(owner.window, "Sure?", "Kubrask", MB_YESNO, &d,
                   {Key(SDLK_ESCAPE), [](HWND box) { PushWindowEvent(box, SDL_WINDOWEVENT_CLOSE); },
                    Key(SDLK_RETURN)}),
              IDYES);
    EXPECT_EQ(Show(owner.window, "Sure?", "Kubrask", MB_YESNO, &d,
                   {[&](HWND box) { PushClick(box, Buttons(d)[1].place); }}),
              IDNO);
    // OK: Escape and the close box answer OK, and so does a click.
    EXPECT_EQ(Show(nullptr, "A Test", "Kubrask", MB_OK, &d, {Key(SDLK_ESCAPE)}), IDOK);
    EXPECT_EQ(Show(nullptr, "A Test", "Kubrask", MB_OK, &d,
                   {[](HWND box) { PushWindowEvent(box, SDL_WINDOWEVENT_CLOSE); }}),
              IDOK);
    EXPECT_EQ(Show(nullptr, "A Test", "Kubrask", MB_OK, &d,
                   {[&](HWND box) { PushClick(box, Buttons(d)[0].place); }}),
              IDOK);
    // A click that misses the button does nothing.
    EXPECT_EQ(Show(nullptr, "A Test", "Kubrask", MB_OK, &d,
                   {[](HWND box) { PushClick(box, RECT{0, 0, 2, 2}); }}),
              0);  // the IdleSteps ran out: -2 is no answer
    EXPECT_EQ(LiveWindowCount(), windowsBefore);  // every box is gone
}

TEST_F(RealBoxes, CentredOverTheOwnerOrTheScreen) {
    SDL_SetWindowSize(SdlWindowOf(owner.window), 400, 300);
    SDL_SetWindowPosition(SdlWindowOf(owner.window), 100, 80);
    DialogDrawing d{};
    int x = -1, y = -1;
    auto where = [&](HWND box) {
        SDL_GetWindowPosition(SdlWindowOf(box), &x, &y);
        Press(SDLK_RETURN);
    };
    Show(owner.window, "Centred", "Kubrask", MB_OK, &d, {where});
    EXPECT_EQ(x, 100 + (400 - d.client.right) / 2);
    EXPECT_EQ(y, 80 + (300 - d.client.bottom) / 2);

    Show(nullptr, "Centred", "ERROR", MB_OK | MB_ICONEXCLAMATION, &d, {where});
    SDL_Rect screen{};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &screen), 0);
    EXPECT_EQ(x, screen.x + (screen.w - d.client.right) / 2);
    EXPECT_EQ(y, screen.y + (screen.h - d.client.bottom) / 2);
}

TEST_F(RealBoxes, TheOwnerHearsItsMessagesButNotItsKeysWhileTheBoxIsOpen) {
    DialogDrawing d{};
    Show(owner.window, "Open", "Kubrask", MB_OK, &d,
         {[&](HWND) {
              boxOpen = true;
              PostMessageA(owner.window, OwnMessage, 0, 0);
              PushWindowEvent(owner.window, SDL_WINDOWEVENT_FOCUS_GAINED);
              PushWindowEvent(owner.window, SDL_WINDOWEVENT_CLOSE);  // disabled: no close
              SDL_Event key{};
              key.type = SDL_KEYDOWN;
              key.key.windowID = SDL_GetWindowID(SdlWindowOf(owner.window));
              key.key.keysym.sym = SDLK_n;
              SDL_PushEvent(&key);
          },
          [](HWND) {}, Key(SDLK_RETURN)});
    boxOpen = false;
    EXPECT_TRUE(HeardDuringBox(OwnMessage));  // posted, and dispatched by the box's loop
    EXPECT_TRUE(HeardDuringBox(WM_ACTIVATE));
    EXPECT_FALSE(HeardDuringBox(WM_SYSCOMMAND));
    EXPECT_FALSE(HeardDuringBox(WM_KEYDOWN));
    EXPECT_FALSE(owner.window->disabled);  // enabled again
    // Afterwards its keys reach it again.
    PushWindowEvent(owner.window, SDL_WINDOWEVENT_CLOSE);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_FALSE(IsLiveWindow(owner.window));  // DefWindowProcA closed it
    owner.window = nullptr;
}

TEST_F(RealBoxes, ABoxOverTheNameDialogTakesItsInputUntilAnswered) {
    HighScoreName.Adopt(DuplicateString("Ann"));
    IdleSteps = {Key(SDLK_ESCAPE),                           // in the dialog: Cancel asks first
             [](HWND) { PushText("x"); },                // to the question, not the field
             Key(SDLK_TAB), Key(SDLK_RETURN),            // No: the dialog stays
             Key(SDLK_RETURN)};                          // OK in the dialog
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102), owner.window,
                                     NameDialogProc, 0);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(NameEntryBuffer, "Ann");
    EXPECT_TRUE(IdleSteps.empty());
    HighScoreName.Adopt(DuplicateString(""));
}

TEST(BoxesWithoutADisplay, FailAtOnceAndStillSayWhy) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "video already started in this process";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    SetMessageBoxHandler(nullptr);
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    int answer = MessageBoxA(nullptr, "Initialization Failed.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    auto waited = std::chrono::steady_clock::now() - start;
    std::string said = testing::internal::GetCapturedStderr();
    SetMessageBoxHandler(MessageBoxScript::Answer);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_EQ(answer, 0);
    EXPECT_LT(waited, std::chrono::seconds(5));  // it did not wait for a player
    EXPECT_EQ(said, "ERROR: Initialization Failed.\n");
}

namespace {

// The game in a window of its own, as its entry starts it.
struct GameAfterBoxes : testing::Test {
    ScratchFolder folder;
    DrivenClock time;
    void SetUp() override {
        WriteTestAtlas("Data/DiceTexture.bmp");
        ResetLoopState();
        std::memset(KeyStates, 0, sizeof KeyStates);
        IdleSteps.clear();
        SetMessageBoxHandler(nullptr);
        SetDialogIdleHandler(RunNextIdleStep);
        FillFaceCycleTable();
        NewGame();
        HighScore = 0;
        HighScoreName.Adopt(DuplicateString(""));
        ASSERT_TRUE(CreateGameWindow("Kubrask test", 160, 120, 16));
    }
    void TearDown() override {
        SetDialogIdleHandler(nullptr);
        SetMessageBoxHandler(MessageBoxScript::Answer);
        DestroyGameWindow();
    }
    std::vector<uint8_t> Picture() {
        std::vector<uint8_t> pixels(160 * 120 * 3);
        glReadPixels(0, 0, 160, 120, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    // A new game's first frames, after whatever box came before: drawn in
    // the game's own context, and moving.
    void ExpectFramesDrawn(const char* after) {
        SCOPED_TRACE(after);
        KeyStates['N'] = 1;
        ASSERT_EQ(RunOnePass(time, 50), 0);
        KeyStates['N'] = 0;
        EXPECT_EQ(SDL_GL_GetCurrentWindow(), SdlWindowOf(GameWindow));
        std::vector<uint8_t> first = Picture();
        ASSERT_EQ(RunOnePass(time, 250), 0);
        EXPECT_NE(Picture(), first);  // the walker spins
        EXPECT_NE(std::count(first.begin(), first.end(), 0), static_cast<std::ptrdiff_t>(first.size()));
    }
};

}  // namespace

TEST_F(GameAfterBoxes, EveryBoxAndTheDialogLeaveTheGameDrawing) {
    ASSERT_EQ(RunOnePass(time, 50), 0);
    IdleSteps = {Key(SDLK_RETURN)};
    KeyStates['A'] = 1;  // the about box
    ASSERT_EQ(RunOnePass(time, 50), 0);
    KeyStates['A'] = 0;
    EXPECT_TRUE(IdleSteps.empty());
    ExpectFramesDrawn("the about box");

    IdleSteps = {Key(SDLK_RETURN)};
    KeyStates['D'] = 1;  // "A Test"
    ASSERT_EQ(RunOnePass(time, 50), 0);
    EXPECT_TRUE(IdleSteps.empty());
    ExpectFramesDrawn("A Test");

    // Game over with a best score: the box, then the dialog with a name.
    GameBoard.ScoreTotal = 5;
    IdleSteps = {Key(SDLK_RETURN), Key(SDLK_TAB), Key(SDLK_TAB), [](HWND) { PushText("Kim"); }, Key(SDLK_RETURN)};
    FinishGame();
    EXPECT_TRUE(IdleSteps.empty());
    EXPECT_EQ(HighScore, 5);
    EXPECT_STREQ(HighScoreName.text, "Kim");
    ExpectFramesDrawn("the game-over box and the name dialog");
}
