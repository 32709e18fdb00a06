// The TIN class list (list view IDC_TIN_CLASS_LIST) of the dialogs that
// choose which classes go into a view's TIN and contours.
#pragma once
#include <windows.h>

struct ViewRecord;

// Check boxes and full-row select; the columns "ON" and "TIN Classes".
void SetupTINClassList(HWND dialog);
// One row " %3d - %s" a class code of the view's table, checked by its TIN flag.
void FillTINClassList(HWND dialog, const ViewRecord* record);
// Each row's check into the class's TIN flag.
void ReadTINClassChecks(HWND dialog, ViewRecord* record);
