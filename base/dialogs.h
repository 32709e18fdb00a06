// Small helpers every dialog uses.
#pragma once
#include <windows.h>

struct FileList;

// Ids the test driver sees for the common dialogs (no template of ours).
#define DIALOG_CHOOSECOLOR 0x7F01

void CenterOnFrame(HWND dialog);
// The text of control `id`, read whole and cut to fit `out` (outChars bytes,
// the terminator included) as CopyBounded cuts; 1 when it fit whole.
int  GetDialogText(HWND dialog, int id, char* out, size_t outChars);
// The window a box or dialog asked for with `owner` must belong to: `owner`
// itself, unless a modal dialog has disabled it (or its top-level window);
// then the innermost enabled dialog that it owns. A closing modal enables its
// owner: the frame enabled under a running dialog would take clicks while the
// dialog's loop still waits.
HWND ModalOwner(HWND owner);
// Ends a modal dialog with `result`; TRUE, the answer to the message that ended it.
INT_PTR EndDialogWith(HWND dialog, INT_PTR result);
// The parameter the dialog was opened with: WM_INITDIALOG keeps its lParam
// in the dialog's user slot, later messages read it back.
LPARAM DialogParameter(HWND dialog, UINT message, LPARAM lParam);
int  PickColor(HWND owner, COLORREF initial, COLORREF* chosen);
// A popup menu that returns the chosen command (0 for none). A test installs
// a hook that chooses instead of the user.
typedef int (*PopupMenuHookProc)(HMENU popup);
void SetPopupMenuHook(PopupMenuHookProc hook);
int  ChooseFromPopupMenu(HMENU popup, int x, int y, HWND owner);
void FillColorSwatch(COLORREF colour, HDC hdc, const RECT* item);
int  GetTextWidth(HDC hdc, const char* text);
void SetListBoxExtent(HWND listBox, const FileList* files);
int  ScreenToClientRect(HWND window, RECT* rect);
// Commands of a dialog that asks for one of a row of radio buttons (ids first
// to last): a click checks its button and keeps values[id - first] (the id
// itself when values is null); OK ends the dialog with the kept value, Cancel
// with 0. True when the command was one of these.
bool RadioChoiceCommand(HWND dialog, int id, int first, int last, const int* values, int* choice);
