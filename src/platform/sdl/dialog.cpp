// Modal dialogs, of which the game has one: the box that asks a new best
// player for a name. It is built from the same definition as the Windows
// resource (resources/name_dialog.h), laid out in dialog units through the
// base units of its font as Windows does, and drawn in the classic grey
// with SDL's software renderer and SDL_ttf. The dialog is a window of the
// layer; its controls have handles of their own but are not windows.
#include <SDL_ttf.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "name_dialog.h"
#include "platform/sdl/layer.h"
#include "platform/sdl/test_seams.h"

namespace {

const char* const FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const unsigned ScreenDpi = 96;  // Windows' standard: 8 points are 11 pixels
// Windows' edit fields take far more, but the game reads at most 299
// characters of a name, so the field holds no more than that.
const size_t EditLimit = 299;
const int EditBorder = 2;  // the sunken edge
const int EditMargin = 1;  // between the edge and the text

enum class Kind { DefaultButton, Button, Edit, Label };

struct ControlTemplate {
    int id;
    Kind kind;
    const char* text;
    int x, y, width, height;  // dialog units
    bool tabStop;
};

// In tab order.
const ControlTemplate NameDialogControls[] = {
    {NAME_DIALOG_OK_ID, Kind::DefaultButton, NAME_DIALOG_OK_TEXT, NAME_DIALOG_OK_X,
     NAME_DIALOG_OK_Y, NAME_DIALOG_OK_WIDTH, NAME_DIALOG_OK_HEIGHT, true},
    {NAME_DIALOG_CANCEL_ID, Kind::Button, NAME_DIALOG_CANCEL_TEXT, NAME_DIALOG_CANCEL_X,
     NAME_DIALOG_CANCEL_Y, NAME_DIALOG_CANCEL_WIDTH, NAME_DIALOG_CANCEL_HEIGHT, true},
    {NAME_DIALOG_EDIT_ID, Kind::Edit, "", NAME_DIALOG_EDIT_X, NAME_DIALOG_EDIT_Y,
     NAME_DIALOG_EDIT_WIDTH, NAME_DIALOG_EDIT_HEIGHT, true},
    {NAME_DIALOG_LABEL_ID, Kind::Label, NAME_DIALOG_LABEL_TEXT, NAME_DIALOG_LABEL_X,
     NAME_DIALOG_LABEL_Y, NAME_DIALOG_LABEL_WIDTH, NAME_DIALOG_LABEL_HEIGHT, false},
};

struct Control {
    int id;
    Kind kind;
    bool tabStop;
    std::string text;  // Windows-1252
    SDL_Rect place;    // pixels of the client area
    std::unique_ptr<HWND__> handle;
};

struct Dialog {
    HWND window = nullptr;
    DLGPROC procedure = nullptr;
    SDL_Renderer* renderer = nullptr;
    TTF_Font* font = nullptr;
    int baseX = 0, baseY = 0;
    int width = 0, height = 0;
    std::vector<Control> controls;
    int focus = -1;    // index into controls; -1 while none has it
    int pressed = -1;  // the button the mouse holds down
    size_t caret = 0;  // position in the edit field's text
    int scroll = 0;    // pixels of the edit field's text scrolled out at the left
    bool ended = false;
    INT_PTR result = 0;
    bool dirty = true;
};

std::vector<Dialog*> OpenDialogs;  // the innermost last
DialogDrawing LastDrawing;
bool HaveDrawing = false;
DialogIdleHandler IdleHandler = nullptr;

const SDL_Color Black{0, 0, 0, 255};
const SDL_Color Shadow{128, 128, 128, 255};
const SDL_Color Face{192, 192, 192, 255};
const SDL_Color Highlight{255, 255, 255, 255};

Dialog* FindDialog(HWND window) {
    for (Dialog* dialog : OpenDialogs)
        if (dialog->window == window) return dialog;
    return nullptr;
}

Control* FindControl(Dialog& dialog, int id) {
    for (Control& control : dialog.controls)
        if (control.id == id) return &control;
    return nullptr;
}

Control* EditField(Dialog& dialog) {
    for (Control& control : dialog.controls)
        if (control.kind == Kind::Edit) return &control;
    return nullptr;
}

// Windows' MulDiv for the non-negative numbers of a layout: rounded to nearest.
int MulDivRounded(int number, int numerator, int denominator) {
    return (2 * number * numerator + denominator) / (2 * denominator);
}

int TextWidth(TTF_Font* font, std::string_view text) {
    int width = 0, height = 0;
    if (text.empty() || TTF_SizeUTF8(font, Cp1252ToUtf8(text).c_str(), &width, &height) != 0)
        return 0;
    return width;
}

SDL_Rect InPixels(const Dialog& dialog, int x, int y, int width, int height) {
    return SDL_Rect{MulDivRounded(x, dialog.baseX, 4), MulDivRounded(y, dialog.baseY, 8),
                    MulDivRounded(width, dialog.baseX, 4), MulDivRounded(height, dialog.baseY, 8)};
}

RECT ToRect(const SDL_Rect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

// The edit field's text area, inside its edge and margin.
SDL_Rect TextArea(const Control& edit) {
    int inset = EditBorder + EditMargin;
    return SDL_Rect{edit.place.x + inset, edit.place.y + EditBorder, edit.place.w - 2 * inset,
                    edit.place.h - 2 * EditBorder};
}

// Scrolls the edit field so the caret stays in sight, without empty room
// after the text's end.
void KeepCaretVisible(Dialog& dialog) {
    Control* edit = EditField(dialog);
    if (edit == nullptr) return;
    int visible = TextArea(*edit).w - 1;  // the caret's own pixel too
    int caretAt = TextWidth(dialog.font, std::string_view(edit->text).substr(0, dialog.caret));
    int whole = TextWidth(dialog.font, edit->text);
    if (caretAt - dialog.scroll > visible) dialog.scroll = caretAt - visible;
    if (caretAt < dialog.scroll) dialog.scroll = caretAt;
    dialog.scroll = std::max(0, std::min(dialog.scroll, whole - visible));
}

// --- Drawing -------------------------------------------------------------

void SetColor(SDL_Renderer* renderer, SDL_Color color) {
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
}

void Fill(SDL_Renderer* renderer, const SDL_Rect& rect, SDL_Color color) {
    SetColor(renderer, color);
    SDL_RenderFillRect(renderer, &rect);
}

// A one-pixel frame, lit from the top left.
void Edge(SDL_Renderer* renderer, const SDL_Rect& r, SDL_Color topLeft, SDL_Color bottomRight) {
    int right = r.x + r.w - 1, bottom = r.y + r.h - 1;
    SetColor(renderer, topLeft);
    SDL_RenderDrawLine(renderer, r.x, r.y, right - 1, r.y);
    SDL_RenderDrawLine(renderer, r.x, r.y, r.x, bottom - 1);
    SetColor(renderer, bottomRight);
    SDL_RenderDrawLine(renderer, r.x, bottom, right, bottom);
    SDL_RenderDrawLine(renderer, right, r.y, right, bottom);
}

SDL_Rect Inset(const SDL_Rect& r, int by) {
    return SDL_Rect{r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by};
}

// The dotted rectangle of the focus.
void FocusRectangle(SDL_Renderer* renderer, const SDL_Rect& r) {
    std::vector<SDL_Point> dots;
    int right = r.x + r.w - 1, bottom = r.y + r.h - 1;
    for (int x = r.x; x <= right; x += 2) {
        dots.push_back({x, r.y});
        dots.push_back({x, bottom});
    }
    for (int y = r.y; y <= bottom; y += 2) {
        dots.push_back({r.x, y});
        dots.push_back({right, y});
    }
    SetColor(renderer, Black);
    SDL_RenderDrawPoints(renderer, dots.data(), static_cast<int>(dots.size()));
}

// Draws text with its top left at x, y; returns its width.
int DrawText(const Dialog& dialog, std::string_view text, int x, int y) {
    if (text.empty()) return 0;
    SDL_Surface* surface = TTF_RenderUTF8_Blended(dialog.font, Cp1252ToUtf8(text).c_str(), Black);
    if (surface == nullptr) return 0;
    int width = surface->w;
    if (SDL_Texture* texture = SDL_CreateTextureFromSurface(dialog.renderer, surface)) {
        SDL_Rect to{x, y, surface->w, surface->h};
        SDL_RenderCopy(dialog.renderer, texture, nullptr, &to);
        SDL_DestroyTexture(texture);
    }
    SDL_FreeSurface(surface);
    return width;
}

void DrawButton(const Dialog& dialog, const Control& button, bool focused, bool pressed) {
    SDL_Renderer* renderer = dialog.renderer;
    SDL_Rect face = button.place;
    Fill(renderer, face, Face);
    if (button.kind == Kind::DefaultButton) {
        Edge(renderer, face, Black, Black);
        face = Inset(face, 1);
    }
    if (pressed) {
        Edge(renderer, face, Black, Black);
        Edge(renderer, Inset(face, 1), Shadow, Shadow);
    } else {
        Edge(renderer, face, Highlight, Black);
        Edge(renderer, Inset(face, 1), Face, Shadow);
    }
    int shift = pressed ? 1 : 0;
    int textWidth = TextWidth(dialog.font, button.text);
    int fontHeight = TTF_FontHeight(dialog.font);
    DrawText(dialog, button.text, face.x + (face.w - textWidth) / 2 + shift,
             face.y + (face.h - fontHeight) / 2 + shift);
    if (focused) FocusRectangle(renderer, Inset(face, 3));
}

// Returns where the caret was drawn, -1 when it was not.
int DrawEdit(const Dialog& dialog, const Control& edit, bool focused) {
    SDL_Renderer* renderer = dialog.renderer;
    Fill(renderer, edit.place, Highlight);
    Edge(renderer, edit.place, Shadow, Highlight);
    Edge(renderer, Inset(edit.place, 1), Black, Face);
    SDL_Rect area = TextArea(edit);
    int fontHeight = TTF_FontHeight(dialog.font);
    int textTop = area.y + (area.h - fontHeight) / 2;
    SDL_RenderSetClipRect(renderer, &area);
    DrawText(dialog, edit.text, area.x - dialog.scroll, textTop);
    int caretX = -1;
    if (focused) {
        caretX = area.x - dialog.scroll +
                 TextWidth(dialog.font, std::string_view(edit.text).substr(0, dialog.caret));
        SetColor(renderer, Black);
        SDL_RenderDrawLine(renderer, caretX, textTop, caretX, textTop + fontHeight - 1);
    }
    SDL_RenderSetClipRect(renderer, nullptr);
    return caretX;
}

void Draw(Dialog& dialog) {
    SDL_Renderer* renderer = dialog.renderer;
    Fill(renderer, SDL_Rect{0, 0, dialog.width, dialog.height}, Face);
    DialogDrawing drawing{};
    drawing.baseUnitX = dialog.baseX;
    drawing.baseUnitY = dialog.baseY;
    drawing.client = RECT{0, 0, dialog.width, dialog.height};
    drawing.caretX = -1;
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
        const Control& control = dialog.controls[i];
        bool focused = dialog.focus == static_cast<int>(i);
        switch (control.kind) {
            case Kind::DefaultButton:
            case Kind::Button:
                DrawButton(dialog, control, focused, dialog.pressed == static_cast<int>(i));
                break;
            case Kind::Edit:
                drawing.caretX = DrawEdit(dialog, control, focused);
                break;
            case Kind::Label:
                SDL_RenderSetClipRect(renderer, &control.place);
                DrawText(dialog, control.text, control.place.x, control.place.y);
                SDL_RenderSetClipRect(renderer, nullptr);
                break;
        }
        RECT place = ToRect(control.place);
        if (control.id == NAME_DIALOG_OK_ID) drawing.ok = place;
        if (control.id == NAME_DIALOG_CANCEL_ID) drawing.cancel = place;
        if (control.id == NAME_DIALOG_EDIT_ID) drawing.edit = place;
        if (control.kind == Kind::Label) drawing.label = place;
    }
    drawing.width = dialog.width;
    drawing.height = dialog.height;
    drawing.pixels.resize(static_cast<size_t>(dialog.width) * dialog.height);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, drawing.pixels.data(),
                             dialog.width * 4) == 0) {
        for (DWORD& pixel : drawing.pixels) pixel &= 0xFFFFFF;
        LastDrawing = std::move(drawing);
        HaveDrawing = true;
    }
    SDL_RenderPresent(renderer);
    dialog.dirty = false;
}

