// The standard open and save file dialogs. Every file dialog of the program
// goes through these two calls so that tests can answer them instead of a user.
#pragma once
#include <windows.h>
#include <commdlg.h>

// A test installs a hook; it then fills the structure's buffers as the dialog
// would and returns nonzero for a choice, 0 for Cancel. `save` is 1 for the
// save dialog.
typedef int (*FileDialogHookProc)(OPENFILENAMEA* ofn, int save);
void SetFileDialogHook(FileDialogHookProc hook);

// Explorer-style dialogs without a hook of their own get CenterFileDialogHook.
UINT_PTR CALLBACK CenterFileDialogHook(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
int ShowOpenFileDialog(OPENFILENAMEA* ofn);
int ShowSaveFileDialog(OPENFILENAMEA* ofn);

// The structure of an explorer-style file dialog owned by `owner`: `filter`
// as MakeDialogFilter makes it, its first type chosen; `file` and `name`
// receive at most `chars` characters each; it starts in `folder` as given
// (null leaves the start to the dialog); `flags` go beside OFN_EXPLORER.
OPENFILENAMEA MakeFileDialog(HWND owner, const char* filter, const char* title, char* file, char* name, DWORD chars,
                             const char* folder, DWORD flags);


// One file picked in an open (save 0) or save (save 1) dialog owned by
// `owner`: the dialog the user asked from, else the frame, so that closing it
// gives the input back to that window. `filterText` uses "|" between its parts; `file` and `name` (256
// characters each) hold the starting choice and receive the full path and the
// file name, always terminated. Returns 1 for a choice, 0 for Cancel and for
// a choice of 256 bytes or more, refused with kPathTooLongText ("ERROR").
int ChooseOneFile(HWND owner, const char* filterText, const char* dialogTitle, int save, DWORD flags, char* file,
                  char* name);
// Refuses a path of `bytes` bytes, of which `path` may hold only the start,
// where `fit` fit: kPathTooLongText in an "ERROR" box owned by `owner`.
void ShowPathTooLong(HWND owner, const char* path, size_t bytes, size_t fit);
// The same, starting in `initialFolder` when it is not empty.
int ChooseOneFileIn(HWND owner, const char* filterText, const char* dialogTitle, int save, DWORD flags, char* file,
                    char* name, const char* initialFolder);
