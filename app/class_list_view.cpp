#include "app/class_list_view.h"
#include "app/class_table.h"
#include <cstdio>

void SetupClassListView(HWND, HWND list)
{
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    static const char* names[] = {"ON", "Main", "Prof", "Class Name"};
    static const int widths[] = {36, 40, 40, 200};
    for (int i = 0; i < 4; i++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = (char*)names[i];
        column.cx = widths[i];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
}

void FillClassPickList(HWND list, const ClassTable* table, const int32_t* flags)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    int count = table->count < 256 ? table->count : 256;
    for (int i = 0; i < count; i++) {
        char text[96];
        snprintf(text, sizeof text, " %3d - %s", i, table->entries[i].name);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char*)"";
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.iSubItem = 3;
        item.pszText = text;
        SendMessageA(list, LVM_SETITEMTEXTA, i, (LPARAM)&item);
        ListView_SetCheckState(list, i, flags[i] ? TRUE : FALSE);
    }
}

void GetListViewChecks(HWND list, int32_t* flags)
{
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows && i < 256; i++) flags[i] = ListView_GetCheckState(list, i) ? 1 : 0;
}

LRESULT DrawClassListColors(NMLVCUSTOMDRAW* draw, const ClassTable* table)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int code = (int)draw->nmcd.dwItemSpec;
        draw->clrTextBk = GetSysColor(COLOR_WINDOW);
        if (code >= 0 && code < 256) {
            if (draw->iSubItem == 1) draw->clrTextBk = table->entries[code].mainColor;
            if (draw->iSubItem == 2) draw->clrTextBk = table->entries[code].profileColor;
        }
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}
