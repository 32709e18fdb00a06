// The reference file manager: visibility, colour and width of each reference
// of a view, adding and removing them.
#include "gis/layers/ref_manager.h"
#include "gis/layers/ref_files.h"
#include "app/layer_sets.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "resource.h"
#include "views/plan/view_mapping.h"
#include <commctrl.h>
#include <cstdio>

const char* ReferenceKindText(int kind)
{
    switch (kind) {
    case REFERENCE_SHAPEFILE: return "SHP";
    case REFERENCE_LAS: return "LAS";
    case REFERENCE_IMAGE: return "IMG";
    }
    return "OOPS";
}

static bool HasKind(const ViewRecord* r, int kind)
{
    for (int i = 0; r->references && i < r->referenceCount; i++)
        if (r->references[i] && r->references[i]->kind == kind) return true;
    return false;
}

int ShowReferenceFileManager(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 1;
    if (r->referenceCount <= 0) AddReferenceFiles(window);
    if (r->referenceCount > 0)
        ShowDialog(IDD_REFERENCE_MANAGER, window, ReferenceFileManagerDlgProc, (LPARAM)window);
    if (HasKind(r, REFERENCE_SHAPEFILE)) r->overlayReferences = 1;
    // The first image of a view puts it on its background, once.
    if (r->referencesShown && HasKind(r, REFERENCE_IMAGE)) {
        r->overlayPointsOverBackground = 1;
        r->displayMode = CMD_BACKGROUND_REF;
        r->referencesShown = 0;
        r->glRebuildFlags[GL_LIST_POINTS] = 0;
    }
    UpdateToolbarState(window);
    ComputeViewExtents(window);
    DropViewTIN(window);
    ResetViewCache(window);
    InvalidateView(window, 1);
    return 1;
}

// ---- dialog 316 ---------------------------------------------------------------------------

static void ShowWeight(HWND dialog)
{
    char text[16];
    int position = (int)SendDlgItemMessageA(dialog, IDC_WEIGHT_SLIDER, TBM_GETPOS, 0, 0);
    snprintf(text, sizeof text, "%d", position);
    SetDlgItemTextA(dialog, IDC_WEIGHT_TEXT, text);
}

INT_PTR CALLBACK LineWeightDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    int* width = (int*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        width = (int*)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SendDlgItemMessageA(dialog, IDC_WEIGHT_SLIDER, TBM_SETRANGE, TRUE, MAKELONG(1, 6));
        SendDlgItemMessageA(dialog, IDC_WEIGHT_SLIDER, TBM_SETPOS, TRUE, width ? *width : 1);
        ShowWeight(dialog);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_HSCROLL:
        ShowWeight(dialog);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL && id != IDC_WEIGHT_APPLY_ALL) break;
        if (width) *width = (int)SendDlgItemMessageA(dialog, IDC_WEIGHT_SLIDER, TBM_GETPOS, 0, 0);
        EndDialog(dialog, id == IDOK ? 1 : id == IDCANCEL ? 2 : IDC_WEIGHT_APPLY_ALL);
        return TRUE;
    }
    }
    return FALSE;
}

// ---- dialog 312 ---------------------------------------------------------------------------

enum { COLUMN_ON, COLUMN_COLOR, COLUMN_DIM, COLUMN_TYPE, COLUMN_FILE };

static void InitManagerColumns(HWND dialog, HWND list)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0));
    const char* headers[5] = {"ON", "Color", "Dim", "Type", "FileName"};
    const char* widths[4] = {"ONO", "Color  ", "DIMM", "Type  "};
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    for (int i = 0; i < 5; i++) {
        column.iSubItem = i;
        column.cx = i < 4 ? GetTextWidth(dc, widths[i]) : 100;
        column.pszText = (char*)headers[i];
        SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    int used = 0;
    for (int i = 0; i < 4; i++) {
        SendMessageA(list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE_USEHEADER);
        used += (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0);
    }
    RECT client;
    GetClientRect(list, &client);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, COLUMN_FILE, client.right - used - GetSystemMetrics(SM_CXVSCROLL));
}

static void FillManagerList(HWND list, const ViewRecord* r)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; r->references && i < r->referenceCount; i++) {
        const ReferenceFile* reference = r->references[i];
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char*)"";
        int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        char width[16];
        snprintf(width, sizeof width, "%d", reference->width);
        const char* texts[3] = {width, ReferenceKindText(reference->kind), reference->title};
        for (int k = 0; k < 3; k++) {
            item.iSubItem = COLUMN_DIM + k;
            item.pszText = (char*)texts[k];
            SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
        }
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(reference->visible ? 2 : 1);
        SendMessageA(list, LVM_SETITEMSTATE, at, (LPARAM)&item);
    }
}

