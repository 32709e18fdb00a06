// "Display Settings": the class table of a view edited on the "Point Classes"
// page, the TIN settings on the "TIN" page. The pages change the view's
// record directly; Cancel puts back what the sheet backed up when it opened.
#include "shell/display_settings_dialog.h"
#include "app/class_list_view.h"
#include "app/class_table.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "shell/tin_display.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/edit_limit.h"
#include "base/messages.h"
#include "base/text.h"
#include "views/plan/profile_box.h"
#include "views/plan/view_mapping.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

const char kClassNameEmptyText[] = "Class Name is empty!";
static const char kEmptyName[] = "<EMPTY>";

// The state of the one sheet that can be open.
static HWND SheetView;
static int ApplyChoice = IDC_APPLY_FILE_ONLY;
static HWND PageTooltips;

static void Redraw(HWND view) { InvalidateView(view, 1); }

// --- "New Class" / "Edit Class" ---------------------------------------------------

static COLORREF EditMain, EditProfile;
// The name as the editor last held it within the entry's bytes.
static std::u16string EditNameKept;

// The name edit takes no more than the entry holds: its character limit
// alone would let a name of letters outside ASCII pass the bytes and be cut
// at OK, where the user does not see it.
static void LimitNameEdit(HWND dialog)
{
    EditNameKept.clear();
    SendDlgItemMessageA(dialog, IDC_EDIT_NAME, EM_LIMITTEXT, sizeof(ClassEntry{}.name) - 1, 0);
}

static void UpdateEditColour(HWND dialog, int id) { InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE); }

// Reads the name field into the entry: at most what the entry holds, always
// terminated. False (and the user told) when it is empty.
static bool TakeClassName(HWND dialog, ClassEntry* entry)
{
    char name[256] = "";
    GetDialogText(dialog, IDC_EDIT_NAME, name, 255);
    if (!name[0]) {
        // Owned by the editor, so that it and the settings sheet stay in front.
        ShowMessageBox(dialog, kClassNameEmptyText, "ERROR", MB_OK | MB_ICONERROR);
        return false;
    }
    CopyBounded(entry->name, sizeof entry->name, name);
    return true;
}

// What both procedures do alike: the colour buttons and Cancel. True when handled.
static bool ClassEditCommon(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* item = (DRAWITEMSTRUCT*)lParam;
        FillColorSwatch(item->CtlID == IDC_EDIT_MAIN ? EditMain : EditProfile, item->hDC, &item->rcItem);
        RECT edge = item->rcItem;   // a white swatch still shows where it is
        DrawEdge(item->hDC, &edge, EDGE_SUNKEN, BF_RECT);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return true;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EDIT_NAME:
            if (HIWORD(wParam) != EN_CHANGE) return false;
            KeepEditWithinBytes((HWND)lParam, sizeof(ClassEntry{}.name) - 1, &EditNameKept);
            return true;
        case IDC_EDIT_MAIN:
        case IDC_EDIT_PROFILE: {
            if (HIWORD(wParam) != BN_CLICKED) return false;
            COLORREF* colour = LOWORD(wParam) == IDC_EDIT_MAIN ? &EditMain : &EditProfile;
            COLORREF chosen;
            if (PickColor(dialog, *colour, &chosen)) {
                *colour = chosen;
                UpdateEditColour(dialog, LOWORD(wParam));
            }
            return true;
        }
        case IDCANCEL:
            EndDialog(dialog, 2);
            return true;
        }
        break;
    }
    return false;
}

