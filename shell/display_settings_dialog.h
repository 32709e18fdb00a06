// The "Display Settings" property sheet of a view (its "Point Classes" page
// and the "TIN" page) and the "New Class"/"Edit Class" dialog.
#pragma once
#include <windows.h>

int ShowDisplaySettings(HWND view);
INT_PTR CALLBACK PointClassesPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int CALLBACK DisplaySettingsSheetCallback(HWND sheet, UINT message, LPARAM lParam);
INT_PTR CALLBACK NewClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

extern const char kClassNameEmptyText[];
