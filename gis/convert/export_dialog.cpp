// The export dialog: files, output format, field order, delimiter, folder,
// filters and preview; it starts, pauses and stops the writer thread.
#include "gis/convert/export_dialog.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "gis/convert/export_writers.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "base/shell_hooks.h"
#include "app/job_control.h"
#include "base/dialogs.h"
#include "base/file_list_dialogs.h"
#include "base/messages.h"
#include "data/ascii_format_dialog.h"
#include "data/import_field_dialogs.h"
#include "data/import_fields.h"
#include "data/lasfile/las_file.h"
#include "resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>
#include <string>

const char kExportNoFieldsText[] = "No point record items are selected for output!";
const char kExportStopQuestion[] = "Are you sure you want to stop the export?";
const char kExportStopCaption[] = "Stop Export";
const char kExportCompleteText[] = "Export Process Complete";
const char kExportCompleteCaption[] = "Export LAS";
const char kExportNoClassesQuestion[] =
    "No classes are selected for export, your export files will be empty!\n\nAre you sure you want to continue?";
const char kExportNoReturnsQuestion[] =
    "No return types are selected for export, your export files will be empty!\n\nAre you sure you want to continue?";
const char kExportAddFilesTitle[] = "Select LAS Files For Export";

constexpr int kPreviewPoints = 10;

// The one open export dialog.
static ConvertDialogState exportState;
static ExportSettings* exportSettings;
static HWND exportTips;

// ---- field list ---------------------------------------------------------------------------

static HWND FieldList(HWND dialog) { return GetDlgItem(dialog, IDC_EXPORT_FIELDS); }

// A row of a check-box list: the box in column 0, the text in column 1.
static void AddCheckRow(HWND list, int row, const char* text, bool checked)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = (char*)"";
    SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    item.iSubItem = 1;
    item.pszText = (char*)text;
    SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
    ListView_SetCheckState(list, row, checked ? TRUE : FALSE);
}

static void FillFieldRows(HWND dialog)
{
    HWND list = FieldList(dialog);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < exportSettings->fieldCount; i++) {
        const ExportField* f = exportSettings->fields[i];
        AddCheckRow(list, i, f->name, f->checked != 0);
    }
}

static void ReadFieldChecks(HWND dialog)
{
    HWND list = FieldList(dialog);
    for (int i = 0; i < exportSettings->fieldCount; i++)
        exportSettings->fields[i]->checked = ListView_GetCheckState(list, i) ? 1 : 0;
}

static void SelectFieldRow(HWND dialog, int row)
{
    HWND list = FieldList(dialog);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, row);
    ListView_EnsureVisible(list, row, FALSE);
}

static void SetupFieldList(HWND dialog)
{
    HWND list = FieldList(dialog);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (char*)"ON";
    column.cx = (int)SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, (LPARAM) "ON");
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (char*)"Point Record Items";
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    // Column 0 is not the last one, so this fits it to its header rather than the rest of the list.
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    int first = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1,
                 std::max(40, (int)(client.right - first - GetSystemMetrics(SM_CXVSCROLL))));
    FillFieldRows(dialog);
}

static void MoveField(HWND dialog, int step)
{
    ReadFieldChecks(dialog);
    int mark = ListView_GetSelectionMark(FieldList(dialog));
    int to = mark + step;
    if (mark < 0 || to < 0 || to >= exportSettings->fieldCount) {
        SelectFieldRow(dialog, 0);
        return;
    }
    std::swap(exportSettings->fields[mark], exportSettings->fields[to]);
    FillFieldRows(dialog);
    SelectFieldRow(dialog, to);
}

static void ToggleAllFields(HWND dialog)
{
    ReadFieldChecks(dialog);
    bool any = false;
    for (int i = 0; i < exportSettings->fieldCount; i++) any = any || exportSettings->fields[i]->checked;
    for (int i = 0; i < exportSettings->fieldCount; i++) exportSettings->fields[i]->checked = any ? 0 : 1;
    FillFieldRows(dialog);
}

// ---- dialog 318 ---------------------------------------------------------------------------

