// The open and save file dialogs, which tests answer through a hook.
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/shell_hooks.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include <cstdio>
#include <cstring>

static FileDialogHookProc fileDialogHook;

void SetFileDialogHook(FileDialogHookProc hook) { fileDialogHook = hook; }

UINT_PTR CALLBACK CenterFileDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    // An explorer-style hook gets a child of the dialog; the dialog is its parent.
    if (message == WM_NOTIFY && ((NMHDR*)lParam)->code == CDN_INITDONE) CenterOnFrame(GetParent(child));
    return 0;
}

// Without a hook of its own, a file dialog opens over the middle of the frame
// as every other dialog does, not at the screen's corner. It is owned by the
// dialog it was asked from.
static void CenterOnOpening(OPENFILENAMEA* ofn)
{
    ofn->hwndOwner = ModalOwner(ofn->hwndOwner);
    if ((ofn->Flags & OFN_ENABLEHOOK) || !(ofn->Flags & OFN_EXPLORER)) return;
    ofn->Flags |= OFN_ENABLEHOOK;
    ofn->lpfnHook = CenterFileDialogHook;
}

int ShowOpenFileDialog(OPENFILENAMEA* ofn)
{
    CenterOnOpening(ofn);
    if (fileDialogHook) return fileDialogHook(ofn, 0);
    if (RefuseUnansweredModal("file dialog", ofn->lpstrTitle)) return 0;
    return GetOpenFileNameA(ofn) ? 1 : 0;
}

int ShowSaveFileDialog(OPENFILENAMEA* ofn)
{
    CenterOnOpening(ofn);
    if (fileDialogHook) return fileDialogHook(ofn, 1);
    if (RefuseUnansweredModal("file dialog", ofn->lpstrTitle)) return 0;
    return GetSaveFileNameA(ofn) ? 1 : 0;
}

OPENFILENAMEA MakeFileDialog(HWND owner, const char* filter, const char* title, char* file, char* name, DWORD chars,
                             const char* folder, DWORD flags)
{
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = chars;
    ofn.lpstrFileTitle = name;
    ofn.nMaxFileTitle = chars;
    ofn.lpstrTitle = title;
    ofn.lpstrInitialDir = folder;
    ofn.Flags = flags | OFN_EXPLORER;
    return ofn;
}

int ChooseOneFile(HWND owner, const char* filterText, const char* dialogTitle, int save, DWORD flags, char* file,
                  char* name)
{
    return ChooseOneFileIn(owner, filterText, dialogTitle, save, flags, file, name, nullptr);
}

void ShowPathTooLong(HWND owner, const char* path, size_t bytes, size_t fit)
{
    ShowMessageBox(owner, PathTooLongMessage(path, bytes, fit).c_str(), "ERROR", MB_OK | MB_ICONERROR);
}

int ChooseOneFileIn(HWND owner, const char* filterText, const char* dialogTitle, int save, DWORD flags, char* file,
                    char* name, const char* initialFolder)
{
    char filter[256];
    if (!MakeDialogFilter(filterText, filter, sizeof filter)) return 0;
    // Room for any name Windows takes: a choice too long for the caller's
    // buffers is refused with the limit, never cut nor taken for Cancel (the
    // dialog fails a choice longer than its buffer).
    char chosenFile[kWindowsPathBytes], chosenName[kWindowsPathBytes];
    CopyBounded(chosenFile, sizeof chosenFile, file);
    CopyBounded(chosenName, sizeof chosenName, name);
    OPENFILENAMEA ofn = MakeFileDialog(owner, filter, dialogTitle, chosenFile, chosenName, sizeof chosenFile - 1,
                                       initialFolder && initialFolder[0] ? initialFolder : nullptr,
                                       flags | (save ? OFN_OVERWRITEPROMPT : 0));
    int chosen = save ? ShowSaveFileDialog(&ofn) : ShowOpenFileDialog(&ofn);
    chosenFile[sizeof chosenFile - 1] = 0;
    chosenName[sizeof chosenName - 1] = 0;
    if (!chosen) return 0;
    size_t length = strlen(chosenFile);
    if (length >= kPathChars) {
        ShowPathTooLong(ofn.hwndOwner, chosenFile, length, kPathChars - 1);
        return 0;
    }
    memcpy(file, chosenFile, length + 1);
    CopyBounded(name, kPathChars, chosenName);
    return 1;
}