INT_PTR CALLBACK NewClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = (ViewRecord*)GetWindowLongPtrA(dialog, DWLP_USER);
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        r = (ViewRecord*)lParam;
        EditMain = EditProfile = RGB(255, 255, 255);
        SetWindowTextA(dialog, "Create New Class");
        LimitNameEdit(dialog);
        HWND combo = GetDlgItem(dialog, IDC_EDIT_CODE);
        for (int c = 0; c < 256; c++) {
            if (strcmp(r->classTable.entries[c].name, kEmptyName) != 0) continue;
            char text[8];
            snprintf(text, sizeof text, "%d", c);
            int at = (int)SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
            SendMessageA(combo, CB_SETITEMDATA, at, c);
        }
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        CenterOnFrame(dialog);
        return TRUE;
    }
    if (!r) return FALSE;
    if (ClassEditCommon(dialog, message, wParam, lParam)) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        HWND combo = GetDlgItem(dialog, IDC_EDIT_CODE);
        int at = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
        ClassEntry scratch = {};
        if (!TakeClassName(dialog, &scratch)) return TRUE;
        if (at < 0) {
            EndDialog(dialog, 2);   // no free code to take the class
            return TRUE;
        }
        int code = (int)SendMessageA(combo, CB_GETITEMDATA, at, 0);
        ClassEntry& e = r->classTable.entries[code];
        memcpy(e.name, scratch.name, sizeof e.name);
        e.mainColor = EditMain;
        e.profileColor = EditProfile;
        e.display = 1;
        if (code >= r->classTable.count) r->classTable.count = code + 1;
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

static ClassEntry* MarkedEntry(ViewRecord* r)
{
    for (ClassEntry& e : r->classTable.entries)
        if (e.display == 2) return &e;
    return nullptr;
}

static ClassEntry* EditedEntry;

INT_PTR CALLBACK EditClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ViewRecord* r = (ViewRecord*)lParam;
        EditedEntry = r ? MarkedEntry(r) : nullptr;
        SetWindowTextA(dialog, "Edit Class");
        EnableWindow(GetDlgItem(dialog, IDC_EDIT_CODE), FALSE);
        LimitNameEdit(dialog);
        if (EditedEntry) {
            char text[8];
            snprintf(text, sizeof text, "%d", (int)(EditedEntry - r->classTable.entries));
            SendDlgItemMessageA(dialog, IDC_EDIT_CODE, CB_ADDSTRING, 0, (LPARAM)text);
            SendDlgItemMessageA(dialog, IDC_EDIT_CODE, CB_SETCURSEL, 0, 0);
            SetDlgItemTextA(dialog, IDC_EDIT_NAME, EditedEntry->name);
            EditMain = EditedEntry->mainColor;
            EditProfile = EditedEntry->profileColor;
            EditedEntry->display = 1;   // the mark goes; the class is shown, also after Cancel
        }
        CenterOnFrame(dialog);
        return TRUE;
    }
    if (!EditedEntry) {
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) EndDialog(dialog, 2);
        return FALSE;
    }
    if (ClassEditCommon(dialog, message, wParam, lParam)) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        if (!TakeClassName(dialog, EditedEntry)) return TRUE;
        EditedEntry->mainColor = EditMain;
        EditedEntry->profileColor = EditProfile;
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

// --- the "Point Classes" page ----------------------------------------------------

static void PageChanged(HWND page) { SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0); }

static void Refill(HWND page, ViewRecord* r, int select)
{
    FillClassListView(page, &r->classTable);
    SelectClassRow(page, select);
}

static void DeleteClass(ClassTable* t, int row)
{
    ClassEntry& e = t->entries[row];
    e.display = 0;
    CopyBounded(e.name, sizeof e.name, kEmptyName);
    e.mainColor = e.profileColor = RGB(255, 255, 255);
    int count = 0;
    for (int c = 0; c < 256; c++)
        if (strcmp(t->entries[c].name, kEmptyName) != 0) count = c + 1;
    t->count = count;
}

