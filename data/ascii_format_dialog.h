// The "Load ASCII Format" dialog: the ASCII files of an opening and the
// column format every ASCII file of that opening is read with.
#pragma once
#include <windows.h>

#define IDD_LOAD_ASCII_FORMAT 344

#define IDC_ASCII_FILES       1046
#define IDC_ASCII_REMOVE_FILE 1061
#define IDC_ASCII_REMOVE_ALL  1031
#define IDC_ASCII_PREVIEW     1064
#define IDC_ASCII_HELP        1148
#define IDC_DELIMITER_GROUP   1048

extern const char kNoFilesSelected[];
extern const char kNoFileSelected[];

// The creation parameter is the caller's FileList; ends with IDOK or IDCANCEL.
INT_PTR CALLBACK LoadASCIIFormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
