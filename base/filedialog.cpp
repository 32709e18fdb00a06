#include "base/filedialog.h"

static FileDialogHookProc fileDialogHook;

void SetFileDialogHook(FileDialogHookProc hook) { fileDialogHook = hook; }

int ShowOpenFileDialog(OPENFILENAMEA* ofn)
{
    if (fileDialogHook) return fileDialogHook(ofn, 0);
    return GetOpenFileNameA(ofn) ? 1 : 0;
}

int ShowSaveFileDialog(OPENFILENAMEA* ofn)
{
    if (fileDialogHook) return fileDialogHook(ofn, 1);
    return GetSaveFileNameA(ofn) ? 1 : 0;
}

