// The name dialog on Linux: built from the one template the Windows resource
// uses, laid out through its font's base units, and driven by keys, clicks
// and the close box as a player would drive it.
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>

#include "name_dialog.h"
#include "platform/sdl/layer.h"
#include "support.h"

namespace {

// What the dialog procedure saw.
struct Seen {
    HWND dialog = nullptr;
    bool liveAtStart = false;
    WPARAM firstTabStop = 0;
    LPARAM param = 0;
    std::string name;
    UINT fullCount = 0;  // read into room for more than the field holds
    UINT shortCount = 0;
    std::string shortName;
    struct Command {
        WORD id, code;
        LPARAM control;
        HWND item;  // GetDlgItem for the id
    };
    std::vector<Command> commands;
};
Seen seen;

// Behaves as the game's: offers "Ann", takes the name on OK, and asks
// before giving up on Cancel.
INT_PTR CALLBACK NameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            seen.dialog = dialog;
            seen.liveAtStart = IsLiveWindow(dialog);
            seen.firstTabStop = wParam;
            seen.param = lParam;
            SetDlgItemTextA(dialog, 1000, "Ann");
            return TRUE;
        case WM_COMMAND:
            seen.commands.push_back(
                {LOWORD(wParam), HIWORD(wParam), lParam, GetDlgItem(dialog, LOWORD(wParam))});
            if (LOWORD(wParam) == IDOK) {
                char buffer[300];
                GetDlgItemTextA(dialog, 1000, buffer, sizeof buffer);
                seen.name = buffer;
                char roomy[400];
                seen.fullCount = GetDlgItemTextA(dialog, 1000, roomy, sizeof roomy);
                char small[3];
                seen.shortCount = GetDlgItemTextA(dialog, 1000, small, sizeof small);
                seen.shortName = small;
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                if (MessageBoxA(dialog, "Sure you don't want to enter a name?", "Kubrask",
                                MB_YESNO) == IDYES)
                    EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// Windows' MulDiv, rounded to nearest, for dialog units.
int Pixels(int units, int baseUnit, int per) { return (2 * units * baseUnit + per) / (2 * per); }

RECT InPixels(const DialogDrawing& d, int x, int y, int width, int height) {
    int left = Pixels(x, d.baseUnitX, 4), top = Pixels(y, d.baseUnitY, 8);
    return RECT{left, top, left + Pixels(width, d.baseUnitX, 4),
                top + Pixels(height, d.baseUnitY, 8)};
}

void ExpectRect(const RECT& actual, const RECT& expected, const char* what) {
    EXPECT_EQ(actual.left, expected.left) << what;
    EXPECT_EQ(actual.top, expected.top) << what;
    EXPECT_EQ(actual.right, expected.right) << what;
    EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

DWORD PixelAt(const DialogDrawing& d, int x, int y) {
    return d.pixels[static_cast<size_t>(y) * d.width + x];
}

int DarkPixelsIn(const DialogDrawing& d, const RECT& r) {
    int dark = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if ((PixelAt(d, x, y) & 0xFF) < 0x60) ++dark;
    return dark;
}

struct DialogRun : testing::Test {
    TestWindow owner{"DialogOwner", DefWindowProcA};
    void SetUp() override {
        ASSERT_NE(owner.window, nullptr);
        seen = Seen{};
        IdleSteps.clear();
        MessageBoxScript::Reset();
        SetDialogIdleHandler(RunNextIdleStep);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        SetDialogIdleHandler(nullptr);
        MessageBoxScript::Reset();
    }
    INT_PTR Run(int id = NAME_DIALOG_ID) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner.window,
                               NameProc, 42);
    }
};

}  // namespace

