// Boxes and the dialog in the browser: message boxes and the name dialog are
// overlays of the page's (page.js draws them as the Linux layer's boxes look
// and answers their keys and clicks the same way), each run as a modal window
// here: its owner gets no keys while it is open, other messages keep flowing,
// and the game's frame stays on the canvas under it. The dialog is laid out
// from the same definition as the Windows resource (resources/name_dialog.h).
// Every box is also one line "caption: text" on the console.
// See README.md beside this file for what the layer provides and refuses.
#include <emscripten.h>

#include <algorithm>
#include <vector>

#include "name_dialog.h"
#include "platform/web/layer.h"

EM_JS(int, PageOpenBox, (const char* json), { return Page.openBox(JSON.parse(UTF8ToString(json))); });
EM_JS(void, PageCloseBox, (int box), { Page.closeBox(box); });
EM_JS(void, PageSetItemText, (int box, int id, const char* utf8),
      { Page.setItemText(box, id, UTF8ToString(utf8)); });
EM_JS(int, PageItemText, (int box, int id, char* buffer, int size),
      { return stringToUTF8(Page.itemText(box, id), buffer, size); });

namespace {

const size_t EditLimit = 299;  // characters in the name field, as the Linux layer's

struct Box {
    HWND window;
    DLGPROC procedure;
    std::vector<int> ids;  // of the buttons and the field
    bool ended;
    INT_PTR result;
};

std::vector<Box*> OpenBoxes;

Box* FindBox(HWND window) {
    for (Box* box : OpenBoxes)
        if (box->window == window) return box;
    return nullptr;
}

bool HasItem(const Box& box, int id) {
    for (int item : box.ids)
        if (item == id) return true;
    return false;
}

LRESULT CALLBACK BoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Box* box = FindBox(window);
    return box != nullptr ? box->procedure(window, message, wParam, lParam) : 0;
}

// Escape comes as Cancel. A box without a Cancel button takes that as OK when
// it has one, and otherwise lets it pass: Yes or No must be chosen.
INT_PTR CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    Box& box = *FindBox(window);
    int id = LOWORD(wParam);
    if (HasItem(box, id))
        EndDialog(window, id);
    else if (id == IDCANCEL && HasItem(box, IDOK))
        EndDialog(window, IDOK);
    return TRUE;
}

// JSON text of Windows-1252 text.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : Cp1252ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Opens the page's overlay for a box described by `json`, then runs it as
// a modal window until it ends (or the page takes it away): −1 when it never
// ended.
INT_PTR RunBox(Box& box, const char* caption, const std::string& json, HWND owner, LPARAM initParam) {
    owner = IsLiveWindow(owner) ? owner : nullptr;
    const int number = PageOpenBox(json.c_str());
    box.window = NewWindow("#32770", BoxWindowProc, caption);
    box.window->box = number;
    OpenBoxes.push_back(&box);
    HWND previousFocus = SetFocus(box.window);
    const bool ownerWasDisabled = owner != nullptr && owner->disabled;
    if (owner != nullptr) owner->disabled = true;

    SendMessageA(box.window, WM_INITDIALOG, 0, initParam);  // the page puts the focus on the first tab stop
    while (!box.ended && IsLiveWindow(box.window)) {
        WaitForPage(100);
        ReadPage();
        DispatchWaitingMessages();
    }
    INT_PTR result = box.ended ? box.result : -1;

    if (IsLiveWindow(owner)) owner->disabled = ownerWasDisabled;
    DestroyWindow(box.window);
    OpenBoxes.pop_back();
    PageCloseBox(number);
    if (IsLiveWindow(previousFocus)) SetFocus(previousFocus);
    return result;
}

}  // namespace

int LayerMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (caption == nullptr) caption = "Error";  // Windows' own default
    if (text == nullptr) text = "";

    Box box{nullptr, MessageBoxProc, {}, false, 0};
    const char* buttons = nullptr;
    if ((type & MB_TYPEMASK) == MB_OK) buttons = "[{\"id\":1,\"label\":\"OK\"}]", box.ids = {IDOK};
    if ((type & MB_TYPEMASK) == MB_YESNO)
        buttons = "[{\"id\":6,\"label\":\"Yes\"},{\"id\":7,\"label\":\"No\"}]", box.ids = {IDYES, IDNO};
    if (buttons == nullptr) return 0;  // no other kind is asked for
    const char* icon = (type & MB_ICONMASK) == MB_ICONEXCLAMATION   ? "exclamation"
                       : (type & MB_ICONMASK) == MB_ICONINFORMATION ? "information"
                                                                     : "";
    std::string json = "{\"caption\":" + Quoted(caption) + ",\"text\":" + Quoted(text) + ",\"icon\":\"" + icon +
                       "\",\"buttons\":" + buttons + "}";
    INT_PTR answer = RunBox(box, caption, json, owner, 0);
    return answer > 0 ? static_cast<int>(answer) : 0;
}

INT_PTR LayerDialogBox(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
    if (!IS_INTRESOURCE(templateName) || LOWORD(templateName) != NAME_DIALOG_ID || procedure == nullptr)
        return -1;
    char json[1024];
    std::snprintf(json, sizeof json,
                  "{\"caption\":%s,\"width\":%d,\"height\":%d,\"controls\":["
                  "{\"id\":%d,\"kind\":\"default\",\"text\":%s,\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d},"
                  "{\"id\":%d,\"kind\":\"button\",\"text\":%s,\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d},"
                  "{\"id\":%d,\"kind\":\"edit\",\"text\":\"\",\"limit\":%zu,\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d},"
                  "{\"id\":%d,\"kind\":\"label\",\"text\":%s,\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d}]}",
                  Quoted(NAME_DIALOG_CAPTION).c_str(), NAME_DIALOG_WIDTH, NAME_DIALOG_HEIGHT, NAME_DIALOG_OK_ID,
                  Quoted(NAME_DIALOG_OK_TEXT).c_str(), NAME_DIALOG_OK_X, NAME_DIALOG_OK_Y, NAME_DIALOG_OK_WIDTH,
                  NAME_DIALOG_OK_HEIGHT, NAME_DIALOG_CANCEL_ID, Quoted(NAME_DIALOG_CANCEL_TEXT).c_str(),
                  NAME_DIALOG_CANCEL_X, NAME_DIALOG_CANCEL_Y, NAME_DIALOG_CANCEL_WIDTH, NAME_DIALOG_CANCEL_HEIGHT,
                  NAME_DIALOG_EDIT_ID, EditLimit, NAME_DIALOG_EDIT_X, NAME_DIALOG_EDIT_Y, NAME_DIALOG_EDIT_WIDTH,
                  NAME_DIALOG_EDIT_HEIGHT, NAME_DIALOG_LABEL_ID, Quoted(NAME_DIALOG_LABEL_TEXT).c_str(),
                  NAME_DIALOG_LABEL_X, NAME_DIALOG_LABEL_Y, NAME_DIALOG_LABEL_WIDTH, NAME_DIALOG_LABEL_HEIGHT);
    Box dialog{nullptr, procedure, {NAME_DIALOG_OK_ID, NAME_DIALOG_CANCEL_ID, NAME_DIALOG_EDIT_ID}, false, 0};
    return RunBox(dialog, NAME_DIALOG_CAPTION, json, owner, initParam);
}

BOOL LayerEndDialog(HWND window, INT_PTR result) {
    Box* box = FindBox(window);
    if (box == nullptr) return FALSE;
    box->ended = true;
    box->result = result;
    return TRUE;
}

BOOL LayerSetDlgItemText(HWND window, int id, LPCSTR text) {
    Box* box = FindBox(window);
    if (box == nullptr || !HasItem(*box, id)) return FALSE;
    std::string value = text != nullptr ? text : "";
    if (id == NAME_DIALOG_EDIT_ID && value.size() > EditLimit) value.resize(EditLimit);
    PageSetItemText(window->box, id, Cp1252ToUtf8(value).c_str());
    return TRUE;
}

UINT LayerGetDlgItemText(HWND window, int id, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    Box* box = FindBox(window);
    if (box == nullptr || !HasItem(*box, id)) return 0;
    char utf8[4 * EditLimit + 4];
    PageItemText(window->box, id, utf8, sizeof utf8);
    return static_cast<UINT>(CopyText(Utf8ToCp1252(utf8), text, maxCount));
}