// --- Input ---------------------------------------------------------------

void Command(Dialog& dialog, int id) {
    Control* control = FindControl(dialog, id);
    LPARAM handle = control != nullptr ? reinterpret_cast<LPARAM>(control->handle.get()) : 0;
    SendMessageA(dialog.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), handle);
    dialog.dirty = true;
}

void MoveFocus(Dialog& dialog, bool backwards) {
    int count = static_cast<int>(dialog.controls.size());
    int at = dialog.focus;
    if (at < 0) at = backwards ? 0 : count - 1;
    for (int step = 0; step < count; ++step) {
        at = (at + (backwards ? count - 1 : 1)) % count;
        if (dialog.controls[at].tabStop) break;
    }
    dialog.focus = at;
    dialog.dirty = true;
}

bool EditHasFocus(Dialog& dialog) {
    return dialog.focus >= 0 && dialog.controls[dialog.focus].kind == Kind::Edit;
}

void EditKey(Dialog& dialog, SDL_Keycode key) {
    std::string& text = EditField(dialog)->text;
    size_t& caret = dialog.caret;
    switch (key) {
        case SDLK_BACKSPACE:
            if (caret > 0) text.erase(--caret, 1);
            break;
        case SDLK_DELETE:
            if (caret < text.size()) text.erase(caret, 1);
            break;
        case SDLK_LEFT:
            if (caret > 0) --caret;
            break;
        case SDLK_RIGHT:
            if (caret < text.size()) ++caret;
            break;
        case SDLK_HOME:
            caret = 0;
            break;
        case SDLK_END:
            caret = text.size();
            break;
        default:
            return;
    }
    KeepCaretVisible(dialog);
    dialog.dirty = true;
}

