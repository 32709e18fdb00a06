// The class list views of the class dialogs: one row per class code of a
// class table, a check box per row, and the class colours in the "Main" and
// "Prof" columns.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>

struct ClassTable;

// Grid lines, check boxes, full-row select and the columns "ON", "Main",
// "Prof", "Class Name".
void    SetupClassListView(HWND dialog, HWND list);
// One " %3d - %s" row per class of the table, checked where flags[code] is set.
void    FillClassPickList(HWND list, const ClassTable* table, const int32_t* flags);
// Copies the check boxes into flags[0 .. rows-1].
void    GetListViewChecks(HWND list, int32_t* flags);
// The custom-draw answer that paints the colour columns.
LRESULT DrawClassListColors(NMLVCUSTOMDRAW* draw, const ClassTable* table);
