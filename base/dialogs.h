// Small helpers every dialog uses.
#pragma once
#include <windows.h>

struct FileList;

// Ids the test driver sees for the common dialogs (no template of ours).
#define DIALOG_CHOOSECOLOR 0x7F01

void CenterOnFrame(HWND dialog);
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