void Type(Dialog& dialog, const char* utf8) {
    if (!EditHasFocus(dialog)) return;
    std::string& text = EditField(dialog)->text;
    for (char c : Utf8ToCp1252(utf8)) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || text.size() >= EditLimit) continue;
        text.insert(dialog.caret++, 1, c);
    }
    KeepCaretVisible(dialog);
    dialog.dirty = true;
}

void KeyDown(Dialog& dialog, const SDL_Keysym& key, bool repeat) {
    switch (key.sym) {
        case SDLK_TAB:
            MoveFocus(dialog, (key.mod & KMOD_SHIFT) != 0);
            return;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if (!repeat) Command(dialog, IDOK);  // OK is the default button
            return;
        case SDLK_ESCAPE:
            if (!repeat) Command(dialog, IDCANCEL);
            return;
        case SDLK_SPACE:
            if (!repeat && dialog.focus >= 0 && dialog.controls[dialog.focus].kind != Kind::Edit &&
                dialog.controls[dialog.focus].tabStop)
                Command(dialog, dialog.controls[dialog.focus].id);
            return;
        default:
            if (EditHasFocus(dialog)) EditKey(dialog, key.sym);
            return;
    }
}

int ControlAt(const Dialog& dialog, int x, int y) {
    SDL_Point point{x, y};
    for (size_t i = 0; i < dialog.controls.size(); ++i)
        if (dialog.controls[i].tabStop && SDL_PointInRect(&point, &dialog.controls[i].place))
            return static_cast<int>(i);
    return -1;
}