// First, while nothing has started SDL's video in this process.
TEST(DialogWithoutDisplay, FailsAtOnce) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "video already started in this process";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    auto start = std::chrono::steady_clock::now();
    INT_PTR result =
        DialogBoxParamA(nullptr, MAKEINTRESOURCEA(NAME_DIALOG_ID), nullptr, NameProc, 0);
    auto waited = std::chrono::steady_clock::now() - start;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(seen.dialog, nullptr);  // the procedure never ran
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST(DialogTemplate, OneDefinitionServesBothPlatforms) {
    EXPECT_EQ(NAME_DIALOG_ID, 102);
    EXPECT_EQ(NAME_DIALOG_WIDTH, 118);
    EXPECT_EQ(NAME_DIALOG_HEIGHT, 44);
    EXPECT_STREQ(NAME_DIALOG_CAPTION, "New High Score!");
    EXPECT_EQ(NAME_DIALOG_FONT_SIZE, 8);
    int ok[] = {NAME_DIALOG_OK_ID, NAME_DIALOG_OK_X, NAME_DIALOG_OK_Y, NAME_DIALOG_OK_WIDTH,
                NAME_DIALOG_OK_HEIGHT};
    int cancel[] = {NAME_DIALOG_CANCEL_ID, NAME_DIALOG_CANCEL_X, NAME_DIALOG_CANCEL_Y,
                    NAME_DIALOG_CANCEL_WIDTH, NAME_DIALOG_CANCEL_HEIGHT};
    int edit[] = {NAME_DIALOG_EDIT_ID, NAME_DIALOG_EDIT_X, NAME_DIALOG_EDIT_Y,
                  NAME_DIALOG_EDIT_WIDTH, NAME_DIALOG_EDIT_HEIGHT};
    int label[] = {NAME_DIALOG_LABEL_X, NAME_DIALOG_LABEL_Y, NAME_DIALOG_LABEL_WIDTH,
                   NAME_DIALOG_LABEL_HEIGHT};
    EXPECT_EQ(std::vector<int>(std::begin(ok), std::end(ok)),
              (std::vector<int>{IDOK, 61, 23, 50, 14}));
    EXPECT_EQ(std::vector<int>(std::begin(cancel), std::end(cancel)),
              (std::vector<int>{IDCANCEL, 7, 23, 50, 14}));
    EXPECT_EQ(std::vector<int>(std::begin(edit), std::end(edit)),
              (std::vector<int>{1000, 72, 7, 39, 14}));
    EXPECT_EQ(std::vector<int>(std::begin(label), std::end(label)),
              (std::vector<int>{7, 7, 60, 9}));
    EXPECT_STREQ(NAME_DIALOG_OK_TEXT, "OK");
    EXPECT_STREQ(NAME_DIALOG_CANCEL_TEXT, "Cancel");
    EXPECT_STREQ(NAME_DIALOG_LABEL_TEXT, "Enter your name:");

    // The Windows resource takes every number and text from the same header.
    std::ifstream file(KUBRASK_SOURCE_DIR "/resources/kubrask.rc");
    std::stringstream rc;
    rc << file.rdbuf();
    std::string script = rc.str();
    EXPECT_NE(script.find("#include \"name_dialog.h\""), std::string::npos);
    std::string block = script.substr(script.find("DIALOG"));
    EXPECT_EQ(block.find("New High Score!"), std::string::npos);
    EXPECT_EQ(block.find("118"), std::string::npos);
    EXPECT_EQ(block.find("\"OK\""), std::string::npos);
}

TEST_F(DialogRun, EnterAtOnceTakesTheOfferedNameFromOk) {
    int windowsBefore = LiveWindowCount();
    PressKey(SDLK_RETURN);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Ann");
    EXPECT_EQ(seen.shortCount, 2u);  // at most the buffer's size less one, then the terminator
    EXPECT_EQ(seen.shortName, "An");
    EXPECT_TRUE(seen.liveAtStart);
    EXPECT_EQ(seen.param, 42);
    ASSERT_EQ(seen.commands.size(), 1u);
    EXPECT_EQ(seen.commands[0].id, IDOK);
    EXPECT_EQ(seen.commands[0].code, BN_CLICKED);
    EXPECT_NE(seen.firstTabStop, 0u);
    EXPECT_EQ(seen.commands[0].control,
              static_cast<LPARAM>(seen.firstTabStop));  // OK is the first tab stop
    EXPECT_EQ(seen.commands[0].item, reinterpret_cast<HWND>(seen.firstTabStop));
    EXPECT_FALSE(IsLiveWindow(seen.dialog));
    EXPECT_EQ(LiveWindowCount(), windowsBefore);
    DialogDrawing drawing;
    ASSERT_TRUE(LastDialogDrawing(&drawing));
    EXPECT_EQ(drawing.caretX, -1);  // the focus was on OK, not in the field
}

TEST_F(DialogRun, TypingGoesInAtTheCaretAsWindows1252) {
    PressKey(SDLK_TAB);  // Cancel
    PressKey(SDLK_TAB);  // the name
    PressKey(SDLK_END);
    PushText(
        "\xC3\xA9\xE2\x82\xAC"
        "x\xE6\x97\xA5");  // é € x 日
    PressKey(SDLK_RETURN);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Ann\xE9\x80x");  // 日 has no place in Windows-1252
}

