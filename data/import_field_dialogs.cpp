// Dialog helpers of the column mapping: list filling, font, arrows, tooltips
// and the preview of a file's first lines split into the mapped columns.
#include "data/import_field_dialogs.h"
#include "data/import_fields.h"
#include "base/text_lines.h"
#include "base/dialogs.h"
#include "base/gdi_text.h"
#include "base/messages.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

const char kTipMoveUp[] = "Move Selection Up";
const char kTipMoveDown[] = "Move Selection Down";
const char kTipAddToAvailable[] = "Add Selection To Available List";
const char kTipRemoveSelection[] = "Remove Selection";

static void RowText(char* out, size_t size, int position, const char* name)
{
    snprintf(out, size, " %d - %s", position, name);
}

static HFONT CreateCourier(HDC dc)
{
    return CreateFixedFont(-(10 * GetDeviceCaps(dc, LOGPIXELSY) / 72), FW_NORMAL);
}

void SetFieldListBoxExtent(HWND listBox, const ImportFieldList* list)
{
    HDC dc = GetDC(listBox);
    HFONT font = CreateCourier(dc);
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    for (int i = 0; list && i < list->count; i++) {
        if (!list->entries[i]) continue;
        char text[300];
        RowText(text, sizeof text, i, list->entries[i]->name);
        SIZE size = ProgramTextExtent(dc, text);
        if (size.cx + 4 > widest) widest = size.cx + 4;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(listBox, dc);
    RECT client;
    GetClientRect(listBox, &client);
    int clientWidth = client.right - client.left;
    SendMessageA(listBox, LB_SETHORIZONTALEXTENT, widest < clientWidth ? clientWidth - 1 : widest + 16, 0);
}

int ShowFieldLists(HWND dialog, const ImportFieldList* importList, const ImportFieldList* available)
{
    HWND importBox = GetDlgItem(dialog, IDC_FIELDS_IMPORT);
    HWND availableBox = GetDlgItem(dialog, IDC_FIELDS_AVAILABLE);
    SendMessageA(importBox, LB_RESETCONTENT, 0, 0);
    SendMessageA(availableBox, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < importList->count; i++) {
        char text[300];
        RowText(text, sizeof text, i, importList->entries[i] ? importList->entries[i]->name : "");
        SendMessageA(importBox, LB_ADDSTRING, 0, (LPARAM)text);
    }
    for (int i = 0; i < available->count; i++)
        if (available->entries[i]) SendMessageA(availableBox, LB_ADDSTRING, 0, (LPARAM)available->entries[i]->name);
    SetFieldListBoxExtent(importBox, importList);
    SetFieldListBoxExtent(availableBox, available);
    return 1;
}

HFONT SetFieldListFont(HWND dialog)
{
    HDC dc = GetDC(nullptr);
    HFONT font = CreateCourier(dc);
    ReleaseDC(nullptr, dc);
    SendDlgItemMessageA(dialog, IDC_FIELDS_IMPORT, WM_SETFONT, (WPARAM)font, TRUE);
    SendDlgItemMessageA(dialog, IDC_FIELDS_AVAILABLE, WM_SETFONT, (WPARAM)font, TRUE);
    return font;
}

HWND CreateFieldListTooltips(HWND dialog)
{
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!tips) return nullptr;
    SetWindowPos(tips, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const struct {
        int id;
        const char* text;
    } tools[] = {{IDC_FIELD_UP, kTipMoveUp},
                 {IDC_FIELD_DOWN, kTipMoveDown},
                 {IDC_FIELD_RIGHT, kTipAddToAvailable},
                 {IDC_FIELD_LEFT, kTipRemoveSelection}};
    for (const auto& tool : tools) {
        TOOLINFOA info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog;
        info.uId = (UINT_PTR)GetDlgItem(dialog, tool.id);
        info.lpszText = (LPSTR)tool.text;
        SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&info);
    }
    return tips;
}

