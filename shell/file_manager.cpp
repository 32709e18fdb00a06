// The "Lidar File Manager" of a plan view, and the loading and dropping of files after it.
#include "shell/file_manager.h"
#include "base/shell_hooks.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "shell/open_files.h"
#include "app/view_record.h"
#include "shell/view_window.h"
#include "app/window_slots.h"
#include "classify/undo.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "data/ascii_format_dialog.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "data/statistics.h"
#include "data/tin_model.h"
#include "resource.h"
#include "views/plan/view_mapping.h"
#include <climits>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <vector>

const char kPointViewMixText[] =
    "\nPoint and grid files may not be mixed.  The current window is configured for point data.";
const char kGridViewMixText[] =
    "\nPoint and grid files may not be mixed.  The current window is configured for grid data.";

namespace {

// The working list lives in the view's record as a count and an array.
FileList WorkingList(const ViewRecord* r) { return {r->fileListFirst, r->fileListSecond}; }
void StoreWorkingList(ViewRecord* r, const FileList& list)
{
    r->fileListFirst = list.count;
    r->fileListSecond = list.entries;
}

void FreeWorkingList(ViewRecord* r)
{
    FileList list = WorkingList(r);
    ClearFileList(&list);
    StoreWorkingList(r, list);
}

bool AppendEntry(FileList* list, FileListEntry* entry)
{
    // Room for the new pointer and one more, as the file lists keep it.
    uint64_t bytes = ((uint64_t)list->count + 2) * sizeof(FileListEntry*);
    FileListEntry** grown =
        (FileListEntry**)(list->entries ? NBLReCalloc(list->entries, bytes) : NBLCalloc(1, bytes));
    if (!grown) return false;
    list->entries = grown;
    list->entries[list->count++] = entry;
    return true;
}

bool IsGridKind(int kind) { return kind == DATA_GDAL || kind == DATA_RADAR; }

const char* KindText(int kind)
{
    switch (kind) {
    case DATA_LAS: return "LAS";
    case DATA_ASCII: return "ASCII";
    case DATA_GDAL: return "GRID";
    case DATA_RADAR: return "RADAR";
    }
    return "?";
}

struct ManagerState {
    HWND view;
    int changed;
};

}  // namespace

// ---- the working list -----------------------------------------------------------------

int IsPathInManagerList(const FileList* list, const char* path)
{
    for (int i = 0; list && i < list->count; i++)
        if (list->entries[i] && strcmp(list->entries[i]->path, path) == 0) return 1;
    return 0;
}

int IsPathMissingFromManagerList(const FileList* list, const char* path) { return !IsPathInManagerList(list, path); }

int RemoveManagerEntry(HWND view, int index)
{
    ViewRecord* r = ViewRecordOf(view);
    FileList list = WorkingList(r);
    if (index >= 0 && index < list.count) FreePolygon(list.entries[index]->extent);
    RemoveFileListEntry(&list, index);
    StoreWorkingList(r, list);
    return 1;
}

int ClearManagerList(HWND view)
{
    FreeWorkingList(ViewRecordOf(view));
    return 1;
}

int AddManagerFiles(HWND view, HWND owner)
{
    FileList* chosen = OpenDataFilesDialog(owner);
    if (!chosen) return 0;
    ViewRecord* r = ViewRecordOf(view);
    FileList list = WorkingList(r);
    for (int i = 0; i < chosen->count; i++) {
        FileListEntry* e = chosen->entries[i];
        if (!e || IsPathInManagerList(&list, e->path)) continue;
        e->kind = GetDataFileKind(e->path);
        // The working list takes the entry over.
        if (AppendEntry(&list, e)) chosen->entries[i] = nullptr;
    }
    StoreWorkingList(r, list);
    DeleteFileList(chosen);
    return 1;
}

// ---- the view's data sets -------------------------------------------------------------

