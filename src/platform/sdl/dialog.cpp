// The dialog: modal dialogs, of which the game has one, the box that asks
// a new best player for a name. It is built from the same definition as the Windows
// resource (resources/name_dialog.h), laid out in dialog units through the
// base units of its font as Windows does, and run as a modal window of the
// layer (modal.h). Its controls have handles of their own but are not windows.
// See README.md beside this file for what the layer provides and refuses.
#include <algorithm>

#include "name_dialog.h"
#include "platform/sdl/modal.h"

namespace {


struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
};

// In tab order.
const ControlTemplate NameDialogControls[] = {
    {NAME_DIALOG_OK_ID, ControlKind::DefaultButton, NAME_DIALOG_OK_TEXT, NAME_DIALOG_OK_X,
     NAME_DIALOG_OK_Y, NAME_DIALOG_OK_WIDTH, NAME_DIALOG_OK_HEIGHT},
    {NAME_DIALOG_CANCEL_ID, ControlKind::Button, NAME_DIALOG_CANCEL_TEXT, NAME_DIALOG_CANCEL_X,
     NAME_DIALOG_CANCEL_Y, NAME_DIALOG_CANCEL_WIDTH, NAME_DIALOG_CANCEL_HEIGHT},
    {NAME_DIALOG_EDIT_ID, ControlKind::Edit, "", NAME_DIALOG_EDIT_X, NAME_DIALOG_EDIT_Y,
     NAME_DIALOG_EDIT_WIDTH, NAME_DIALOG_EDIT_HEIGHT},
    {NAME_DIALOG_LABEL_ID, ControlKind::Label, NAME_DIALOG_LABEL_TEXT, NAME_DIALOG_LABEL_X,
     NAME_DIALOG_LABEL_Y, NAME_DIALOG_LABEL_WIDTH, NAME_DIALOG_LABEL_HEIGHT},
};

ModalControl* ControlOf(HWND window, int id) {
    ModalWindow* modal = FindModal(window);
    return modal != nullptr ? FindModalControl(*modal, id) : nullptr;
}

}  // namespace

INT_PTR LayerDialogBox(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
    if (!IS_INTRESOURCE(templateName) || LOWORD(templateName) != NAME_DIALOG_ID ||
        procedure == nullptr)
        return -1;
    ModalWindow dialog;
    dialog.procedure = procedure;
    dialog.owner = IsLiveWindow(owner) ? owner : nullptr;
    if (!OpenModalFont(dialog)) return -1;
    SDL_Rect frame = DialogUnitsToPixels(dialog, NAME_DIALOG_X, NAME_DIALOG_Y, NAME_DIALOG_WIDTH,
                                         NAME_DIALOG_HEIGHT);
    dialog.width = frame.w;
    dialog.height = frame.h;
    for (const ControlTemplate& t : NameDialogControls)
        AddControl(dialog, t.id, t.kind, t.text, DialogUnitsToPixels(dialog, t.x, t.y, t.width, t.height));

    // Placed relative to the owner's client area, which is its SDL window.
    int x = frame.x, y = frame.y;
    if (dialog.owner != nullptr) {
        int ownerX = 0, ownerY = 0;
        SDL_GetWindowPosition(dialog.owner->sdl, &ownerX, &ownerY);
        x += ownerX;
        y += ownerY;
    }
    if (!CreateModalWindow(dialog, NAME_DIALOG_CAPTION, x, y)) {
        ReleaseModal(dialog);
        return -1;
    }
    return RunModal(dialog, initParam);
}

BOOL LayerEndDialog(HWND window, INT_PTR result) {
    ModalWindow* modal = FindModal(window);
    if (modal == nullptr) return FALSE;
    modal->ended = true;
    modal->result = result;
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND window, int id) {
    ModalControl* control = ControlOf(window, id);
    return control != nullptr ? control->handle.get() : nullptr;
}

BOOL LayerSetDlgItemText(HWND window, int id, LPCSTR text) {
    ModalControl* control = ControlOf(window, id);
    if (control == nullptr) return FALSE;
    ModalWindow& modal = *FindModal(window);
    control->text = text != nullptr ? text : "";
    if (control->kind == ControlKind::Edit) {
        if (control->text.size() > EditLimit) control->text.resize(EditLimit);
        modal.caret = 0;
        modal.scroll = 0;
    }
    modal.dirty = true;
    return TRUE;
}

UINT LayerGetDlgItemText(HWND window, int id, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    ModalControl* control = ControlOf(window, id);
    if (control == nullptr) return 0;
    return static_cast<UINT>(CopyText(control->text, text, maxCount));
}
