// The dialog helpers of every column-mapping dialog: the two field lists,
// their font, arrow buttons and tooltips, and the import preview (dialog 338).
#pragma once
#include <windows.h>

struct ImportFieldList;

#define IDD_IMPORT_PREVIEW 338

// Controls shared by the mapping dialogs.
#define IDC_FIELDS_AVAILABLE 1137
#define IDC_FIELDS_IMPORT    1142
#define IDC_FIELD_LEFT       1138
#define IDC_FIELD_RIGHT      1139
#define IDC_FIELD_UP         1057
#define IDC_FIELD_DOWN       1060
#define IDC_PREVIEW_LIST     1064

// Arrow bitmaps of the four buttons.
#define IDB_ARROW_UP    176
#define IDB_ARROW_DOWN  177
#define IDB_ARROW_LEFT  178
#define IDB_ARROW_RIGHT 179

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
