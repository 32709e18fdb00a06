// The dialog helpers of every column-mapping dialog: the two field lists,
// their font, arrow buttons and tooltips, and the import preview (dialog 338).
#pragma once
#include <windows.h>
#include "resource.h"

struct ImportFieldList;

// Tooltip texts of the arrow buttons.
extern const char kTipMoveUp[];
extern const char kTipMoveDown[];
extern const char kTipAddToAvailable[];
extern const char kTipRemoveSelection[];

// What the preview dialog is opened with.
struct ImportPreviewParams {
    ImportFieldList* fields;
    char path[256];
    char title[256];
};

int  ShowFieldLists(HWND dialog, const ImportFieldList* importList, const ImportFieldList* available);
void SetFieldListBoxExtent(HWND listBox, const ImportFieldList* list);
HFONT SetFieldListFont(HWND dialog);
HWND CreateFieldListTooltips(HWND dialog);
int  PlaceFieldListButtons(HWND dialog);
int  ShowImportColumns(HWND listView, const ImportFieldList* importList);
INT_PTR CALLBACK ImportPreviewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
