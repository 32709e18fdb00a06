// The "LAS File Information" dialog of a plan view: point total, the
// statistics of its current data set, that file's header read again from
// disk, histograms of the loaded points and the variable length records, with
// a plain-text copy for the clipboard.
#pragma once
#include <windows.h>

// Written to the status line by the "Clipboard" button.
extern const char kLASInfoCopiedText[];
// The row of a file whose legacy count differs from the LAS 1.4 count it is read by.
extern const char kLegacyCountDiffersLabel[];
extern const char kLegacyCountDiffersFormat[];

// Dialog IDD_LAS_INFO; its parameter is the plan view (the active view when 0).
INT_PTR CALLBACK LASInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
