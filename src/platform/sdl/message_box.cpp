// Message boxes as SDL message boxes: the same caption, text, buttons and
// answers. Where no box can be shown (no display) the call fails at once and
// returns 0, as MessageBoxA does when it fails.
#include "platform/sdl/layer.h"
#include "platform/sdl/test_seams.h"

namespace {

MessageBoxHandler ScriptedAnswers = nullptr;

struct Button {
    int answer;
    const char* label;
};

struct ButtonSet {
    int count;
    Button buttons[3];
    int closeAnswer;  // what closing the box without a button means
};

// Indexed by the type's low four bits.
const ButtonSet ButtonSets[] = {
    {1, {{IDOK, "OK"}}, IDOK},
    {2, {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}, IDCANCEL},
    {3, {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}}, IDABORT},
    {3, {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}}, IDCANCEL},
    {2, {{IDYES, "Yes"}, {IDNO, "No"}}, IDNO},
    {2, {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}}, IDCANCEL},
};

Uint32 IconFlags(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return SDL_MESSAGEBOX_ERROR;
        case MB_ICONEXCLAMATION:
            return SDL_MESSAGEBOX_WARNING;
        case MB_ICONQUESTION:
        case MB_ICONASTERISK:
            return SDL_MESSAGEBOX_INFORMATION;
        default:
            return 0;
    }
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { ScriptedAnswers = handler; }

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (ScriptedAnswers != nullptr) return ScriptedAnswers(owner, text, caption, type);
    UINT kind = type & MB_TYPEMASK;
    if (kind >= sizeof ButtonSets / sizeof ButtonSets[0]) return 0;
    const ButtonSet& set = ButtonSets[kind];
    int defaultButton = static_cast<int>((type & MB_DEFMASK) >> 8);
    if (defaultButton >= set.count) defaultButton = 0;

    SDL_MessageBoxButtonData buttons[3] = {};
    for (int i = 0; i < set.count; ++i) {
        buttons[i].buttonid = set.buttons[i].answer;
        buttons[i].text = set.buttons[i].label;
        if (i == defaultButton) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (set.buttons[i].answer == set.closeAnswer)
            buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    }
    std::string title = Cp1252ToUtf8(caption != nullptr ? caption : "Error");
    std::string message = Cp1252ToUtf8(text != nullptr ? text : "");
    SDL_MessageBoxData data{};
    data.flags = IconFlags(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = IsLiveWindow(owner) ? owner->sdl : nullptr;
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = set.count;
    data.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&data, &answer) != 0) return 0;
    return answer < 0 ? set.closeAnswer : answer;
}