static void EnableFormatControls(HWND dialog, int format)
{
    BOOL ascii = format == kExportASCII;
    for (int id : { IDC_DELIMITER_GROUP, IDC_DELIMITER_SPACE, IDC_DELIMITER_COMMA, IDC_DELIMITER_TAB,
                    IDC_CONVERT_PREVIEW, IDC_EXPORT_HEADER })
        EnableWindow(GetDlgItem(dialog, id), ascii);
}

static INT_PTR OpenExportDialog(HWND dialog)
{
    exportState = {};
    exportState.job = CreateJobControl();
    exportSettings = NewExportSettings();
    if (!exportState.job || !exportSettings) {
        FreeJobControl(exportState.job);
        FreeExportSettings(exportSettings);
        exportSettings = nullptr;
        EndDialog(dialog, 0);
        return TRUE;
    }
    exportTips = CreateFieldListTooltips(dialog);
    CheckRadioButton(dialog, kExportASCII, kExportShapeZ, kExportASCII);
    CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, kDelimiterSpace);
    exportSettings->outputFormat = kExportASCII;
    exportSettings->delimiter = kDelimiterSpace;
    SetupFieldList(dialog);
    PlaceFieldListButtons(dialog);
    SelectFieldRow(dialog, 0);
    FillConvertFileRows(dialog, &exportState);
    SetConvertRunButtons(dialog, false, false, false);
    ShowConvertFolderControls(dialog);
    CenterOnFrame(dialog);
    return TRUE;
}

static void CloseExportDialog(HWND dialog)
{
    ClearFileList(&exportState.files);
    FreeExportSettings(exportSettings);
    exportSettings = nullptr;
    FreeJobControl(exportState.job);
    exportState.job = nullptr;
    if (exportTips) DestroyWindow(exportTips);
    exportTips = nullptr;
    EndDialog(dialog, 1);
}

static void ShowExportPreview(HWND dialog)
{
    if (exportState.files.count == 0) return;
    int row = (int)SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= exportState.files.count) {
        ErrorMessage(kNoFileSelected);
        return;
    }
    ReadFieldChecks(dialog);
    ExportPreviewArgs args = {};
    args.settings = exportSettings;
    snprintf(args.path, sizeof args.path, "%s", exportState.files.entries[row]->path);
    snprintf(args.title, sizeof args.title, "%s", exportState.files.entries[row]->title);
    ShowDialog(IDD_EXPORT_PREVIEW, dialog, ExportPreviewDlgProc, (LPARAM)&args);
}

static void StartExport(HWND dialog)
{
    if (exportState.files.count == 0) return;
    ReadFieldChecks(dialog);
    bool any = false;
    for (int i = 0; i < exportSettings->fieldCount; i++) any = any || exportSettings->fields[i]->checked;
    if (!any) {
        ErrorMessage(kExportNoFieldsText);
        return;
    }
    if (!TakeConvertFolder(dialog, &exportState, exportSettings->outputFolder)) return;
    exportSettings->dialog = dialog;
    if (IsDlgButtonChecked(dialog, exportSettings->delimiter) != BST_CHECKED)
        exportSettings->delimiter = CheckedDelimiter(dialog);
    SetConvertRunButtons(dialog, false, true, true);
    exportState.paused = 0;
    if (!StartExportThread(&exportState.files, exportSettings, exportState.job))
        SetConvertRunButtons(dialog, true, false, false);
}

