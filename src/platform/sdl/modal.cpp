// Boxes and the dialog, their common part: modal windows, their controls
// drawn in the classic grey, their keys, clicks and close box, and the one
// modal loop that runs them. See README.md beside this file.
#include "platform/sdl/modal.h"

#include <algorithm>

namespace {

const char* const FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int FontPoints = 8;       // Windows' "MS Sans Serif" 8 of dialogs and boxes
const unsigned ScreenDpi = 96;  // Windows' standard: 8 points are 11 pixels
const int EditBorder = 2;  // the sunken edge
const int EditMargin = 1;  // between the edge and the text

std::vector<ModalWindow*> OpenModals;  // the innermost last
#ifdef KUBRASK_TEST_HOOKS
DialogDrawing LastDrawing;
bool HaveDrawing = false;
DialogIdleHandler IdleHandler = nullptr;
#endif

const SDL_Color Black{0, 0, 0, 255};
const SDL_Color Shadow{128, 128, 128, 255};
const SDL_Color Face{192, 192, 192, 255};
const SDL_Color Highlight{255, 255, 255, 255};
const SDL_Color Warning{255, 255, 0, 255};
const SDL_Color Notice{0, 0, 255, 255};

bool IsButton(const ModalControl& control) {
    return control.kind == ControlKind::DefaultButton || control.kind == ControlKind::Button;
}

ModalControl* EditField(ModalWindow& modal) {
    for (ModalControl& control : modal.controls)
        if (control.kind == ControlKind::Edit) return &control;
    return nullptr;
}

// The button that Enter presses and that wears the default frame: the one
// with the focus, else the default button.
int DefaultIndex(const ModalWindow& modal) {
    if (modal.focus >= 0 && IsButton(modal.controls[modal.focus])) return modal.focus;
    for (size_t i = 0; i < modal.controls.size(); ++i)
        if (modal.controls[i].kind == ControlKind::DefaultButton) return static_cast<int>(i);
    return -1;
}

// Windows' MulDiv for the non-negative numbers of a layout: rounded to nearest.
int MulDivRounded(int number, int numerator, int denominator) {
    return (2 * number * numerator + denominator) / (2 * denominator);
}

// The edit field's text area, inside its edge and margin.
SDL_Rect TextArea(const ModalControl& edit) {
    int inset = EditBorder + EditMargin;
    return SDL_Rect{edit.place.x + inset, edit.place.y + EditBorder, edit.place.w - 2 * inset,
                    edit.place.h - 2 * EditBorder};
}

// Scrolls the edit field so the caret stays in sight, without empty room
// after the text's end.
void KeepCaretVisible(ModalWindow& modal) {
    ModalControl* edit = EditField(modal);
    if (edit == nullptr) return;
    int visible = TextArea(*edit).w - 1;  // the caret's own pixel too
    int caretAt = ModalTextWidth(modal, std::string_view(edit->text).substr(0, modal.caret));
    int whole = ModalTextWidth(modal, edit->text);
    if (caretAt - modal.scroll > visible) modal.scroll = caretAt - visible;
    if (caretAt < modal.scroll) modal.scroll = caretAt;
    modal.scroll = std::max(0, std::min(modal.scroll, whole - visible));
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

// Draws text with its top left at x, y.
void DrawText(const ModalWindow& modal, std::string_view text, int x, int y) {
    if (text.empty()) return;
    SDL_Surface* surface = TTF_RenderUTF8_Blended(modal.font, Cp1252ToUtf8(text).c_str(), Black);
    if (surface == nullptr) return;
    if (SDL_Texture* texture = SDL_CreateTextureFromSurface(modal.renderer, surface)) {
        SDL_Rect to{x, y, surface->w, surface->h};
        SDL_RenderCopy(modal.renderer, texture, nullptr, &to);
        SDL_DestroyTexture(texture);
    }
    SDL_FreeSurface(surface);
}

void DrawButton(const ModalWindow& modal, const ModalControl& button, bool isDefault,
                bool focused, bool pressed) {
    SDL_Renderer* renderer = modal.renderer;
    SDL_Rect face = button.place;
    Fill(renderer, face, Face);
    if (isDefault) {
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
    int textWidth = ModalTextWidth(modal, button.text);
    DrawText(modal, button.text, face.x + (face.w - textWidth) / 2 + shift,
             face.y + (face.h - TTF_FontHeight(modal.font)) / 2 + shift);
    if (focused) FocusRectangle(renderer, Inset(face, 3));
}

// Returns where the caret was drawn, -1 when it was not.
int DrawEdit(const ModalWindow& modal, const ModalControl& edit, bool focused) {
    SDL_Renderer* renderer = modal.renderer;
    Fill(renderer, edit.place, Highlight);
    Edge(renderer, edit.place, Shadow, Highlight);
    Edge(renderer, Inset(edit.place, 1), Black, Face);
    SDL_Rect area = TextArea(edit);
    int fontHeight = TTF_FontHeight(modal.font);
    int textTop = area.y + (area.h - fontHeight) / 2;
    SDL_RenderSetClipRect(renderer, &area);
    DrawText(modal, edit.text, area.x - modal.scroll, textTop);
    int caretX = -1;
    if (focused) {
        caretX = area.x - modal.scroll +
                 ModalTextWidth(modal, std::string_view(edit.text).substr(0, modal.caret));
        SetColor(renderer, Black);
        SDL_RenderDrawLine(renderer, caretX, textTop, caretX, textTop + fontHeight - 1);
    }
    SDL_RenderSetClipRect(renderer, nullptr);
    return caretX;
}

// The two icons the game's boxes show, drawn simply in their 32 x 32
// square: a yellow warning triangle with a black "!", and a blue disc with
// a white "i".
void DrawIcon(SDL_Renderer* renderer, const ModalControl& icon) {
    const SDL_Rect& r = icon.place;
    const int size = std::min(r.w, r.h);
    if (icon.icon == IconKind::Exclamation) {
        for (int y = 1; y < size - 1; ++y) {  // rows widening from the apex
            const int half = y / 2;
            SetColor(renderer, Warning);
            SDL_RenderDrawLine(renderer, r.x + size / 2 - half, r.y + y, r.x + size / 2 + half, r.y + y);
            SetColor(renderer, Black);
            SDL_RenderDrawPoint(renderer, r.x + size / 2 - half - 1, r.y + y);
            SDL_RenderDrawPoint(renderer, r.x + size / 2 + half + 1, r.y + y);
        }
        SDL_RenderDrawLine(renderer, r.x + 1, r.y + size - 2, r.x + size - 1, r.y + size - 2);
        Fill(renderer, SDL_Rect{r.x + size / 2 - 1, r.y + size / 3, 3, size / 3}, Black);
        Fill(renderer, SDL_Rect{r.x + size / 2 - 1, r.y + size * 3 / 4 - 1, 3, 3}, Black);
    } else if (icon.icon == IconKind::Information) {
        const int radius = size / 2 - 1, centre = size / 2;
        SetColor(renderer, Notice);
        for (int dy = -radius; dy <= radius; ++dy) {
            int dx = 0;
            while ((dx + 1) * (dx + 1) + dy * dy <= radius * radius) ++dx;
            SDL_RenderDrawLine(renderer, r.x + centre - dx, r.y + centre + dy, r.x + centre + dx,
                               r.y + centre + dy);
        }
        Fill(renderer, SDL_Rect{r.x + centre - 2, r.y + size / 5, 4, 4}, Highlight);
        Fill(renderer, SDL_Rect{r.x + centre - 2, r.y + size * 2 / 5, 4, size * 2 / 5}, Highlight);
    }
}

#ifdef KUBRASK_TEST_HOOKS
RECT ToRect(const SDL_Rect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

// Keeps what was just drawn, for the tests: the layout and the picture.
void KeepDrawing(const ModalWindow& modal, int caretX) {
    DialogDrawing drawing{};
    drawing.baseUnitX = modal.baseX;
    drawing.baseUnitY = modal.baseY;
    drawing.client = RECT{0, 0, modal.width, modal.height};
    drawing.caretX = caretX;
    const int defaultIndex = DefaultIndex(modal);
    for (size_t i = 0; i < modal.controls.size(); ++i) {
        const ModalControl& control = modal.controls[i];
        const RECT place = ToRect(control.place);
        if (control.kind == ControlKind::Edit) drawing.edit = place;
        if (control.kind == ControlKind::Label) drawing.label = place;
        if (control.id == IDOK) drawing.ok = place;
        if (control.id == IDCANCEL) drawing.cancel = place;
        drawing.controls.push_back({control.id, IsButton(control), defaultIndex == static_cast<int>(i),
                                    modal.focus == static_cast<int>(i), control.text, place});
    }
    drawing.width = modal.width;
    drawing.height = modal.height;
    drawing.pixels.resize(static_cast<size_t>(modal.width) * modal.height);
    if (SDL_RenderReadPixels(modal.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, drawing.pixels.data(),
                             modal.width * 4) == 0) {
        for (DWORD& pixel : drawing.pixels) pixel &= 0xFFFFFF;
        LastDrawing = std::move(drawing);
        HaveDrawing = true;
    }
}
#endif

void Draw(ModalWindow& modal) {
    SDL_Renderer* renderer = modal.renderer;
    Fill(renderer, SDL_Rect{0, 0, modal.width, modal.height}, Face);
    int caretX = -1;
    const int defaultIndex = DefaultIndex(modal);
    for (size_t i = 0; i < modal.controls.size(); ++i) {
        const ModalControl& control = modal.controls[i];
        const bool focused = modal.focus == static_cast<int>(i);
        switch (control.kind) {
            case ControlKind::DefaultButton:
            case ControlKind::Button:
                DrawButton(modal, control, defaultIndex == static_cast<int>(i), focused,
                           modal.pressed == static_cast<int>(i));
                break;
            case ControlKind::Edit:
                caretX = DrawEdit(modal, control, focused);
                break;
            case ControlKind::Label:
                SDL_RenderSetClipRect(renderer, &control.place);
                DrawText(modal, control.text, control.place.x, control.place.y);
                SDL_RenderSetClipRect(renderer, nullptr);
                break;
            case ControlKind::Icon:
                DrawIcon(renderer, control);
                break;
        }
    }
#ifdef KUBRASK_TEST_HOOKS
    KeepDrawing(modal, caretX);
#else
    (void)caretX;
#endif
    SDL_RenderPresent(renderer);
    modal.dirty = false;
}

// --- Input ---------------------------------------------------------------

void Command(ModalWindow& modal, int id) {
    ModalControl* control = FindModalControl(modal, id);
    LPARAM handle = control != nullptr ? reinterpret_cast<LPARAM>(control->handle.get()) : 0;
    SendMessageA(modal.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), handle);
    modal.dirty = true;
}

// The next control (or the previous one) that takes the focus in turn: any
// tab stop for Tab, only buttons for the arrow keys.
void MoveFocus(ModalWindow& modal, bool backwards, bool buttonsOnly) {
    int count = static_cast<int>(modal.controls.size());
    int at = modal.focus;
    if (at < 0) at = backwards ? 0 : count - 1;
    for (int step = 0; step < count; ++step) {
        at = (at + (backwards ? count - 1 : 1)) % count;
        const ModalControl& control = modal.controls[at];
        if (control.tabStop && (!buttonsOnly || IsButton(control))) break;
    }
    modal.focus = at;
    modal.dirty = true;
}

bool FocusIs(const ModalWindow& modal, bool (*test)(const ModalControl&)) {
    return modal.focus >= 0 && test(modal.controls[modal.focus]);
}

bool IsEdit(const ModalControl& control) { return control.kind == ControlKind::Edit; }

void EditKey(ModalWindow& modal, SDL_Keycode key) {
    std::string& text = EditField(modal)->text;
    size_t& caret = modal.caret;
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
    KeepCaretVisible(modal);
    modal.dirty = true;
}

void Type(ModalWindow& modal, const char* utf8) {
    if (!FocusIs(modal, IsEdit)) return;
    std::string& text = EditField(modal)->text;
    for (char c : Utf8ToCp1252(utf8)) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || text.size() >= EditLimit) continue;
        text.insert(modal.caret++, 1, c);
    }
    KeepCaretVisible(modal);
    modal.dirty = true;
}

void KeyDown(ModalWindow& modal, const SDL_Keysym& key, bool repeat) {
    switch (key.sym) {
        case SDLK_TAB:
            MoveFocus(modal, (key.mod & KMOD_SHIFT) != 0, false);
            return;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if (!repeat && DefaultIndex(modal) >= 0)
                Command(modal, modal.controls[DefaultIndex(modal)].id);
            return;
        case SDLK_ESCAPE:  // and the close box: the dialog manager's Cancel
            if (!repeat) Command(modal, IDCANCEL);
            return;
        case SDLK_SPACE:
            if (!repeat && FocusIs(modal, IsButton)) Command(modal, modal.controls[modal.focus].id);
            return;
        case SDLK_LEFT:
        case SDLK_RIGHT:
        case SDLK_UP:
        case SDLK_DOWN:
            if (FocusIs(modal, IsButton)) {
                MoveFocus(modal, key.sym == SDLK_LEFT || key.sym == SDLK_UP, true);
                return;
            }
            break;
        default:
            break;
    }
    if (FocusIs(modal, IsEdit)) EditKey(modal, key.sym);
}

int ControlAt(const ModalWindow& modal, int x, int y) {
    SDL_Point point{x, y};
    for (size_t i = 0; i < modal.controls.size(); ++i)
        if (modal.controls[i].tabStop && SDL_PointInRect(&point, &modal.controls[i].place))
            return static_cast<int>(i);
    return -1;
}

// The caret goes to the character boundary nearest the click.
void PlaceCaret(ModalWindow& modal, int x) {
    ModalControl* edit = EditField(modal);
    int target = x - TextArea(*edit).x + modal.scroll;
    size_t best = 0;
    int bestDistance = target < 0 ? -target : target;
    for (size_t i = 1; i <= edit->text.size(); ++i) {
        int distance = ModalTextWidth(modal, std::string_view(edit->text).substr(0, i)) - target;
        if (distance < 0) distance = -distance;
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    modal.caret = best;
    KeepCaretVisible(modal);
}

void MouseButton(ModalWindow& modal, const SDL_MouseButtonEvent& event) {
    if (event.button != SDL_BUTTON_LEFT) return;
    int at = ControlAt(modal, event.x, event.y);
    modal.dirty = true;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        if (at < 0) return;
        modal.focus = at;
        if (modal.controls[at].kind == ControlKind::Edit)
            PlaceCaret(modal, event.x);
        else
            modal.pressed = at;
        return;
    }
    int pressed = modal.pressed;
    modal.pressed = -1;
    if (pressed >= 0 && pressed == at) Command(modal, modal.controls[at].id);
}

void HandleEvent(ModalWindow& modal, const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
            KeyDown(modal, event.key.keysym, event.key.repeat != 0);
            break;
        case SDL_TEXTINPUT:
            Type(modal, event.text.text);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            MouseButton(modal, event.button);
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) Command(modal, IDCANCEL);
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) modal.dirty = true;
            break;
        default:
            break;
    }
}

