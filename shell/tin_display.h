// The TIN display dialogs: the "TIN" page of Display Settings, which is also
// the stand-alone "TIN Display" dialog, and "TIN Point Class Display"; and the
// TIN class list (control 1036), whose check boxes are the tinDisplay switches.
#pragma once
#include "app/class_list_view.h"
#include <windows.h>

struct ViewRecord;


INT_PTR CALLBACK TINDisplayDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TINPointClassDisplayDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ShowTINDisplay(HWND view);
int ShowTINPointClassDisplay(HWND view);

// The TIN page tells the Display Settings sheet that it was opened (it then
// applies last) and that the user cancelled.
extern bool TINPageOpened;
extern bool DisplaySheetCancelled;

// Asked once a run when every class goes into the TIN with contours shown.
extern const char kAllClassesContourWarning[];
// Whether that warning was shown in this run (tests set it back).
extern bool AllClassesWarningShown;

// The scroll bar positions: azimuth 0-359, elevation 0-90, Z exaggeration
// 1-20 for 0.5-10.0.
int  ScrollPosition(int code, int position, int thumb, int low, int high);
