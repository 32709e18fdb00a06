// Command 9036 "Open Reference File": the "Reference File Manager" (dialog
// 312) and its "Line or Point Dimension/Weight" dialog (316).
#pragma once
#include <windows.h>

// Adds files when the view has none, shows the manager, then switches on the
// displays the references need and redraws the view; returns 1.
int ShowReferenceFileManager(HWND window);
// Parameter: the view window.
INT_PTR CALLBACK ReferenceFileManagerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Parameter: an int holding the width (1 to 6) in and the chosen one out.
// Ends with 1 (OK), 2 (Cancel) or IDC_WEIGHT_APPLY_ALL.
INT_PTR CALLBACK LineWeightDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The manager's type column text of a reference kind.
const char* ReferenceKindText(int kind);