int RemoveViewDataSet(HWND view, int index)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || index < 0 || index >= r->dataSetCount) return 0;
    DataSet* set = r->dataSets[index];
    // What points into the set's points goes with it.
    FreeTINModel(r->tin, 1);
    r->tin = nullptr;
    r->tinCacheValid = 0;
    ForgetClassEditsOf(r, set);
    if (r->currentDataSet == set) r->currentDataSet = nullptr;
    FreeDataSet(set);
    if (r->dataSetCount == 1) {
        NBLFree(r->dataSets);
        r->dataSets = nullptr;
        r->dataSetCount = 0;
        return 1;
    }
    DataSet** kept = (DataSet**)NBLCalloc((uint64_t)r->dataSetCount - 1, sizeof(DataSet*));
    if (!kept) {
        // No room for a smaller array: close the gap in the old one.
        for (int i = index; i + 1 < r->dataSetCount; i++) r->dataSets[i] = r->dataSets[i + 1];
        r->dataSetCount--;
        return 1;
    }
    for (int i = 0, j = 0; i < r->dataSetCount; i++)
        if (i != index) kept[j++] = r->dataSets[i];
    NBLFree(r->dataSets);
    r->dataSets = kept;
    r->dataSetCount--;
    return 1;
}

static bool AppendViewDataSet(ViewRecord* r, DataSet* set)
{
    uint64_t bytes = ((uint64_t)r->dataSetCount + 1) * sizeof(DataSet*);
    DataSet** grown = (DataSet**)(r->dataSets ? NBLReMalloc(r->dataSets, bytes) : NBLMalloc(bytes));
    if (!grown) return false;
    r->dataSets = grown;
    r->dataSets[r->dataSetCount++] = set;
    return true;
}

int AddFilesToView(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    bool gridView = IsGridKind(r->dataKind);
    FileList list = WorkingList(r);
    int changed = 0;

    // Class edits of a set leaving the view are asked about first; a Cancel
    // or a failed save leaves the view as it was.
    for (int i = 0; r->dataSets && i < r->dataSetCount; i++)
        if (IsPathMissingFromManagerList(&list, r->dataSets[i]->path) && !AskToSaveDataSet(r->dataSets[i]))
            return 0;

    JobControl* job = LockViewData(view);
    for (int i = 0; r->dataSets && i < r->dataSetCount;) {
        if (IsPathMissingFromManagerList(&list, r->dataSets[i]->path)) {
            RemoveViewDataSet(view, i);
            changed = 1;
            i = 0;
        } else {
            i++;
        }
    }
    UnlockViewData(job);

    bool points = false, grids = false, ascii = false;
    uint64_t total = 0;
    for (int i = 0; i < list.count; i++) {
        FileListEntry* e = list.entries[i];
        e->kind = GetDataFileKind(e->path);
        if (e->kind == DATA_LAS) {
            total += GetLASFilePointCount(e->path);
            points = true;
        } else if (e->kind == DATA_ASCII) {
            points = ascii = true;
        } else if (IsGridKind(e->kind)) {
            grids = true;
        }
    }
    if (grids && !gridView) {
        ShowMessageBox(FrameWindow, kPointViewMixText, "ERROR", MB_OK | MB_ICONERROR);
        return changed;
    }
    if (points && gridView) {
        ShowMessageBox(FrameWindow, kGridViewMixText, "ERROR", MB_OK | MB_ICONERROR);
        return changed;
    }
    if (ascii) {
        // The dialog edits the list it is given (a removed file is freed,
        // Cancel frees them all): the view keeps what the dialog left, never
        // the entries it freed.
        INT_PTR answer = ShowDialog(IDD_ASCII_FORMAT, FrameWindow, LoadASCIIFormatDlgProc, (LPARAM)&list);
        StoreWorkingList(r, list);
        if (answer != 1) return changed;
    }

    bool decimationForThisRun = false;
    int stepBefore = decimationStep;
    if (!decimationEnabled && points && !ascii) {
        // Counted in 64 bits: several large files overflow 32.
        uint64_t parts = MemoryPartsNeeded(total > UINT32_MAX ? UINT32_MAX : (uint32_t)total);
        if (total > UINT32_MAX) parts *= (total + UINT32_MAX - 1) / UINT32_MAX;
        if (parts > 1) {
            char text[200];
            snprintf(text, sizeof text, kNotEnoughMemoryQuestion, total > LLONG_MAX ? LLONG_MAX : (long long)total);
            if (ShowMessageBox(FrameWindow, text, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) return changed;
            decimationEnabled = 1;
            decimationStep = parts > INT_MAX ? INT_MAX : (int)parts;
            decimationForThisRun = true;
        }
    }
    // Loading shows boxes and progress (and so paints): the sets join the
    // view together afterwards.
    std::vector<DataSet*> loaded;
    {
        // The load's lines are the view's, whichever view is active.
        ThreadStatusView lines(view);
        for (int i = 0; i < list.count; i++) {
            FileListEntry* e = list.entries[i];
            if (IsPathInView(r, e->path)) continue;
            if (DataSet* set = LoadDataFile(e->path, e->title)) loaded.push_back(set);
        }
    }
    if (decimationForThisRun) {
        decimationEnabled = 0;
        decimationStep = stepBefore;
    }
    if (!loaded.empty()) {
        job = LockViewData(view);
        for (DataSet* set : loaded)
            if (AppendViewDataSet(r, set)) changed = 1;
            else FreeDataSet(set);
        UnlockViewData(job);
    }
    return changed;
}

// ---- the dialog -------------------------------------------------------------------------

void InitFileManagerColumns(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_MANAGER_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0));
    int typeWidth = GetTextWidth(dc, " RADAR ");
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    RECT client;
    GetClientRect(list, &client);
    int scroll = GetSystemMetrics(SM_CXVSCROLL);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = typeWidth;
    column.pszText = (char*)"Type";
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.iSubItem = 1;
    column.cx = client.right - typeWidth - scroll;
    column.pszText = (char*)"FileName";
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    int actual = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, client.right - scroll - actual);
}