// The caret goes to the character boundary nearest the click.
void PlaceCaret(Dialog& dialog, int x) {
    Control* edit = EditField(dialog);
    int target = x - TextArea(*edit).x + dialog.scroll;
    size_t best = 0;
    int bestDistance = target < 0 ? -target : target;
    for (size_t i = 1; i <= edit->text.size(); ++i) {
        int distance = TextWidth(dialog.font, std::string_view(edit->text).substr(0, i)) - target;
        if (distance < 0) distance = -distance;
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    dialog.caret = best;
    KeepCaretVisible(dialog);
}

void MouseButton(Dialog& dialog, const SDL_MouseButtonEvent& event) {
    if (event.button != SDL_BUTTON_LEFT) return;
    int at = ControlAt(dialog, event.x, event.y);
    dialog.dirty = true;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        if (at < 0) return;
        dialog.focus = at;
        if (dialog.controls[at].kind == Kind::Edit)
            PlaceCaret(dialog, event.x);
        else
            dialog.pressed = at;
        return;
    }
    int pressed = dialog.pressed;
    dialog.pressed = -1;
    if (pressed >= 0 && pressed == at) Command(dialog, dialog.controls[at].id);
}

void HandleEvent(Dialog& dialog, const SDL_Event& event) {
    Uint32 ours = SDL_GetWindowID(dialog.window->sdl);
    switch (event.type) {
        case SDL_KEYDOWN:
            // Keys pushed before the dialog existed carry no window.
            if (event.key.windowID == 0 || event.key.windowID == ours)
                KeyDown(dialog, event.key.keysym, event.key.repeat != 0);
            break;
        case SDL_TEXTINPUT:
            if (event.text.windowID == 0 || event.text.windowID == ours)
                Type(dialog, event.text.text);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID == ours) MouseButton(dialog, event.button);
            break;
        case SDL_WINDOWEVENT:
            if (event.window.windowID != ours) break;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) Command(dialog, IDCANCEL);
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) dialog.dirty = true;
            break;
        default:
            break;  // the other windows get no input while the dialog runs
    }
}

