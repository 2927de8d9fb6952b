// Boxes and the dialog, their common part: the modal windows of the layer,
// the name dialog and the message boxes. Each is a window of classic grey
// controls (buttons, an edit field, texts, an icon), drawn with SDL's
// software renderer and SDL_ttf, and run by one modal loop. While one is
// open its owner is disabled (no keys, no close box), but every window of the
// layer keeps receiving its other messages, as under Windows' modal loops;
// and when it closes, the caller's OpenGL context is current again, as
// Windows leaves it. See README.md beside this file.
#pragma once

#include <SDL_ttf.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sdl/layer.h"

// Windows' edit fields take far more, but the game reads at most 299
// characters of a name, so the field holds no more than that.
constexpr size_t EditLimit = 299;

enum class ControlKind { DefaultButton, Button, Edit, Label, Icon };
enum class IconKind { None, Exclamation, Information };

struct ModalControl {
    int id;
    ControlKind kind;
    bool tabStop;
    std::string text;  // Windows-1252
    SDL_Rect place;    // pixels of the client area
    IconKind icon;
    std::unique_ptr<HWND__> handle;  // names the control (GetDlgItem, WM_COMMAND); no window
};

struct ModalWindow {
    HWND window = nullptr;
    HWND owner = nullptr;
    DLGPROC procedure = nullptr;
    SDL_Renderer* renderer = nullptr;
    TTF_Font* font = nullptr;
    int baseX = 0, baseY = 0;  // the font's base units: average width and height
    int width = 0, height = 0;
    std::vector<ModalControl> controls;  // in tab order
    int focus = -1;    // index into controls; -1 while none has it
    int pressed = -1;  // the button the mouse holds down
    size_t caret = 0;  // position in the edit field's text
    int scroll = 0;    // pixels of the edit field's text scrolled out at the left
    bool ended = false;
    INT_PTR result = 0;
    bool dirty = true;
};

// Opens the font the controls are drawn with and sets the base units;
// false without a display or the font.
bool OpenModalFont(ModalWindow& modal);
int ModalTextWidth(const ModalWindow& modal, std::string_view text);
int ModalLineHeight(const ModalWindow& modal);
SDL_Rect DialogUnitsToPixels(const ModalWindow& modal, int x, int y, int width, int height);
void AddControl(ModalWindow& modal, int id, ControlKind kind, std::string_view text,
                const SDL_Rect& place, IconKind icon = IconKind::None);

// Makes the (hidden) window, its client area `width` x `height` at x, y of
// the screen. False when it cannot be had.
bool CreateModalWindow(ModalWindow& modal, const char* caption, int x, int y);
// Sends WM_INITDIALOG, shows the window, runs it until it ends and then
// destroys it. The dialog's result, or -1 when it did not end itself.
INT_PTR RunModal(ModalWindow& modal, LPARAM initParam);
// Lets go of what OpenModalFont and CreateModalWindow made, for a window
// that never ran.
void ReleaseModal(ModalWindow& modal);

ModalWindow* FindModal(HWND window);
ModalControl* FindModalControl(ModalWindow& modal, int id);
