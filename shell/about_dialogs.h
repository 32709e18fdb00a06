// The About and System Information dialogs of the Help menu, and the two
// helpers of the two-column information lists that the hotkey list and the
// LAS File Information dialog use as well.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#define APP_TITLE "VelkaViewer  Version 3.7.3"
#define APP_VERSION "3.7.3"
extern const char kBuildDate[];
extern const char kMakerName[];
extern const char kMakerWebAddress[];
// Written to the status line by the System Information "Clipboard" button.
extern const char kSystemInfoCopiedText[];

// List view IDC_INFO_LIST of the dialog: full-row select and two left-aligned
// columns without header text and of width 0 (sized to their contents later).
int  InitInfoListColumns(HWND dialog);
// Inserts a row at `row`: column 0 the label, column 1 the value (either may
// be null); appends the given texts and a line end to `text`.
void AddInfoListRow(HWND list, int row, const char* label, const char* value, std::string* text);
// Sizes both columns of the list to their contents.
void FitInfoListColumns(HWND list);
// A fixed-pitch font of 10 points for the list (CreateFixedFont), as the
// information dialogs use.
HFONT CreateInfoListFont(HWND list);
// Copies an information text, terminator included, to the clipboard; 1 when done.
int  CopyInfoText(const std::string& text);

// The state of an information dialog (list IDC_INFO_LIST, buttons OK and
// IDC_INFO_CLIPBOARD): the list's font and the text copy of its rows.
struct InfoDialogState {
    HFONT font;
    std::string text;
};
// Sets up the list (columns and font) and a state whose text is "\n".
InfoDialogState* BeginInfoDialog(HWND dialog);
InfoDialogState* InfoDialogOf(HWND dialog);
// The rows are in: a final line end, columns fitted, the dialog centred.
void FinishInfoDialog(HWND dialog);
// "Clipboard" copies the text and logs `copiedText`; OK and Cancel free the
// state and end the dialog. TRUE when the command was one of these.
INT_PTR InfoDialogCommand(HWND dialog, WPARAM wParam, const char* copiedText);

// "%d.%d.%d": major, minor and the low 16 bits of the build; "Unknown" when
// the version cannot be read. A buffer the next call overwrites.
const char* GetOSVersionText();
// Physical memory as "%d MB": 0 the total, 1 the available; any other
// argument returns the buffer unchanged. A buffer the next call overwrites.
const char* GetMemoryText(int which);
// Bytes as whole MiB, rounded half up.
int  MegabytesOf(uint64_t bytes);

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SystemInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