// The dialog's window procedure hands every message to the dialog procedure.
LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = FindDialog(window);
    if (dialog == nullptr) return 0;
    LRESULT result = dialog->procedure(window, message, wParam, lParam);
    if (message == WM_DESTROY && dialog->renderer != nullptr) {
        SDL_DestroyRenderer(dialog->renderer);
        dialog->renderer = nullptr;
    }
    return result;
}

void BuildControls(Dialog& dialog) {
    for (const ControlTemplate& t : NameDialogControls) {
        // The handle only names the control (GetDlgItem, WM_COMMAND); it is
        // no window of the layer's list.
        dialog.controls.push_back({t.id, t.kind, t.tabStop, t.text,
                                   InPixels(dialog, t.x, t.y, t.width, t.height),
                                   std::make_unique<HWND__>()});
    }
}

// Opens the dialog's font and window; false when either cannot be had.
bool Open(Dialog& dialog, HWND owner) {
    dialog.font = TTF_OpenFontDPI(FontFile, NAME_DIALOG_FONT_SIZE, ScreenDpi, ScreenDpi);
    if (dialog.font == nullptr) return false;
    // Windows' base units: the average width of the alphabet, rounded, and
    // the font's height.
    int alphabet = TextWidth(dialog.font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    dialog.baseX = (alphabet / 26 + 1) / 2;
    dialog.baseY = TTF_FontHeight(dialog.font);
    SDL_Rect frame =
        InPixels(dialog, NAME_DIALOG_X, NAME_DIALOG_Y, NAME_DIALOG_WIDTH, NAME_DIALOG_HEIGHT);
    dialog.width = frame.w;
    dialog.height = frame.h;
    BuildControls(dialog);

    // Placed relative to the owner's client area, which is its SDL window.
    int x = frame.x, y = frame.y;
    if (IsLiveWindow(owner)) {
        int ownerX = 0, ownerY = 0;
        SDL_GetWindowPosition(owner->sdl, &ownerX, &ownerY);
        x += ownerX;
        y += ownerY;
    }
    SDL_Window* sdl = SDL_CreateWindow(Cp1252ToUtf8(NAME_DIALOG_CAPTION).c_str(), x, y,
                                       dialog.width, dialog.height, SDL_WINDOW_HIDDEN);
    if (sdl == nullptr) return false;
    dialog.renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
    if (dialog.renderer == nullptr) {
        SDL_DestroyWindow(sdl);
        return false;
    }
    if (IsLiveWindow(owner))
        SDL_SetWindowModalFor(sdl, owner->sdl);  // X11 only; harmless elsewhere
    dialog.window = AdoptSdlWindow(sdl, "#32770", DialogWindowProc, NAME_DIALOG_CAPTION);
    return true;
}

void RunModalLoop(Dialog& dialog) {
    while (!dialog.ended && IsLiveWindow(dialog.window)) {
        if (dialog.dirty && dialog.renderer != nullptr) Draw(dialog);
        SDL_Event event;
        if (!SDL_PollEvent(&event)) {
            if (IdleHandler != nullptr) IdleHandler(dialog.window);
            if (dialog.ended || !SDL_WaitEventTimeout(&event, 250)) continue;
        }
        HandleEvent(dialog, event);
    }
}

}  // namespace