ModalWindow* ModalOfSdlWindow(Uint32 windowId) {
    for (ModalWindow* modal : OpenModals)
        if (SDL_GetWindowID(modal->window->sdl) == windowId) return modal;
    return nullptr;
}

// The modal window an event is for, or null when it is for another window.
// Keys and text pushed without a window go to the innermost one, which
// holds the focus.
ModalWindow* TargetOf(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return event.key.windowID == 0 ? OpenModals.back() : ModalOfSdlWindow(event.key.windowID);
        case SDL_TEXTINPUT:
            return event.text.windowID == 0 ? OpenModals.back() : ModalOfSdlWindow(event.text.windowID);
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return ModalOfSdlWindow(event.button.windowID);
        case SDL_MOUSEMOTION:
            return ModalOfSdlWindow(event.motion.windowID);
        case SDL_WINDOWEVENT:
            return ModalOfSdlWindow(event.window.windowID);
        default:
            return nullptr;
    }
}

// The innermost window takes its input; an outer one is disabled while it
// is open and only redraws; other windows hear of the event as always.
void Route(const SDL_Event& event) {
    ModalWindow* target = TargetOf(event);
    if (target == nullptr) {
        TranslateSdlEvent(event);
    } else if (target == OpenModals.back()) {
        HandleEvent(*target, event);
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
        target->dirty = true;
    }
}