void FillFileManagerList(HWND dialog, const FileList* files)
{
    HWND list = GetDlgItem(dialog, IDC_MANAGER_LIST);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; files && i < files->count; i++) {
        const FileListEntry* e = files->entries[i];
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char*)KindText(e->kind);
        int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = (char*)e->title;
        SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
    }
}

static void Refill(HWND dialog, ManagerState* state)
{
    FileList list = WorkingList(ViewRecordOf(state->view));
    FillFileManagerList(dialog, &list);
}

INT_PTR CALLBACK LidarFileManagerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ManagerState* state = (ManagerState*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        state = new ManagerState{(HWND)lParam, 0};
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)state);
        InitFileManagerColumns(dialog);
        Refill(dialog, state);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_COMMAND: {
        if (!state) return FALSE;
        HWND list = GetDlgItem(dialog, IDC_MANAGER_LIST);
        switch (LOWORD(wParam)) {
        case IDC_MANAGER_DONE:
        case IDCANCEL: {
            int changed = state->changed;
            delete state;
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            EndDialog(dialog, changed);
            return TRUE;
        }
        case IDC_MANAGER_REMOVE: {
            int mark = (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
            if (mark < 0 || mark >= ViewRecordOf(state->view)->fileListFirst) return TRUE;
            RemoveManagerEntry(state->view, mark);
            Refill(dialog, state);
            state->changed = 1;
            if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0)
                SendMessageA(list, LVM_SETSELECTIONMARK, 0, mark > 0 ? mark - 1 : 0);
            return TRUE;
        }
        case IDC_MANAGER_REMOVE_ALL:
            ClearManagerList(state->view);
            Refill(dialog, state);
            state->changed = 1;
            return TRUE;
        case IDC_MANAGER_ADD:
            if (AddManagerFiles(state->view, dialog)) {
                state->changed = 1;
                Refill(dialog, state);
            }
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

int ShowLidarFileManager(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    FileList list = {};
    for (int i = 0; r->dataSets && i < r->dataSetCount; i++) {
        const DataSet* set = r->dataSets[i];
        FileListEntry* e = (FileListEntry*)NBLCalloc(1, sizeof(FileListEntry));
        if (!e) continue;
        memcpy(e->path, set->path, sizeof e->path);
        memcpy(e->title, set->title, sizeof e->title);
        e->kind = set->kind;
        if (!AppendEntry(&list, e)) NBLFree(e);
    }
    StoreWorkingList(r, list);
    INT_PTR changed = ShowDialog(IDD_FILE_MANAGER, view, LidarFileManagerDlgProc, (LPARAM)view);
    if (changed == 1 && AddFilesToView(view)) {
        ComputeViewExtents(view);
        DropViewTIN(view);
        ResetViewCache(view);
        InvalidateView(view, 1);
    }
    FreeWorkingList(r);
    if (r->dataSetCount == 0) {
        r->currentDataSet = nullptr;
        PostMessageA(view, WM_CLOSE, 0, 0);
        return 0;
    }
    r->currentDataSet = r->dataSets[0];
    return 1;
}
