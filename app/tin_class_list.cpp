// The TIN class list of the TIN and contour dialogs.
#include "app/tin_class_list.h"
#include "app/view_record.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>

void SetupTINClassList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_TIN_CLASS_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {}
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (char*)"ON";
    column.cx = 36;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    RECT client;
    GetClientRect(list, &client);
    column.pszText = (char*)"TIN Classes";
    column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL) - 36;
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
}

void FillTINClassList(HWND dialog, const ViewRecord* record)
{
    HWND list = GetDlgItem(dialog, IDC_TIN_CLASS_LIST);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int code = 0; code < record->classTable.count && code < 256; code++) {
        char text[96];
        snprintf(text, sizeof text, " %3d - %s", code, record->classTable.entries[code].name);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = code;
        item.pszText = (char*)"";
        int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.iItem = row;
        item.iSubItem = 1;
        item.pszText = text;
        SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
        ListView_SetCheckState(list, row, record->classTable.entries[code].tinDisplay ? TRUE : FALSE);
    }
}

void ReadTINClassChecks(HWND dialog, ViewRecord* record)
{
    HWND list = GetDlgItem(dialog, IDC_TIN_CLASS_LIST);
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int code = 0; code < rows && code < 256; code++)
        record->classTable.entries[code].tinDisplay = ListView_GetCheckState(list, code) ? 1 : 0;
}