// Waits up to 250 ms for an event. Not with SDL_WaitEventTimeout: an event
// read while it waits makes SDL wake it with a message sent, over a second
// connection to the X server, to the newest window, which is this one. When
// that event is the key that closes the window, a busy X server can take
// the window's destruction from the first connection before the message
// from the second, and the BadWindow error that follows ends the program.
bool WaitForEvent(SDL_Event& event) {
    const Uint64 giveUpAt = SDL_GetTicks64() + 250;
    while (!SDL_PollEvent(&event)) {
        if (SDL_GetTicks64() >= giveUpAt) return false;
        SDL_Delay(5);
    }
    return true;
}

void RunLoop(ModalWindow& modal) {
    while (!modal.ended && IsLiveWindow(modal.window)) {
        for (ModalWindow* open : OpenModals)
            if (open->dirty && open->renderer != nullptr) Draw(*open);
        SDL_Event event;
        if (!SDL_PollEvent(&event)) {
            DispatchWaitingMessages();
#ifdef KUBRASK_TEST_HOOKS
            if (IdleHandler != nullptr && !modal.ended) IdleHandler(modal.window);
#endif
            if (modal.ended || !WaitForEvent(event)) continue;
        }
        Route(event);
    }
}

// The dialog's window procedure hands every message to the dialog procedure.
LRESULT CALLBACK ModalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalWindow* modal = FindModal(window);
    if (modal == nullptr) return 0;
    LRESULT result = modal->procedure(window, message, wParam, lParam);
    if (message == WM_DESTROY && modal->renderer != nullptr) {
        SDL_DestroyRenderer(modal->renderer);
        modal->renderer = nullptr;
    }
    return result;
}

}  // namespace