static void OnPageCommand(HWND page, ViewRecord* r, int id)
{
    ClassTable* t = &r->classTable;
    int row = SelectedClassRow(page);
    switch (id) {
    case IDC_CLASS_ADD:
        if (ShowDialog(IDD_CLASS_EDIT, page, NewClassDlgProc, (LPARAM)r) == 1) Refill(page, r, 0);
        break;
    case IDC_CLASS_EDIT:
        if (row < 0 || row >= t->count) return;
        // The boxes into the table first: the list is filled from it again below.
        ReadClassListChecks(page, t);
        t->entries[row].display = 2;
        ShowDialog(IDD_CLASS_EDIT, page, EditClassDlgProc, (LPARAM)r);
        if (t->entries[row].display == 2) t->entries[row].display = 1;   // a dialog that never opened
        // The editor shows the class again, after Cancel too: so must its box,
        // or OK would take the stale box back into the table.
        FillClassListView(page, t);
        SelectClassRow(page, row);
        break;
    case IDC_CLASS_DELETE:
        if (row < 0 || row >= t->count) return;
        DeleteClass(t, row);
        Refill(page, r, row > 0 ? row - 1 : 0);
        break;
    // The file dialogs belong to the sheet, which they give the input back to.
    case IDC_CLASS_SAVE:
        if (SaveClassListFile(t, GetParent(page))) SetDlgItemTextA(page, IDC_CLASS_TITLE, t->title);
        SelectClassRow(page, row);
        break;
    case IDC_CLASS_LOAD:
        if (LoadClassListFile(t, GetParent(page))) {
            r->classSelection.targetClass = 0;   // the loaded list may not hold the old one
            Refill(page, r, 0);
            SetDlgItemTextA(page, IDC_CLASS_TITLE, t->title);
        } else {
            SelectClassRow(page, row);
        }
        break;
    case IDC_ALL_ON:
    case IDC_ALL_OFF:
        SetAllClassDisplay(t, id == IDC_ALL_ON);
        FillClassListView(page, t);
        break;
    case IDC_APPLY_FILE_ONLY:
    case IDC_APPLY_GLOBAL:
        ApplyChoice = id;
        CheckRadioButton(page, IDC_APPLY_FILE_ONLY, IDC_APPLY_GLOBAL, id);
        return;   // no change notice
    default:
        return;
    }
    PageChanged(page);
}

