// The class list view shared by the Display Settings page, Point Display
// Settings and the classification dialogs.
#include "app/class_list_view.h"
#include "app/class_table.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "data/data_set.h"
#include "resource.h"
#include <cstdio>
#include <initializer_list>

static int ColumnWidth(HWND list, const char* caption)
{
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    int width = GetTextWidth(dc, caption);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return width;
}

static void InsertColumn(HWND list, int index, const char* caption, int width)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.pszText = (char*)caption;
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, (LPARAM)&column);
}

void SetupClassListView(HWND, HWND list)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const char* captions[3] = {"ON", "Main", "Prof"};
    for (int i = 0; i < 3; i++) InsertColumn(list, i, captions[i], ColumnWidth(list, captions[i]));
    // The name column goes in first: the last column would take the rest of
    // the width when sized to its header.
    InsertColumn(list, 3, "Class Name", 10);
    for (int i = 0; i < 3; i++) SendMessageA(list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE_USEHEADER);
    // A header draws its caption inside a margin on each side.
    const int margins = 2 * GetSystemMetrics(SM_CXEDGE) + 12;
    int main = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0);
    int profile = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0);
    int colour = main > profile ? main : profile;
    for (const char* caption : {"Main", "Prof"})
        if (ColumnWidth(list, caption) + margins > colour) colour = ColumnWidth(list, caption) + margins;
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, colour);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 2, colour);
    RECT client;
    GetClientRect(list, &client);
    int on = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 3, client.right - GetSystemMetrics(SM_CXVSCROLL) - 2 * colour - on);
}

void FillClassRows(HWND list, const ClassTable* table, int nameColumn, bool tinSwitches)
{
    // Rows go in unseen and the list is drawn once at the end.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < table->count && i < 256; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char*)"";
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        char text[96];
        snprintf(text, sizeof text, " %3d - %s", i, table->entries[i].name);
        item.iSubItem = nameColumn;
        item.pszText = text;
        SendMessageA(list, LVM_SETITEMTEXTA, i, (LPARAM)&item);
        const ClassEntry& e = table->entries[i];
        ListView_SetCheckState(list, i, (tinSwitches ? e.tinDisplay : e.display) ? TRUE : FALSE);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void ReadClassRows(HWND list, ClassTable* table, bool tinSwitches)
{
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows && i < table->count && i < 256; i++) {
        uint8_t on = ListView_GetCheckState(list, i) ? 1 : 0;
        if (tinSwitches) table->entries[i].tinDisplay = on;
        else table->entries[i].display = on;
    }
}

void FillClassListView(HWND dialog, const ClassTable* table)
{
    FillClassRows(GetDlgItem(dialog, IDC_CLASS_LIST), table, 3, false);
}

void ReadClassListChecks(HWND dialog, ClassTable* table)
{
    ReadClassRows(GetDlgItem(dialog, IDC_CLASS_LIST), table, false);
}

LRESULT DrawClassListColors(NMLVCUSTOMDRAW* draw, const ClassTable* table)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = (int)draw->nmcd.dwItemSpec;
        draw->clrText = RGB(0, 0, 0);
        draw->clrTextBk = RGB(255, 255, 255);
        if (row >= 0 && row < table->count && row < 256) {
            if (draw->iSubItem == 1) {
                draw->clrText = RGB(255, 255, 255);
                draw->clrTextBk = table->entries[row].mainColor;
            } else if (draw->iSubItem == 2) {
                draw->clrText = RGB(255, 255, 255);
                draw->clrTextBk = table->entries[row].profileColor;
            }
            // The swatch fills its whole cell, drawn here: the list paints
            // an empty cell's background only in part, and the selected row
            // in the highlight colour instead.
            RECT cell = {};
            cell.top = draw->iSubItem;
            cell.left = LVIR_BOUNDS;
            if ((draw->iSubItem == 1 || draw->iSubItem == 2) && draw->nmcd.hdc &&
                SendMessageA(draw->nmcd.hdr.hwndFrom, LVM_GETSUBITEMRECT, row, (LPARAM)&cell)) {
                HBRUSH brush = CreateSolidBrush(draw->clrTextBk);
                cell.right--;   // the grid lines stay
                cell.bottom--;
                FillRect(draw->nmcd.hdc, &cell, brush);
                DeleteObject(brush);
                return CDRF_SKIPDEFAULT;
            }
        }
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}

HWND CreateClassPageTooltips(HWND dialog)
{
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!tips) return nullptr;
    const struct {
        int id;
        const char* text;
    } tools[] = {{IDC_CLASS_ADD, "Add New Classification"},      {IDC_CLASS_EDIT, "Edit Selected Classification"},
                 {IDC_CLASS_DELETE, "Delete Selected Classification"}, {IDC_CLASS_LOAD, "Load Classification List"},
                 {IDC_CLASS_SAVE, "Save Classification List"}};
    for (const auto& t : tools) {
        TOOLINFOA info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog;
        info.uId = (UINT_PTR)GetDlgItem(dialog, t.id);
        info.lpszText = (char*)t.text;
        SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&info);
    }
    SendMessageA(tips, TTM_ACTIVATE, TRUE, 0);
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_INITIAL, 250);
    return tips;
}