bool OpenModalFont(ModalWindow& modal) {
    if (!EnsureVideo() || TTF_Init() != 0) return false;
    modal.font = TTF_OpenFontDPI(FontFile, FontPoints, ScreenDpi, ScreenDpi);
    if (modal.font == nullptr) {
        TTF_Quit();
        return false;
    }
    // Windows' base units: the average width of the alphabet, rounded, and
    // the font's height.
    int alphabet =
        ModalTextWidth(modal, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    modal.baseX = (alphabet / 26 + 1) / 2;
    modal.baseY = TTF_FontHeight(modal.font);
    return true;
}

int ModalTextWidth(const ModalWindow& modal, std::string_view text) {
    int width = 0, height = 0;
    if (text.empty() || TTF_SizeUTF8(modal.font, Cp1252ToUtf8(text).c_str(), &width, &height) != 0)
        return 0;
    return width;
}

int ModalLineHeight(const ModalWindow& modal) { return TTF_FontLineSkip(modal.font); }

SDL_Rect DialogUnitsToPixels(const ModalWindow& modal, int x, int y, int width, int height) {
    return SDL_Rect{MulDivRounded(x, modal.baseX, 4), MulDivRounded(y, modal.baseY, 8),
                    MulDivRounded(width, modal.baseX, 4), MulDivRounded(height, modal.baseY, 8)};
}

void AddControl(ModalWindow& modal, int id, ControlKind kind, std::string_view text,
                const SDL_Rect& place, IconKind icon) {
    bool tabStop = kind != ControlKind::Label && kind != ControlKind::Icon;
    modal.controls.push_back(
        {id, kind, tabStop, std::string(text), place, icon, std::make_unique<HWND__>()});
}

bool CreateModalWindow(ModalWindow& modal, const char* caption, int x, int y) {
    // The boxes draw into plain window surfaces: with SDL's default, each
    // would be backed by an OpenGL context of its own, made current over the
    // game's.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Window* sdl = SDL_CreateWindow("", x, y, modal.width, modal.height, SDL_WINDOW_HIDDEN);
    if (sdl == nullptr) return false;
    modal.renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
    if (modal.renderer == nullptr) {
        SDL_DestroyWindow(sdl);
        return false;
    }
    if (IsLiveWindow(modal.owner))
        SDL_SetWindowModalFor(sdl, modal.owner->sdl);  // transient for it; X11 only
    modal.window = AdoptSdlWindow(sdl, "#32770", ModalWindowProc, caption);
    SetSdlWindowTitle(sdl, caption);
    return true;
}

INT_PTR RunModal(ModalWindow& modal, LPARAM initParam) {
    OpenModals.push_back(&modal);
    SDL_Window* glWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext glContext = SDL_GL_GetCurrentContext();
    HWND previousFocus = SetFocus(modal.window);
    const bool typing = SDL_IsTextInputActive();
    SDL_StartTextInput();
    HWND owner = IsLiveWindow(modal.owner) ? modal.owner : nullptr;
    const bool ownerWasDisabled = owner != nullptr && owner->disabled;
    if (owner != nullptr) owner->disabled = true;

    int firstTabStop = -1;
    for (size_t i = 0; i < modal.controls.size() && firstTabStop < 0; ++i)
        if (modal.controls[i].tabStop) firstTabStop = static_cast<int>(i);
    WPARAM focusHandle =
        firstTabStop >= 0 ? reinterpret_cast<WPARAM>(modal.controls[firstTabStop].handle.get()) : 0;
    if (SendMessageA(modal.window, WM_INITDIALOG, focusHandle, initParam)) modal.focus = firstTabStop;
    if (!modal.ended) {
        SDL_ShowWindow(modal.window->sdl);
        SDL_RaiseWindow(modal.window->sdl);
        RunLoop(modal);
    }
    INT_PTR result = modal.ended ? modal.result : -1;

    if (IsLiveWindow(owner)) owner->disabled = ownerWasDisabled;
    if (!typing) SDL_StopTextInput();
    DestroyWindow(modal.window);
    OpenModals.pop_back();
    ReleaseModal(modal);
    if (IsLiveWindow(previousFocus)) SetFocus(previousFocus);
    // The software renderer leaves no context current; the caller's was.
    if (glContext != nullptr && IsLayerSdlWindow(glWindow)) SDL_GL_MakeCurrent(glWindow, glContext);
    return result;
}

void ReleaseModal(ModalWindow& modal) {
    if (modal.renderer != nullptr) SDL_DestroyRenderer(modal.renderer);  // a window never destroyed
    modal.renderer = nullptr;
    if (IsLiveWindow(modal.window) && FindModal(modal.window) == nullptr) DestroyWindow(modal.window);
    if (modal.font != nullptr) {
        TTF_CloseFont(modal.font);
        TTF_Quit();
    }
    modal.font = nullptr;
}

ModalWindow* FindModal(HWND window) {
    for (ModalWindow* modal : OpenModals)
        if (modal->window == window) return modal;
    return nullptr;
}

ModalControl* FindModalControl(ModalWindow& modal, int id) {
    for (ModalControl& control : modal.controls)
        if (control.id == id) return &control;
    return nullptr;
}

#ifdef KUBRASK_TEST_HOOKS
bool LastDialogDrawing(DialogDrawing* drawing) {
    if (!HaveDrawing || drawing == nullptr) return false;
    *drawing = LastDrawing;
    return true;
}

void SetDialogIdleHandler(DialogIdleHandler handler) { IdleHandler = handler; }
#endif
