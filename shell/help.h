// The program's help file (the program's own name with ".chm", beside it),
// opened at its contents or at a topic, and the hotkey list dialog.
#pragma once
#include <windows.h>

// Shown when the help viewer gives no window; %s is the help file's path.
extern const char kHelpMissingText[];

struct HotkeyRow {
    const char* key;      // null: an empty cell
    const char* action;
};
extern const HotkeyRow kHotkeyRows[];
extern const int kHotkeyRowCount;

// The help file's path: the program's module path with ".chm" for its
// extension. A buffer the next call overwrites.
const char* HelpFilePath();
// Opens the help file at its table of contents, owned by the frame.
void ShowHelpContents();
// Opens the help file at a topic ("BatchImport.html"), without an owner; 1.
int  ShowHelpTopic(const char* topic);

void AddHotkeyRow(HWND list, int row, const char* key, const char* action);
INT_PTR CALLBACK HotkeyListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