// The arrows, loaded once and kept for the program's life.
static HBITMAP ArrowBitmap(int index)
{
    static HBITMAP arrows[4];
    static const int ids[4] = {IDB_ARROW_UP, IDB_ARROW_DOWN, IDB_ARROW_LEFT, IDB_ARROW_RIGHT};
    if (!arrows[index])
        arrows[index] = (HBITMAP)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ids[index]), IMAGE_BITMAP, 0,
                                            0, LR_LOADMAP3DCOLORS);
    return arrows[index];
}

int PlaceFieldListButtons(HWND dialog)
{
    const struct {
        int id, arrow, width, height;
        bool keepBottom;
    } buttons[] = {{IDC_FIELD_UP, 0, 46, 38, true},
                   {IDC_FIELD_DOWN, 1, 46, 38, false},
                   {IDC_FIELD_RIGHT, 3, 38, 46, true},
                   {IDC_FIELD_LEFT, 2, 38, 46, false}};
    for (const auto& b : buttons) {
        HWND button = GetDlgItem(dialog, b.id);
        if (!button) continue;
        SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)ArrowBitmap(b.arrow));
        RECT r;
        GetWindowRect(button, &r);
        ScreenToClientRect(dialog, &r);
        int centre = (r.left + r.right) / 2;
        int top = b.keepBottom ? r.bottom - b.height : r.top;
        MoveWindow(button, centre - b.width / 2, top, b.width, b.height, TRUE);
    }
    return 1;
}

static int HeadingWidth(HWND listView, const char* text)
{
    return (int)SendMessageA(listView, LVM_GETSTRINGWIDTHA, 0, (LPARAM)text) + 16;
}

int ShowImportColumns(HWND listView, const ImportFieldList* importList)
{
    SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < importList->count; i++) {
        const char* heading = ImportFieldHeading(importList->entries[i] ? importList->entries[i]->code : -2);
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.pszText = (LPSTR)heading;
        column.cx = HeadingWidth(listView, heading);
        column.iSubItem = i;
        SendMessageA(listView, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
    return 1;
}

// --- the preview dialog ------------------------------------------------------------------

static void FillPreviewRows(HWND dialog, const ImportPreviewParams* params)
{
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_LIST);
    TextLines* reader = OpenTextLines(params->path);
    if (!reader) {
        char message[400];
        snprintf(message, sizeof message, "Unable to open for reading:\n%s", params->path);
        ErrorMessage(message);
        return;
    }
    char delimiters[2] = {DelimiterOf(params->fields->delimiter), 0};
    int columns = params->fields->count;
    int row = 0;
    for (int read = 0; read < 10; read++) {
        char line[kTextPieceChars + 1];
        if (NextTextLine(reader, line) < 0) continue;
        char* fields[kMaxSplitFields + 1];
        int n = SplitFields(line, fields, delimiters);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = (LPSTR)(n > 0 && columns > 0 ? fields[0] : "");
        int at = (int)SendMessageA(view, LVM_INSERTITEMA, 0, (LPARAM)&item);
        for (int j = 1; j < n && j < columns; j++) {
            LVITEMA cell = {};
            cell.iSubItem = j;
            cell.pszText = fields[j];
            SendMessageA(view, LVM_SETITEMTEXTA, at, (LPARAM)&cell);
        }
        row++;
    }
    CloseTextLines(reader);
    for (int j = 0; j < columns; j++) {
        int heading = (int)SendMessageA(view, LVM_GETCOLUMNWIDTH, j, 0);
        SendMessageA(view, LVM_SETCOLUMNWIDTH, j, LVSCW_AUTOSIZE);
        if ((int)SendMessageA(view, LVM_GETCOLUMNWIDTH, j, 0) < heading) SendMessageA(view, LVM_SETCOLUMNWIDTH, j, heading);
    }
}

INT_PTR CALLBACK ImportPreviewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const ImportPreviewParams* params = (const ImportPreviewParams*)lParam;
        ShowImportColumns(GetDlgItem(dialog, IDC_PREVIEW_LIST), params->fields);
        char caption[300];
        snprintf(caption, sizeof caption, "Import Preview %s", params->title);
        SetWindowTextA(dialog, caption);
        FillPreviewRows(dialog, params);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
