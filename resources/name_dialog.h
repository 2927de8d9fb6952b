/* The dialog that asks a new best player for a name: its one definition.
   kubrask.rc builds the Windows resource from it, and the Linux layer builds
   its own dialog from it. Positions and sizes are in dialog units, relative
   to the owner's client area. Plain #defines only: the resource compiler
   reads this file too. */
#ifndef KUBRASK_NAME_DIALOG_H
#define KUBRASK_NAME_DIALOG_H

#define NAME_DIALOG_ID 102
#define NAME_DIALOG_X 0
#define NAME_DIALOG_Y 0
#define NAME_DIALOG_WIDTH 118
#define NAME_DIALOG_HEIGHT 44
#define NAME_DIALOG_CAPTION "New High Score!"
#define NAME_DIALOG_FONT_SIZE 8
#define NAME_DIALOG_FONT_FACE "MS Sans Serif"

/* The controls, in tab order: OK (the default button), Cancel, the name. */
#define NAME_DIALOG_OK_ID 1 /* IDOK */
#define NAME_DIALOG_OK_TEXT "OK"
#define NAME_DIALOG_OK_X 61
#define NAME_DIALOG_OK_Y 23
#define NAME_DIALOG_OK_WIDTH 50
#define NAME_DIALOG_OK_HEIGHT 14

#define NAME_DIALOG_CANCEL_ID 2 /* IDCANCEL */
#define NAME_DIALOG_CANCEL_TEXT "Cancel"
#define NAME_DIALOG_CANCEL_X 7
#define NAME_DIALOG_CANCEL_Y 23
#define NAME_DIALOG_CANCEL_WIDTH 50
#define NAME_DIALOG_CANCEL_HEIGHT 14

#define NAME_DIALOG_EDIT_ID 1000
#define NAME_DIALOG_EDIT_X 72
#define NAME_DIALOG_EDIT_Y 7
#define NAME_DIALOG_EDIT_WIDTH 39
#define NAME_DIALOG_EDIT_HEIGHT 14

#define NAME_DIALOG_LABEL_ID -1 /* a static text with no id of its own */
#define NAME_DIALOG_LABEL_TEXT "Enter your name:"
#define NAME_DIALOG_LABEL_X 7
#define NAME_DIALOG_LABEL_Y 7
#define NAME_DIALOG_LABEL_WIDTH 60
#define NAME_DIALOG_LABEL_HEIGHT 9

#endif
