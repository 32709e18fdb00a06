// Small helpers every dialog uses.
#pragma once
#include <windows.h>

struct FileList;

// Ids the test driver sees for the common dialogs (no template of ours).
#define DIALOG_CHOOSECOLOR 0x7F01

void CenterOnFrame(HWND dialog);
int  PickColor(HWND owner, COLORREF initial, COLORREF* chosen);
void FillColorSwatch(COLORREF colour, HDC hdc, const RECT* item);
int  GetTextWidth(HDC hdc, const char* text);
void SetListBoxExtent(HWND listBox, const FileList* files);
int  ScreenToClientRect(HWND window, RECT* rect);
