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

int ShowOpenFileDialog(OPENFILENAMEA* ofn);
int ShowSaveFileDialog(OPENFILENAMEA* ofn);

