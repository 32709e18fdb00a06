// The class choosers of the toolbars and dialogs.
#pragma once
#include <windows.h>

struct ClassTable;
// Fills a combo box with " %3d - %s" lines of the table's classes, or of
// the 23 standard classes without a table, and selects `selection` once the
// caller's current message is done.
void FillClassCombo(HWND combo, int selection, const ClassTable* table);
