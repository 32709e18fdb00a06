// The "Classify By Class" dialog (the target class and the source classes of
// the hand edit tools) and the "Vivuzoz Oduri" dialog (the view's ground and
// feature classes).
#pragma once
#include <windows.h>

int ShowClassifyByClass(HWND view);
INT_PTR CALLBACK ClassifyByClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ShowSurfaceMagic(HWND view);
INT_PTR CALLBACK SurfaceMagicDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
