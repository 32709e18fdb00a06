#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/shell_hooks.h"

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


int ChooseOneFile(const char* filterText, const char* dialogTitle, int save, DWORD flags, char* file, char* name)
{
    char filter[256];
    if (!MakeDialogFilter(filterText, filter, sizeof filter)) return 0;
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = MessageOwner();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 255;
    ofn.lpstrFileTitle = name;
    ofn.nMaxFileTitle = 255;
    ofn.lpstrTitle = dialogTitle;
    ofn.Flags = flags | (save ? OFN_OVERWRITEPROMPT : 0);
    int chosen = save ? ShowSaveFileDialog(&ofn) : ShowOpenFileDialog(&ofn);
    file[255] = 0;
    name[255] = 0;
    return chosen;
}
