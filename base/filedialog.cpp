#include "base/filedialog.h"
#include <cstring>

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

int BuildDialogFilter(const char* text, char* out, size_t outChars)
{
    size_t n = strlen(text);
    // The text plus the second terminator of the list.
    if (n + 2 > outChars) {
        if (outChars) out[0] = 0;
        return 0;
    }
    for (size_t i = 0; i < n; i++) out[i] = text[i] == '|' ? 0 : text[i];
    out[n] = 0;
    out[n + 1] = 0;
    return 1;
}