// The check boxes into the visible flags.
static void CopyChecks(HWND list, ViewRecord* r)
{
    for (int i = 0; r->references && i < r->referenceCount; i++) {
        UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
        r->references[i]->visible = (state >> 12) == 2 ? 1 : 0;
    }
}

static LRESULT CustomDraw(NMLVCUSTOMDRAW* draw, const ViewRecord* r)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = (int)draw->nmcd.dwItemSpec;
        if (draw->iSubItem == COLUMN_COLOR && r->references && row >= 0 && row < r->referenceCount) {
            draw->clrText = RGB(255, 255, 255);
            draw->clrTextBk = r->references[row]->color;
        } else {
            draw->clrText = RGB(0, 0, 0);
            draw->clrTextBk = RGB(255, 255, 255);
        }
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}

// A click on the colour or dimension cell of a row that is no image.
static void CellClicked(HWND dialog, HWND list, HWND view, const NMITEMACTIVATE* click)
{
    ViewRecord* r = ViewRecordOf(view);
    LVHITTESTINFO hit = {};
    hit.pt = click->ptAction;
    SendMessageA(list, LVM_SUBITEMHITTEST, 0, (LPARAM)&hit);
    int row = hit.iItem;
    if (row < 0 || row >= r->referenceCount || !r->references) return;
    ReferenceFile* reference = r->references[row];
    if (reference->kind == REFERENCE_IMAGE) return;
    if (hit.iSubItem == COLUMN_COLOR) {
        CopyChecks(list, r);
        COLORREF chosen;
        if (PickColor(dialog, reference->color, &chosen)) {
            reference->color = chosen;
            FillManagerList(list, r);
        }
    } else if (hit.iSubItem == COLUMN_DIM) {
        int width = reference->width;
        INT_PTR answer = ShowDialog(IDD_LINE_WEIGHT, dialog, LineWeightDlgProc, (LPARAM)&width);
        if (answer == 2) return;
        if (answer == 1) {
            reference->width = width;
        } else if (answer == IDC_WEIGHT_APPLY_ALL) {
            for (int i = 0; i < r->referenceCount; i++)
                if (r->references[i]->kind != REFERENCE_IMAGE) r->references[i]->width = width;
        }
        CopyChecks(list, r);
        FillManagerList(list, r);
    }
}

INT_PTR CALLBACK ReferenceFileManagerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND view = (HWND)GetWindowLongPtrA(dialog, DWLP_USER);
    ViewRecord* r = ViewRecordOf(view);
    HWND list = GetDlgItem(dialog, IDC_REFERENCE_LIST);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitManagerColumns(dialog, list);
        if (ViewRecordOf((HWND)lParam)) FillManagerList(list, ViewRecordOf((HWND)lParam));
        CenterOnFrame(dialog);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = (const NMHDR*)lParam;
        if (!r || header->idFrom != IDC_REFERENCE_LIST) break;
        if (header->code == NM_CUSTOMDRAW) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, CustomDraw((NMLVCUSTOMDRAW*)lParam, r));
            return TRUE;
        }
        if (header->code == NM_CLICK) {
            CellClicked(dialog, list, view, (const NMITEMACTIVATE*)lParam);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        if (!r) break;
        switch (LOWORD(wParam)) {
        case IDC_MANAGER_DONE:
        case IDCANCEL:
            CopyChecks(list, r);
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_MANAGER_REMOVE: {
            int mark = (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
            if (mark < 0 || mark >= r->referenceCount) return TRUE;
            CopyChecks(list, r);
            RemoveReferenceFile(view, mark);
            FillManagerList(list, r);
            if (r->referenceCount > 0) SendMessageA(list, LVM_SETSELECTIONMARK, 0, mark > 0 ? mark - 1 : 0);
            return TRUE;
        }
        case IDC_MANAGER_REMOVE_ALL:
            RemoveAllReferenceFiles(view);
            FillManagerList(list, r);
            return TRUE;
        case IDC_MANAGER_ADD:
            CopyChecks(list, r);
            if (AddReferenceFiles(view)) FillManagerList(list, r);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