static void IdleCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        CloseExportDialog(dialog);
        break;
    case IDC_CONVERT_ADD_FILES: {
        int before = exportState.files.count;
        OpenLASFilesDialog(dialog, &exportState.files, kExportAddFilesTitle);
        if (exportState.files.count != before) FillConvertFileRows(dialog, &exportState);
        break;
    }
    case IDC_CONVERT_REMOVE_FILE: {
        int row = (int)SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_GETCURSEL, 0, 0);
        if (row >= 0 && row < exportState.files.count) RemoveFileListEntry(&exportState.files, row);
        FillConvertFileRows(dialog, &exportState);
        break;
    }
    case IDC_CONVERT_REMOVE_ALL:
        ClearFileList(&exportState.files);
        FillConvertFileRows(dialog, &exportState);
        break;
    case IDC_DELIMITER_SPACE:
    case IDC_DELIMITER_COMMA:
    case IDC_DELIMITER_TAB:
        CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, id);
        exportSettings->delimiter = id;
        break;
    case IDC_EXPORT_ASCII:
    case IDC_EXPORT_SHAPE:
    case IDC_EXPORT_SHAPEZ:
        exportSettings->outputFormat = id;
        CheckRadioButton(dialog, kExportASCII, kExportShapeZ, id);
        EnableFormatControls(dialog, id);
        break;
    case IDC_EXPORT_HEADER:
        exportSettings->includeHeader = !exportSettings->includeHeader;
        break;
    case IDC_CONVERT_FOLDER_CHECK:
        ShowConvertFolderControls(dialog);
        break;
    case IDC_CONVERT_SET_FOLDER:
        ChooseConvertFolder(dialog, &exportState, "Export Output Directory");
        break;
    case IDC_FIELD_UP:
        MoveField(dialog, -1);
        break;
    case IDC_FIELD_DOWN:
        MoveField(dialog, 1);
        break;
    case IDC_EXPORT_FILTER_CONFIG:
        ShowDialog(IDD_EXPORT_FILTERS, dialog, ExportFiltersDlgProc, (LPARAM)exportSettings);
        break;
    case IDC_CONVERT_PREVIEW:
        ShowExportPreview(dialog);
        break;
    case IDC_CONVERT_HELP:
        ShowHelp("BatchExport.html");
        break;
    case IDC_CONVERT_START:
        StartExport(dialog);
        break;
    }
}

INT_PTR CALLBACK ExportLASDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OpenExportDialog(dialog);
    case WM_BATCH_DONE:
        EndConvertRun(dialog, &exportState, (const ConvertTally*)lParam, "Export", kExportCompleteCaption);
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        // The writer reads the field list throughout a run: it stays as it is.
        if (header->idFrom == IDC_EXPORT_FIELDS && header->code == LVN_COLUMNCLICK &&
            ((NMLISTVIEW*)lParam)->iSubItem == 0 && exportSettings && !JobBusy(exportState.job))
            ToggleAllFields(dialog);
        return FALSE;
    }
    case WM_COMMAND: {
        if (!exportSettings) return FALSE;
        int id = LOWORD(wParam);
        if (id == IDC_CONVERT_FILES) return FALSE;
        if (JobBusy(exportState.job))
            ConvertRunningCommand(dialog, &exportState, id, kExportStopQuestion, kExportStopCaption);
        else
            IdleCommand(dialog, id);
        return TRUE;
    }
    case WM_CLOSE:
        if (exportSettings && !JobBusy(exportState.job)) CloseExportDialog(dialog);
        return TRUE;
    }
    return FALSE;
}

// ---- dialog 215 ---------------------------------------------------------------------------

static ExportSettings* filterSettings;
static uint8_t keptClassFlags[256];
static uint8_t keptReturnFlags[4];
static const int kReturnBoxes[4] = { IDC_FILTER_SINGLE, IDC_FILTER_FIRST, IDC_FILTER_INTERMEDIATE, IDC_FILTER_LAST };

static int ClassRows() { return std::min<int>(std::max<int>(GlobalDisplaySettings.classTable.count, 0), 256); }

static void FillClassFilterRows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_FILTER_CLASSES);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const ClassTable& table = GlobalDisplaySettings.classTable;
    for (int i = 0; i < ClassRows(); i++) {
        char text[300];
        snprintf(text, sizeof text, " %3d - %s", i, table.entries[i].name);
        AddCheckRow(list, i, text, filterSettings->classFlags[i] != 0);
    }
}

static void OpenFilters(HWND dialog, ExportSettings* s)
{
    filterSettings = s;
    memcpy(keptClassFlags, s->classFlags, sizeof keptClassFlags);
    memcpy(keptReturnFlags, s->returnFlags, sizeof keptReturnFlags);
    HWND list = GetDlgItem(dialog, IDC_FILTER_CLASSES);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (char*)"ON";
    column.cx = 34;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (char*)"Class Name";
    column.cx = std::max(40, (int)(client.right - 34 - GetSystemMetrics(SM_CXVSCROLL)));
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    FillClassFilterRows(dialog);
    for (int k = 0; k < 4; k++) CheckDlgButton(dialog, kReturnBoxes[k], s->returnFlags[k] ? BST_CHECKED : BST_UNCHECKED);
    CenterOnFrame(dialog);
}

