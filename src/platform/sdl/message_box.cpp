// Boxes: message boxes, drawn by the layer itself as modal windows
// (modal.h), so they need nothing from the desktop: the caption, the text with its line
// breaks and wrapped to a sensible width, the icon, and the buttons in
// Windows' order with Windows' labels, centred over the owner (or the
// screen). The game asks for two kinds: OK and Yes/No, with no icon, the
// exclamation mark or the information sign. Every box is also written to
// standard error, so that one that cannot be shown (no display) still says
// something; such a call returns 0, as MessageBoxA does when it fails.
// See README.md beside this file for what the layer provides and refuses.
#include <algorithm>

#include "platform/sdl/modal.h"

namespace {

const int Margin = 12;         // around everything
const int IconSize = 32;
const int IconGap = 12;        // between the icon and the text
const int ButtonGap = 6;       // between two buttons
const int ButtonsGap = 14;     // between the text and the buttons
const int MaxTextWidth = 400;  // longer lines are wrapped
const int CaptionRoom = 48;    // the window manager's buttons beside the caption

// The id of the text's lines and of the icon, which answer nothing.
const int StaticId = -1;

struct Button {
    int answer;
    const char* label;
};

struct ButtonSet {
    int count;
    Button buttons[2];  // in Windows' order; the first is the default
};

const ButtonSet OkButtons{1, {{IDOK, "OK"}}};
const ButtonSet YesNoButtons{2, {{IDYES, "Yes"}, {IDNO, "No"}}};

// The widest prefix of a word that fits, at least one character.
size_t FittingPrefix(const ModalWindow& box, std::string_view word, int width) {
    size_t length = 1;
    while (length < word.size() && ModalTextWidth(box, word.substr(0, length + 1)) <= width) ++length;
    return length;
}

// The text's lines: its own line breaks, and wrapping between words where a
// line would be wider than `width` (inside a word that is wider by itself).
std::vector<std::string> WrapText(const ModalWindow& box, std::string_view text, int width) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string_view paragraph = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        std::string line;
        size_t at = 0;
        while (at < paragraph.size()) {
            size_t wordEnd = paragraph.find(' ', at);
            if (wordEnd == std::string_view::npos) wordEnd = paragraph.size();
            std::string_view word = paragraph.substr(at, wordEnd - at);
            at = wordEnd + 1;
            std::string joined = line.empty() ? std::string(word) : line + " " + std::string(word);
            if (ModalTextWidth(box, joined) <= width) {
                line = joined;
                continue;
            }
            if (!line.empty()) lines.push_back(line);
            while (ModalTextWidth(box, word) > width) {
                size_t fits = FittingPrefix(box, word, width);
                lines.emplace_back(word.substr(0, fits));
                word.remove_prefix(fits);
            }
            line = word;
        }
        lines.push_back(line);
        if (end == std::string_view::npos) return lines;
        start = end + 1;
    }
}

IconKind IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONEXCLAMATION:
            return IconKind::Exclamation;
        case MB_ICONINFORMATION:
            return IconKind::Information;
        default:
            return IconKind::None;
    }
}

// Places the icon, the text's lines and the buttons, and sizes the box.
void Lay(ModalWindow& box, const char* text, const char* caption, IconKind icon, const ButtonSet& set) {
    const SDL_Rect button = DialogUnitsToPixels(box, 0, 0, 50, 14);  // Windows' push button
    const int buttonWidth = button.w, buttonHeight = button.h;
    const int lineHeight = ModalLineHeight(box);
    std::vector<std::string> lines = WrapText(box, text, MaxTextWidth);
    int textWidth = 0;
    for (const std::string& line : lines) textWidth = std::max(textWidth, ModalTextWidth(box, line));
    const int textHeight = static_cast<int>(lines.size()) * lineHeight;
    const int iconRoom = icon != IconKind::None ? IconSize + IconGap : 0;
    const int contentHeight = std::max(textHeight, icon != IconKind::None ? IconSize : 0);
    const int buttonsWidth = set.count * buttonWidth + (set.count - 1) * ButtonGap;

    box.width = 2 * Margin + std::max({iconRoom + textWidth, buttonsWidth,
                                        ModalTextWidth(box, caption) + CaptionRoom});
    const int buttonsTop = Margin + contentHeight + ButtonsGap;
    box.height = buttonsTop + buttonHeight + Margin;

    int x = (box.width - buttonsWidth) / 2;
    for (int i = 0; i < set.count; ++i, x += buttonWidth + ButtonGap)
        AddControl(box, set.buttons[i].answer, i == 0 ? ControlKind::DefaultButton : ControlKind::Button,
                   set.buttons[i].label, SDL_Rect{x, buttonsTop, buttonWidth, buttonHeight});
    if (icon != IconKind::None)
        AddControl(box, StaticId, ControlKind::Icon, "", SDL_Rect{Margin, Margin, IconSize, IconSize}, icon);
    int y = Margin + (contentHeight - textHeight) / 2;  // beside the icon's middle
    for (const std::string& line : lines) {
        AddControl(box, StaticId, ControlKind::Label, line,
                   SDL_Rect{Margin + iconRoom, y, ModalTextWidth(box, line) + 1, lineHeight});
        y += lineHeight;
    }
}

// Escape and the close box come as Cancel. A box without a Cancel button
// takes that as OK when it has one, and otherwise lets it pass: Yes or No
// must be chosen, as on Windows.
INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;  // the focus goes to the first button
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    if (GetDlgItem(box, id) != nullptr)
        EndDialog(box, id);
    else if (id == IDCANCEL && GetDlgItem(box, IDOK) != nullptr)
        EndDialog(box, IDOK);
    return TRUE;
}

}  // namespace

int LayerMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (caption == nullptr) caption = "Error";  // Windows' own default
    if (text == nullptr) text = "";
    const ButtonSet* set = nullptr;
    if ((type & MB_TYPEMASK) == MB_OK) set = &OkButtons;
    if ((type & MB_TYPEMASK) == MB_YESNO) set = &YesNoButtons;
    if (set == nullptr) return 0;  // no other kind is asked for

    ModalWindow box;
    box.procedure = BoxProc;
    box.owner = IsLiveWindow(owner) ? owner : nullptr;
    if (!OpenModalFont(box)) return 0;
    Lay(box, text, caption, IconOf(type), *set);
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (box.owner != nullptr) {
        int ownerX = 0, ownerY = 0, ownerWidth = 0, ownerHeight = 0;
        SDL_GetWindowPosition(box.owner->sdl, &ownerX, &ownerY);
        SDL_GetWindowSize(box.owner->sdl, &ownerWidth, &ownerHeight);
        x = ownerX + (ownerWidth - box.width) / 2;
        y = ownerY + (ownerHeight - box.height) / 2;
    }
    if (!CreateModalWindow(box, caption, x, y)) {
        ReleaseModal(box);
        return 0;
    }
    INT_PTR answer = RunModal(box, 0);
    return answer > 0 ? static_cast<int>(answer) : 0;
}
