// "Point Display Settings" (classes shown and the point colour mode of a
// view) and the popup of return switches.
#pragma once
#include <windows.h>

int ShowPointDisplaySettings(HWND view);
INT_PTR CALLBACK PointDisplaySettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ShowReturnsPopupMenu(HWND view);