INT_PTR CALLBACK PointClassesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(SheetView);
    switch (message) {
    case WM_INITDIALOG:
        SheetView = (HWND)((PROPSHEETPAGEA*)lParam)->lParam;
        r = ViewRecordOf(SheetView);
        PageTooltips = CreateClassPageTooltips(page);
        if (!r) return TRUE;
        SetDlgItemTextA(page, IDC_CLASS_TITLE, r->classTable.title);
        SetupClassListView(page, GetDlgItem(page, IDC_CLASS_LIST));
        Refill(page, r, 0);
        ApplyChoice = IDC_APPLY_FILE_ONLY;
        CheckRadioButton(page, IDC_APPLY_FILE_ONLY, IDC_APPLY_GLOBAL, IDC_APPLY_FILE_ONLY);
        return TRUE;
    case WM_COMMAND:
        if (r && HIWORD(wParam) == BN_CLICKED) OnPageCommand(page, r, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (!r) break;
        if (header->idFrom == IDC_CLASS_LIST) {
            ClassListChange change = OnClassListNotify(page, header, &r->classTable);
            if (change != CLASS_LIST_NONE) PageChanged(page);
            return TRUE;
        }
        switch (header->code) {
        case PSN_SETACTIVE:
            Refill(page, r, 0);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_KILLACTIVE:
            ReadClassListChecks(page, &r->classTable);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, FALSE);
            return TRUE;
        case PSN_APPLY:
            if (!TINPageOpened) Redraw(SheetView);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        case PSN_QUERYCANCEL:
            DisplaySheetCancelled = true;
            SetWindowLongPtrA(page, DWLP_MSGRESULT, FALSE);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// --- the sheet ---------------------------------------------------------------------

int CALLBACK DisplaySettingsSheetCallback(HWND, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE && lParam) {
        // No help button: DS_CONTEXTHELP off in whichever template form it is.
        DLGTEMPLATE* plain = (DLGTEMPLATE*)lParam;
        WORD* words = (WORD*)lParam;
        if (words[0] == 1 && words[1] == 0xFFFF) {
            DWORD* style = (DWORD*)(words + 6);   // after version, signature, help id and extended style
            *style &= ~(DWORD)DS_CONTEXTHELP;
        } else {
            plain->style &= ~(DWORD)DS_CONTEXTHELP;
        }
    }
    return 1;
}

struct SheetCall {
    PROPSHEETHEADERA* header;
};

static INT_PTR OpenSheet(void* context) { return PropertySheetA(((SheetCall*)context)->header); }

int ShowDisplaySettings(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    DisplaySheetCancelled = false;
    TINPageOpened = false;
    // What Cancel puts back: the view's class table and TIN settings, and the
    // global template (a page may have applied to it).
    ClassTable* tableBackup = new ClassTable(r->classTable);
    struct {
        int azimuth, elevation, local, palette;
        float exaggeration;
    } tin = {r->lightAzimuth, r->lightElevation, r->scaleColorsToLocal, r->tinColorMode, r->zExaggeration};
    DisplaySettings* globalBackup = new DisplaySettings(GlobalDisplaySettings);

    PROPSHEETPAGEA pages[2] = {};
    for (PROPSHEETPAGEA& p : pages) {
        p.dwSize = sizeof p;
        p.hInstance = GetModuleHandleA(nullptr);
        p.lParam = (LPARAM)view;
    }
    pages[0].pszTemplate = MAKEINTRESOURCEA(IDD_POINT_CLASSES);
    pages[0].pfnDlgProc = PointClassesPageProc;
    pages[1].dwFlags = PSP_USETITLE;
    pages[1].pszTitle = "TIN";
    pages[1].pszTemplate = MAKEINTRESOURCEA(IDD_TIN_DISPLAY);
    pages[1].pfnDlgProc = TINDisplayDlgProc;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
    header.hwndParent = view;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = "Display Settings";
    header.nPages = 2;
    header.nStartPage = 0;
    header.ppsp = pages;
    header.pfnCallback = DisplaySettingsSheetCallback;
    SheetView = view;
    SheetCall call = {&header};
    INT_PTR result = RunModal(IDD_DISPLAY_SETTINGS, OpenSheet, &call);

    if (result <= 0 || DisplaySheetCancelled) {
        r->classTable = *tableBackup;
        r->lightAzimuth = tin.azimuth;
        r->lightElevation = tin.elevation;
        r->scaleColorsToLocal = tin.local;
        r->tinColorMode = tin.palette;
        r->zExaggeration = tin.exaggeration;
        GlobalDisplaySettings = *globalBackup;
    } else {
        // The ground class always goes into the TIN.
        ClassTable& t = r->classTable;
        if (tableBackup->groundCode >= 0 && tableBackup->groundCode < 256)
            t.entries[tableBackup->groundCode].tinDisplay = 0;
        if (t.groundCode >= 0 && t.groundCode < 256) t.entries[t.groundCode].tinDisplay = 1;
        if (ApplyChoice == IDC_APPLY_GLOBAL) CopyViewToGlobalSettings(r);
        bool tinChanged = false, allInTIN = true;
        for (int i = 0; i < 256; i++) {
            tinChanged = tinChanged || t.entries[i].tinDisplay != tableBackup->entries[i].tinDisplay;
            if (i < t.count) allInTIN = allInTIN && t.entries[i].tinDisplay;
        }
        r->tinCacheValid = 0;
        r->glRebuildFlags[GL_LIST_TIN] = r->glRebuildFlags[GL_LIST_POINTS] = 0;
        if (tinChanged) RebuildViewTIN(view);
        if (allInTIN) r->contourSettings[0] = 0;
    }
    r->tinCacheValid = 0;
    r->glRebuildFlags[GL_LIST_TIN] = r->glRebuildFlags[GL_LIST_POINTS] = 0;
    Redraw(view);
    if (r->profileWindow) {
        RefreshProfileBox(view);
        InvalidateView(r->profileWindow, 0);
    }
    if (PageTooltips) DestroyWindow(PageTooltips);
    PageTooltips = nullptr;
    delete tableBackup;
    delete globalBackup;
    return 1;
}
