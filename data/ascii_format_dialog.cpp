// Dialog 344: lists the ASCII files of an opening, maps their columns and
// chooses the delimiter. Rows of the file list map to entries of the caller's
// FileList, which may also hold files of other kinds.
#include "data/ascii_format_dialog.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/import_field_dialogs.h"
#include "data/import_fields.h"
#include "base/shell_hooks.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/messages.h"
#include <cstring>
#include <vector>

const char kNoFilesSelected[] = "No files have been selected.";
const char kNoFileSelected[] = "No file is selected.";

// The working state of the one open dialog.
static FileList* dialogFiles;
static std::vector<int> rowEntries;  // list row -> index into dialogFiles
static HFONT listFont;
static HWND listTips;

static void FillFileRows(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_ASCII_FILES);
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    rowEntries.clear();
    FileList shown = {};
    for (int i = 0; dialogFiles && i < dialogFiles->count; i++) {
        FileListEntry* e = dialogFiles->entries[i];
        if (!e || e->kind != DATA_ASCII) continue;
        SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)e->path);
        rowEntries.push_back(i);
    }
    // The extent is measured over the rows shown, which are ASCII entries only.
    std::vector<FileListEntry*> rows;
    for (int i : rowEntries) rows.push_back(dialogFiles->entries[i]);
    shown.count = (int32_t)rows.size();
    shown.entries = rows.data();
    SetListBoxExtent(box, &shown);
}

static int SelectedRow(HWND dialog, int id)
{
    return (int)SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0);
}

static void RefillFields(HWND dialog, int importSelection)
{
    ShowFieldLists(dialog, asciiFieldList, asciiAvailableFields);
    if (importSelection >= 0) SendDlgItemMessageA(dialog, IDC_FIELDS_IMPORT, LB_SETCURSEL, importSelection, 0);
}

static bool EnsureFieldLists()
{
    if (!asciiFieldList) asciiFieldList = NewXYZFieldList();
    if (!asciiAvailableFields) asciiAvailableFields = NewAvailableFieldList();
    return asciiFieldList && asciiAvailableFields;
}

static void ShowPreview(HWND dialog)
{
    if (rowEntries.empty()) {
        ErrorMessage(kNoFilesSelected);
        return;
    }
    int row = SelectedRow(dialog, IDC_ASCII_FILES);
    if (row < 0 || row >= (int)rowEntries.size()) {
        ErrorMessage(kNoFileSelected);
        return;
    }
    const FileListEntry* e = dialogFiles->entries[rowEntries[row]];
    ImportPreviewParams params = {};
    params.fields = asciiFieldList;
    memcpy(params.path, e->path, sizeof params.path);
    memcpy(params.title, e->title, sizeof params.title);
    ShowDialog(IDD_IMPORT_PREVIEW, dialog, ImportPreviewDlgProc, (LPARAM)&params);
}

static void RemoveSelectedFile(HWND dialog)
{
    int row = SelectedRow(dialog, IDC_ASCII_FILES);
    if (row < 0 || row >= (int)rowEntries.size()) return;
    RemoveFileListEntry(dialogFiles, rowEntries[row]);
    FillFileRows(dialog);
}

static void ReleaseDialogState()
{
    if (listFont) DeleteObject(listFont);
    if (listTips) DestroyWindow(listTips);
    listFont = nullptr;
    listTips = nullptr;
    rowEntries.clear();
    dialogFiles = nullptr;
}

static INT_PTR Initialise(HWND dialog, FileList* files)
{
    dialogFiles = files;
    FillFileRows(dialog);
    SendDlgItemMessageA(dialog, IDC_ASCII_FILES, LB_SETCURSEL, 0, 0);
    listTips = CreateFieldListTooltips(dialog);
    PlaceFieldListButtons(dialog);
    listFont = SetFieldListFont(dialog);
    CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, kDelimiterSpace);
    if (!EnsureFieldLists()) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    asciiFieldList->delimiter = kDelimiterSpace;
    ShowFieldLists(dialog, asciiFieldList, asciiAvailableFields);
    SendDlgItemMessageA(dialog, IDC_FIELDS_IMPORT, LB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(dialog, IDC_FIELDS_AVAILABLE, LB_SETCURSEL, 0, 0);
    CenterOnFrame(dialog);
    return TRUE;
}

static void Command(HWND dialog, int id)
{
    int selected = SelectedRow(dialog, IDC_FIELDS_IMPORT);
    switch (id) {
    case IDOK:
        if (dialogFiles && dialogFiles->count > 0) {
            if (IsDlgButtonChecked(dialog, kDelimiterComma) == BST_CHECKED) asciiFieldList->delimiter = kDelimiterComma;
            else if (IsDlgButtonChecked(dialog, kDelimiterTab) == BST_CHECKED) asciiFieldList->delimiter = kDelimiterTab;
            else asciiFieldList->delimiter = kDelimiterSpace;
        }
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL:
        if (dialogFiles) ClearFileList(dialogFiles);
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_ASCII_REMOVE_ALL:
        ClearFileList(dialogFiles);
        FillFileRows(dialog);
        break;
    case kDelimiterSpace:
    case kDelimiterComma:
    case kDelimiterTab:
        CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, id);
        asciiFieldList->delimiter = id;
        break;
    case IDC_FIELD_UP:
        if (selected >= 1 && selected < asciiFieldList->count) {
            std::swap(asciiFieldList->entries[selected], asciiFieldList->entries[selected - 1]);
            RefillFields(dialog, selected - 1);
        }
        break;
    case IDC_FIELD_DOWN:
        if (selected >= 0 && selected + 1 < asciiFieldList->count) {
            std::swap(asciiFieldList->entries[selected], asciiFieldList->entries[selected + 1]);
            RefillFields(dialog, selected + 1);
        }
        break;
    case IDC_FIELD_RIGHT: {
        // Rows of the available box are its non-null slots, which lie at its start.
        int row = SelectedRow(dialog, IDC_FIELDS_AVAILABLE);
        if (row >= 0 && MoveImportField(asciiFieldList, asciiAvailableFields, row)) RefillFields(dialog, -1);
        break;
    }
    case IDC_FIELD_LEFT:
        if (selected >= 0 && RemoveImportField(asciiFieldList, asciiAvailableFields, selected)) RefillFields(dialog, -1);
        break;
    case IDC_ASCII_REMOVE_FILE:
        RemoveSelectedFile(dialog);
        break;
    case IDC_ASCII_PREVIEW:
        ShowPreview(dialog);
        break;
    case IDC_ASCII_HELP:
        ShowHelp("BatchImport.html");
        break;
    }
}

INT_PTR CALLBACK LoadASCIIFormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return Initialise(dialog, (FileList*)lParam);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 0) {
            Command(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        ReleaseDialogState();
        break;
    }
    return FALSE;
}