TEST_F(DialogRun, EditingKeysWorkAtTheCaret) {
    PressKey(SDLK_TAB, KMOD_LSHIFT);  // backwards from OK round to the name
    PressKey(SDLK_END);
    PressKey(SDLK_BACKSPACE);  // An|
    PressKey(SDLK_HOME);
    PressKey(SDLK_DELETE);  // |n
    PressKey(SDLK_RIGHT);
    PushText("o");  // no|
    PressKey(SDLK_LEFT);
    PressKey(SDLK_LEFT);
    PressKey(SDLK_LEFT);  // already at the start
    PushText("J");           // J|no
    PressKey(SDLK_HOME);
    PressKey(SDLK_BACKSPACE);  // nothing before the caret
    PressKey(SDLK_RETURN);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Jno");
}

TEST_F(DialogRun, EscapeAsksFirstAndNoKeepsTheDialog) {
    MessageBoxScript::answers = {IDNO};
    PressKey(SDLK_ESCAPE);
    PressKey(SDLK_RETURN);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Ann");
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    const ShownBox& box = MessageBoxScript::shown[0];
    EXPECT_EQ(box.owner, seen.dialog);
    EXPECT_EQ(box.text, "Sure you don't want to enter a name?");
    EXPECT_EQ(box.caption, "Kubrask");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO));
}

TEST_F(DialogRun, EscapeAnsweredYesGivesUp) {
    MessageBoxScript::answers = {IDYES};
    PressKey(SDLK_ESCAPE);
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(seen.name, "");
}

TEST_F(DialogRun, SpaceOnCancelAndTheCloseBoxAreCancel) {
    MessageBoxScript::answers = {IDNO, IDYES};
    PressKey(SDLK_TAB);
    PressKey(SDLK_SPACE);
    IdleSteps.push_back([](HWND dialog) { PushWindowEvent(dialog, SDL_WINDOWEVENT_CLOSE); });
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(MessageBoxScript::shown.size(), 2u);
    ASSERT_EQ(seen.commands.size(), 2u);
    for (const Seen::Command& command : seen.commands) {
        EXPECT_EQ(command.id, IDCANCEL);
        EXPECT_NE(command.item, nullptr);
        EXPECT_EQ(command.control, reinterpret_cast<LPARAM>(command.item));
    }
}

TEST_F(DialogRun, ClicksFocusTheFieldAndPressButtons) {
    MessageBoxScript::answers = {IDNO};
    IdleSteps.push_back([](HWND dialog) {
        DialogDrawing drawing;
        ASSERT_TRUE(LastDialogDrawing(&drawing));
        // Just inside the field's right edge: after the text, so the caret goes to the end.
        PushClick(dialog, drawing.edit.right - 4, (drawing.edit.top + drawing.edit.bottom) / 2);
        PushText("e");
        // Cancel, answered No; then OK.
        PushClick(dialog, (drawing.cancel.left + drawing.cancel.right) / 2,
                  (drawing.cancel.top + drawing.cancel.bottom) / 2);
        PushClick(dialog, (drawing.ok.left + drawing.ok.right) / 2,
                  (drawing.ok.top + drawing.ok.bottom) / 2);
    });
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Anne");
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
}

TEST_F(DialogRun, TheFieldHoldsAtMost299CharactersAndKeepsTheCaretInSight) {
    PressKey(SDLK_TAB);
    PressKey(SDLK_TAB);
    PressKey(SDLK_END);
    std::string typed;
    for (int i = 0; i < 31; ++i) {
        std::string chunk = "abcdefghi" + std::to_string(i % 10);
        PushText(chunk);
        typed += chunk;
    }
    ASSERT_EQ(typed.size(), 310u);
    // Before ending, look at where the caret was drawn.
    DialogDrawing drawing{};
    IdleSteps.push_back([&drawing](HWND dialog) {
        LastDialogDrawing(&drawing);
        PressKey(SDLK_RETURN);
        (void)dialog;
    });
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(seen.name, "Ann" + typed.substr(0, 296));
    EXPECT_EQ(seen.fullCount, 299u);
    EXPECT_GT(drawing.caretX, drawing.edit.left);
    EXPECT_LT(drawing.caretX, drawing.edit.right);
}

