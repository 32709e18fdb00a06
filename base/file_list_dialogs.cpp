// The multi-select open dialogs that append files to a FileList.
#include "base/file_list_dialogs.h"
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/heap.h"

#include <commdlg.h>

#include <cstring>

char lastOpenFolder[256];

int OpenFilesDialog(HWND owner, FileList* list, const char* title, const char* filterText, char* folder)
{
    char filter[256];
    if (!MakeDialogFilter(filterText, filter, sizeof(filter))) return list->count;

    // Both buffers on the heap: 32 KiB is too much for a worker's stack.
    char* files = (char*)NBLCalloc(kOpenDialogBufferChars, 1);
    char* names = (char*)NBLCalloc(kOpenDialogBufferChars, 1);
    if (!files || !names) {
        if (files) NBLFree(files);
        if (names) NBLFree(names);
        return list->count;
    }

    OPENFILENAMEA ofn = MakeFileDialog(owner, filter, title, files, names, (DWORD)(kOpenDialogBufferChars - 1), folder,
                                       OFN_ALLOWMULTISELECT);

    if (ShowOpenFileDialog(&ofn)) {
        char current[MAX_PATH];
        DWORD len = GetCurrentDirectoryA(sizeof(current), current);
        if (len > 0 && len < kFolderChars) std::memcpy(folder, current, len + 1);
        AddOpenDialogSelection(list, files, kOpenDialogBufferChars, names);
    }
    NBLFree(files);
    NBLFree(names);
    return list->count;
}

namespace {

const char kLASFilter[] = "LAS Files (*.las)|*.las|All files (*.*)|*.*|";

int ShowMultiSelectDialog(HWND owner, FileList* list, const char* title, const char* filterText)
{
    return OpenFilesDialog(owner, list, title, filterText, lastOpenFolder);
}

}  // namespace

int OpenLASFilesDialog(HWND owner, FileList* list, const char* title)
{
    return ShowMultiSelectDialog(owner, list, title, kLASFilter);
}

int OpenProjectLASFilesDialog(HWND owner, FileList* list, const char* title)
{
    return ShowMultiSelectDialog(owner, list, title, kLASFilter);
}

int OpenASCIIFilesDialog(HWND owner, FileList* list, const char* title)
{
    return ShowMultiSelectDialog(owner, list, title, "ASCII Files (*.xyz)|*.xyz|All files (*.*)|*.*|");
}

int OpenShapeFilesDialog(HWND owner, FileList* list, const char* title)
{
    return ShowMultiSelectDialog(owner, list, title, "Shape Files (*.shp)|*.shp|All files (*.*)|*.*|");
}