bool LastDialogDrawing(DialogDrawing* drawing) {
    if (!HaveDrawing || drawing == nullptr) return false;
    *drawing = LastDrawing;
    return true;
}

void SetDialogIdleHandler(DialogIdleHandler handler) { IdleHandler = handler; }

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure,
                               LPARAM initParam) {
    if (!IS_INTRESOURCE(templateName) || LOWORD(templateName) != NAME_DIALOG_ID ||
        procedure == nullptr || !EnsureVideo() || TTF_Init() != 0)
        return -1;
    Dialog dialog;
    dialog.procedure = procedure;
    OpenDialogs.push_back(&dialog);
    INT_PTR result = -1;
    if (Open(dialog, owner)) {
        HWND previousFocus = SetFocus(dialog.window);
        bool typing = SDL_IsTextInputActive();
        SDL_StartTextInput();

        Control& first = dialog.controls.front();  // the first tab stop
        if (SendMessageA(dialog.window, WM_INITDIALOG, reinterpret_cast<WPARAM>(first.handle.get()),
                         initParam))
            dialog.focus = 0;
        if (!dialog.ended) {
            SDL_ShowWindow(dialog.window->sdl);
            SDL_RaiseWindow(dialog.window->sdl);
            RunModalLoop(dialog);
        }
        result = dialog.ended ? dialog.result : -1;

        if (!typing) SDL_StopTextInput();
        DestroyWindow(dialog.window);
        if (IsLiveWindow(previousFocus)) SetFocus(previousFocus);
    }
    if (dialog.renderer != nullptr)
        SDL_DestroyRenderer(dialog.renderer);  // a DestroyWindow that failed
    OpenDialogs.pop_back();
    if (dialog.font != nullptr) TTF_CloseFont(dialog.font);
    TTF_Quit();
    return result;
}

BOOL WINAPI EndDialog(HWND window, INT_PTR result) {
    Dialog* dialog = FindDialog(window);
    if (dialog == nullptr) return FALSE;
    dialog->ended = true;
    dialog->result = result;
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND window, int id) {
    Dialog* dialog = FindDialog(window);
    Control* control = dialog != nullptr ? FindControl(*dialog, id) : nullptr;
    return control != nullptr ? control->handle.get() : nullptr;
}

BOOL WINAPI SetDlgItemTextA(HWND window, int id, LPCSTR text) {
    Dialog* dialog = FindDialog(window);
    Control* control = dialog != nullptr ? FindControl(*dialog, id) : nullptr;
    if (control == nullptr) return FALSE;
    control->text = text != nullptr ? text : "";
    if (control->kind == Kind::Edit) {
        if (control->text.size() > EditLimit) control->text.resize(EditLimit);
        dialog->caret = 0;
        dialog->scroll = 0;
    }
    dialog->dirty = true;
    return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND window, int id, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    Dialog* dialog = FindDialog(window);
    Control* control = dialog != nullptr ? FindControl(*dialog, id) : nullptr;
    if (control == nullptr) return 0;
    size_t length = std::min(control->text.size(), static_cast<size_t>(maxCount - 1));
    control->text.copy(text, length);
    text[length] = '\0';
    return static_cast<UINT>(length);
}
