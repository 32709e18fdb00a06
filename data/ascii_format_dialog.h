// The "Load ASCII Format" dialog: the ASCII files of an opening and the
// column format every ASCII file of that opening is read with.
#pragma once
#include <windows.h>
#include "resource.h"

extern const char kNoFilesSelected[];
extern const char kNoFileSelected[];

// The creation parameter is the caller's FileList; ends with IDOK or IDCANCEL.
INT_PTR CALLBACK LoadASCIIFormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