int SelectedClassRow(HWND dialog)
{
    return (int)SendDlgItemMessageA(dialog, IDC_CLASS_LIST, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

void SelectClassRow(HWND dialog, int row)
{
    HWND list = GetDlgItem(dialog, IDC_CLASS_LIST);
    if (row < 0 || row >= (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) return;
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

void SetAllClassDisplay(ClassTable* table, int on)
{
    for (int i = 0; i < table->count && i < 256; i++) table->entries[i].display = (uint8_t)on;
}

void ShowExistingClasses(HWND view, ClassTable* table, bool tin)
{
    ViewRecord* r = ViewRecordOf(view);
    bool used[256] = {};
    const DataSet* set = r ? r->currentDataSet : nullptr;
    if (set && set->points)
        for (int i = 0; i < set->pointCount; i++) used[set->points[i].classification] = true;
    for (int c = 0; c < 256; c++) {
        uint8_t on = c < table->count && used[c] ? 1 : 0;
        if (tin) table->entries[c].tinDisplay = on;
        else table->entries[c].display = on;
    }
}

// Column of a point in the list's client area.
static int ColumnAt(HWND list, POINT at)
{
    LVHITTESTINFO hit = {};
    hit.pt = at;
    SendMessageA(list, LVM_SUBITEMHITTEST, 0, (LPARAM)&hit);
    return hit.iItem >= 0 ? hit.iSubItem : -1;
}

ClassListChange OnClassListNotify(HWND dialog, NMHDR* header, ClassTable* table)
{
    if (header->idFrom != IDC_CLASS_LIST) return CLASS_LIST_NONE;
    switch (header->code) {
    case NM_CUSTOMDRAW:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, DrawClassListColors((NMLVCUSTOMDRAW*)header, table));
        return CLASS_LIST_NONE;
    case NM_CLICK: {
        NMITEMACTIVATE* click = (NMITEMACTIVATE*)header;
        int column = ColumnAt(header->hwndFrom, click->ptAction);
        ReadClassListChecks(dialog, table);
        int row = SelectedClassRow(dialog);
        if ((column == 1 || column == 2) && row >= 0 && row == click->iItem && row < table->count) {
            uint32_t* colour = column == 1 ? &table->entries[row].mainColor : &table->entries[row].profileColor;
            COLORREF chosen;
            if (PickColor(dialog, *colour, &chosen)) {
                *colour = chosen;
                FillClassListView(dialog, table);
                SelectClassRow(dialog, row);
                return CLASS_LIST_REFILLED;
            }
        }
        return CLASS_LIST_CHECKS;
    }
    case LVN_COLUMNCLICK:
        if (((NMLISTVIEW*)header)->iSubItem != 0) return CLASS_LIST_NONE;
        ReadClassListChecks(dialog, table);
        {
            bool any = false;
            for (int i = 0; i < table->count && i < 256; i++) any = any || table->entries[i].display;
            SetAllClassDisplay(table, any ? 0 : 1);
        }
        FillClassListView(dialog, table);
        return CLASS_LIST_REFILLED;
    }
    return CLASS_LIST_NONE;
}

// --- the TIN class list -----------------------------------------------------------

void SetupTINClassList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_TIN_CLASS_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.pszText = (char*)"ON";
    column.cx = 30;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (char*)"TIN Classes";
    column.iSubItem = 1;
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    // Sized to its header once it is not the last column (the last one
    // would take the rest of the width).
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    RECT client;
    GetClientRect(list, &client);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1,
                 client.right - GetSystemMetrics(SM_CXVSCROLL) - (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
}

void FillTINClassList(HWND dialog, const ViewRecord* record)
{
    FillClassRows(GetDlgItem(dialog, IDC_TIN_CLASS_LIST), &record->classTable, 1, true);
}

void ReadTINClassChecks(HWND dialog, ViewRecord* record)
{
    ReadClassRows(GetDlgItem(dialog, IDC_TIN_CLASS_LIST), &record->classTable, true);
}

// --- the class pick list of the query dialogs ------------------------------------

void GetListViewChecks(HWND, HWND list, int count, int* flags)
{
    for (int i = 0; i < count; i++) {
        UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
        flags[i] = ((state >> 12) - 1) == 1 ? 1 : 0;
    }
}

void FillClassPickList(HWND, HWND list, const ClassTable* table, const int* flags)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < table->count; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = i;
        item.pszText = (char*)"";
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(flags[i] ? 2 : 1);
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        SendMessageA(list, LVM_SETITEMSTATE, i, (LPARAM)&item);
        char text[96];
        snprintf(text, sizeof text, " %3d - %s", i, table->entries[i].name);
        LVITEMA sub = {};
        sub.iSubItem = 3;
        sub.pszText = text;
        SendMessageA(list, LVM_SETITEMTEXTA, i, (LPARAM)&sub);
    }
}