TEST_F(DialogRun, LaidOutInDialogUnitsThroughTheFontsBaseUnits) {
    SDL_SetWindowPosition(SdlWindowOf(owner.window), 40, 30);
    int x = -1, y = -1, width = 0, height = 0;
    std::string title;
    char caption[64] = "";
    IdleSteps.push_back([&](HWND dialog) {
        SDL_GetWindowPosition(SdlWindowOf(dialog), &x, &y);
        SDL_GetWindowSize(SdlWindowOf(dialog), &width, &height);
        title = SDL_GetWindowTitle(SdlWindowOf(dialog));
        GetWindowTextA(dialog, caption, sizeof caption);
        PressKey(SDLK_RETURN);
    });
    EXPECT_EQ(Run(), 1);
    DialogDrawing d;
    ASSERT_TRUE(LastDialogDrawing(&d));

    // The base units of DejaVu Sans at 8 points and 96 dots per inch: the
    // alphabet's average width rounded to nearest, and the font's height.
    ASSERT_EQ(TTF_Init(), 0);
    TTF_Font* font = TTF_OpenFontDPI("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 8, 96, 96);
    ASSERT_NE(font, nullptr);
    int alphabet = 0, fontHeight = 0;
    TTF_SizeUTF8(font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &alphabet,
                 &fontHeight);
    EXPECT_EQ(d.baseUnitX, static_cast<int>(alphabet / 52.0 + 0.5));
    EXPECT_EQ(d.baseUnitY, TTF_FontHeight(font));
    TTF_CloseFont(font);
    TTF_Quit();
    EXPECT_GE(d.baseUnitX, 5);  // a small font, as Windows' is
    EXPECT_LE(d.baseUnitX, 8);
    EXPECT_GE(d.baseUnitY, 11);
    EXPECT_LE(d.baseUnitY, 15);
    ExpectRect(d.client, InPixels(d, 0, 0, 118, 44), "client area");
    ExpectRect(d.ok, InPixels(d, 61, 23, 50, 14), "OK");
    ExpectRect(d.cancel, InPixels(d, 7, 23, 50, 14), "Cancel");
    ExpectRect(d.edit, InPixels(d, 72, 7, 39, 14), "name");
    ExpectRect(d.label, InPixels(d, 7, 7, 60, 9), "label");
    EXPECT_EQ(width, d.client.right);
    EXPECT_EQ(height, d.client.bottom);
    EXPECT_EQ(x, 40);  // at the owner's client origin
    EXPECT_EQ(y, 30);
    EXPECT_EQ(title, "New High Score!");
    EXPECT_STREQ(caption, "New High Score!");

    // What was drawn: a grey face, a white field, OK framed black as the
    // default button, Cancel lit from the top left, and text in the label
    // and on both buttons.
    ASSERT_EQ(d.pixels.size(), static_cast<size_t>(d.width) * d.height);
    EXPECT_EQ(PixelAt(d, 1, d.height - 2), 0xC0C0C0u);
    EXPECT_EQ(PixelAt(d, d.edit.right - 4, (d.edit.top + d.edit.bottom) / 2), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(d, d.ok.left, (d.ok.top + d.ok.bottom) / 2), 0x000000u);
    EXPECT_EQ(PixelAt(d, d.cancel.left, (d.cancel.top + d.cancel.bottom) / 2), 0xFFFFFFu);
    EXPECT_GT(DarkPixelsIn(d, d.label), 20);
    RECT cancelFace{d.cancel.left + 4, d.cancel.top + 4, d.cancel.right - 4, d.cancel.bottom - 4};
    EXPECT_GT(DarkPixelsIn(d, cancelFace), 10);

    // For a look by eye: KUBRASK_DIALOG_PICTURE=file.bmp
    if (const char* file = std::getenv("KUBRASK_DIALOG_PICTURE")) {
        SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
            d.pixels.data(), d.width, d.height, 32, d.width * 4, SDL_PIXELFORMAT_RGB888);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(SDL_SaveBMP(picture, file), 0);
        SDL_FreeSurface(picture);
    }
}

TEST_F(DialogRun, OnlyTheNameDialogExists) {
    EXPECT_EQ(Run(103), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "NAME", owner.window, NameProc, 0), -1);
    EXPECT_EQ(seen.dialog, nullptr);
    EXPECT_FALSE(EndDialog(owner.window, 1));  // not a dialog
}