static void AcceptFilters(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_FILTER_CLASSES);
    bool anyClass = false;
    for (int i = 0; i < ClassRows(); i++) {
        filterSettings->classFlags[i] = ListView_GetCheckState(list, i) ? 1 : 0;
        anyClass = anyClass || filterSettings->classFlags[i];
    }
    if (!anyClass && ShowMessageBox(dialog, kExportNoClassesQuestion, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    bool anyReturn = false;
    for (int k = 0; k < 4; k++) {
        filterSettings->returnFlags[k] = IsDlgButtonChecked(dialog, kReturnBoxes[k]) == BST_CHECKED ? 1 : 0;
        anyReturn = anyReturn || filterSettings->returnFlags[k];
    }
    if (!anyReturn && ShowMessageBox(dialog, kExportNoReturnsQuestion, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ExportFiltersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenFilters(dialog, (ExportSettings*)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FILTER_ALL_ON:
        case IDC_FILTER_ALL_OFF:
            memset(filterSettings->classFlags, LOWORD(wParam) == IDC_FILTER_ALL_ON, sizeof filterSettings->classFlags);
            FillClassFilterRows(dialog);
            return TRUE;
        case IDC_FILTER_BARE_EARTH:
            memset(filterSettings->classFlags, 0, sizeof filterSettings->classFlags);
            filterSettings->classFlags[2] = filterSettings->classFlags[8] = 1;
            FillClassFilterRows(dialog);
            return TRUE;
        case IDOK:
            AcceptFilters(dialog);
            return TRUE;
        case IDCANCEL:
            memcpy(filterSettings->classFlags, keptClassFlags, sizeof keptClassFlags);
            memcpy(filterSettings->returnFlags, keptReturnFlags, sizeof keptReturnFlags);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---- dialog 319 ---------------------------------------------------------------------------

static void FillPreviewRows(HWND dialog, const ExportPreviewArgs* args)
{
    HWND list = GetDlgItem(dialog, IDC_EXPORT_PREVIEW_LIST);
    const ExportSettings* s = args->settings;
    char delimiter = s->delimiter == kDelimiterComma ? ',' : ' ';
    LASFile* las = OpenLASFile(args->path, LAS_MODE_READ);
    if (!las) {
        ReportConvertFailure(args->title, kExportOpenLASFailed, GetLastLASSystemError());
        EndDialog(dialog, 0);
        return;
    }
    std::vector<std::string> rows;
    if (s->includeHeader) rows.push_back(ExportHeaderLine(s, delimiter));
    int need = ExportRecordBytes(las->format);
    uint64_t wanted = std::min<uint64_t>(las->pointCount, kPreviewPoints);
    if (need && las->recordLength >= need) {
        uint64_t shown = 0;
        while (shown < wanted) {
            uint32_t got = 0;
            const uint8_t* run = ReadLASPointRun(las, (uint32_t)(wanted - shown), &got);
            if (!run || got == 0) break;
            for (uint32_t k = 0; k < got; k++) {
                ExportPoint p;
                DecodeExportPoint(run + (uint64_t)k * las->recordLength, las->format, &las->header, &p);
                rows.push_back(ExportPointLine(s, &p, delimiter));
            }
            shown += got;
        }
    }
    CloseLASFile(las);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessageA(list, WM_GETFONT, 0, 0));
    int widest = 0;
    for (const std::string& row : rows) {
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)row.c_str());
        widest = std::max(widest, GetTextWidth(dc, row.c_str()));
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    RECT client;
    GetClientRect(list, &client);
    if (widest > client.right) SendMessageA(list, LB_SETHORIZONTALEXTENT, widest + 16, 0);
}

INT_PTR CALLBACK ExportPreviewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const ExportPreviewArgs* args = (const ExportPreviewArgs*)lParam;
        char caption[300];
        snprintf(caption, sizeof caption, "Export Preview %s", args->title);
        SetWindowTextA(dialog, caption);
        SendDlgItemMessageA(dialog, IDC_EXPORT_PREVIEW_LIST, LB_RESETCONTENT, 0, 0);
        CenterOnFrame(dialog);
        FillPreviewRows(dialog, args);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
