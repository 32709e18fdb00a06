// The TIN display dialogs and the TIN class list. Every change goes straight
// into the view's record; the openers back the values up and put them back
// on Cancel.
#include "shell/tin_display.h"
#include "app/class_table.h"
#include "app/class_list_view.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "views/plan/view_mapping.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

bool TINPageOpened;
bool DisplaySheetCancelled;
bool AllClassesWarningShown;

const char kAllClassesContourWarning[] =
    "Using all point classes for contour generation may result in\n\"Out of memory\" errors and could cause "
    "application instability.\n\nAre you sure you want to continue?";

static HWND TINView;   // the view of the open TIN dialog (one at a time)

static void SetAllTIN(ViewRecord* r, int on)
{
    for (int i = 0; i < r->classTable.count && i < 256; i++) r->classTable.entries[i].tinDisplay = (uint8_t)on;
}

// --- the controls shared by the two dialogs ------------------------------------

int ScrollPosition(int code, int position, int thumb, int low, int high)
{
    switch (code) {
    case SB_LINELEFT: position -= 1; break;
    case SB_LINERIGHT: position += 1; break;
    case SB_PAGELEFT: position -= 5; break;
    case SB_PAGERIGHT: position += 5; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = thumb; break;
    default: return position;
    }
    return position < low ? low : position > high ? high : position;
}

static void ShowScrollValues(HWND dialog, const ViewRecord* r)
{
    char text[16];
    SetScrollPos(GetDlgItem(dialog, IDC_TIN_AZIMUTH), SB_CTL, r->lightAzimuth, TRUE);
    snprintf(text, sizeof text, "%d", r->lightAzimuth);
    SetDlgItemTextA(dialog, IDC_TIN_AZIMUTH_TEXT, text);
    SetScrollPos(GetDlgItem(dialog, IDC_TIN_ELEVATION), SB_CTL, r->lightElevation, TRUE);
    snprintf(text, sizeof text, "%d", r->lightElevation);
    SetDlgItemTextA(dialog, IDC_TIN_ELEVATION_TEXT, text);
    SetScrollPos(GetDlgItem(dialog, IDC_TIN_EXAGGERATION), SB_CTL, (int)(r->zExaggeration * 2.0f + 0.5f), TRUE);
    snprintf(text, sizeof text, "%.1f", r->zExaggeration);
    SetDlgItemTextA(dialog, IDC_TIN_EXAGG_TEXT, text);
}

static void InitTINControls(HWND dialog, const ViewRecord* r)
{
    SetScrollRange(GetDlgItem(dialog, IDC_TIN_AZIMUTH), SB_CTL, 0, 359, FALSE);
    SetScrollRange(GetDlgItem(dialog, IDC_TIN_ELEVATION), SB_CTL, 0, 90, FALSE);
    SetScrollRange(GetDlgItem(dialog, IDC_TIN_EXAGGERATION), SB_CTL, 1, 20, FALSE);
    ShowScrollValues(dialog, r);
    SetupTINClassList(dialog);
    FillTINClassList(dialog, r);
    CheckDlgButton(dialog, IDC_TIN_LOCAL_COLORS, r->scaleColorsToLocal ? BST_CHECKED : BST_UNCHECKED);
    static const char* palettes[5] = {" Blue to Red", " Earth Tones", " Gray", " Intensity Colors", " RGB Encoded"};
    HWND combo = GetDlgItem(dialog, IDC_COLOR_COMBO);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const char* p : palettes) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)p);
    SendMessageA(combo, CB_SETCURSEL, r->tinColorMode, 0);
    CenterOnFrame(dialog);
}

static void OnTINScroll(HWND dialog, ViewRecord* r, WPARAM wParam, LPARAM lParam)
{
    int id = GetDlgCtrlID((HWND)lParam);
    int code = LOWORD(wParam), thumb = (short)HIWORD(wParam);
    if (id == IDC_TIN_AZIMUTH) r->lightAzimuth = ScrollPosition(code, r->lightAzimuth, thumb, 0, 359);
    else if (id == IDC_TIN_ELEVATION) r->lightElevation = ScrollPosition(code, r->lightElevation, thumb, 0, 90);
    else if (id == IDC_TIN_EXAGGERATION)
        r->zExaggeration = 0.5f * (float)ScrollPosition(code, (int)(r->zExaggeration * 2.0f + 0.5f), thumb, 1, 20);
    ShowScrollValues(dialog, r);
}

static int PaletteChoice(HWND dialog, int current)
{
    int i = (int)SendDlgItemMessageA(dialog, IDC_COLOR_COMBO, CB_GETCURSEL, 0, 0);
    return i >= 0 && i <= 4 ? i : current;
}

// Header of column 0: every switch off when any is on, else all on.
static void ToggleAllTIN(HWND dialog, ViewRecord* r)
{
    ReadTINClassChecks(dialog, r);
    bool any = false;
    for (int i = 0; i < r->classTable.count && i < 256; i++) any = any || r->classTable.entries[i].tinDisplay;
    SetAllTIN(r, any ? 0 : 1);
    FillTINClassList(dialog, r);
}

static bool TINSwitchesDiffer(const ViewRecord* r, const uint8_t before[256])
{
    for (int i = 0; i < 256; i++)
        if (r->classTable.entries[i].tinDisplay != before[i]) return true;
    return false;
}

static void RememberTINSwitches(const ViewRecord* r, uint8_t out[256])
{
    for (int i = 0; i < 256; i++) out[i] = r->classTable.entries[i].tinDisplay;
}

static void RestoreTINSwitches(ViewRecord* r, const uint8_t in[256])
{
    for (int i = 0; i < 256; i++) r->classTable.entries[i].tinDisplay = in[i];
}

// --- "TIN" page and "TIN Display" ---------------------------------------------

static void PageChanged(HWND dialog)
{
    HWND sheet = GetParent(dialog);
    if (sheet) SendMessageA(sheet, PSM_CHANGED, (WPARAM)dialog, 0);
}

INT_PTR CALLBACK TINDisplayDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(TINView);
    switch (message) {
    case WM_INITDIALOG: {
        TINPageOpened = true;
        // As a page the parameter is the page record; as a dialog it is the view.
        bool page = (GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD) != 0;
        TINView = page ? (HWND)((PROPSHEETPAGEA*)lParam)->lParam : (HWND)lParam;
        r = ViewRecordOf(TINView);
        if (r) InitTINControls(dialog, r);
        return TRUE;
    }
    case WM_HSCROLL:
        if (r) OnTINScroll(dialog, r, wParam, lParam);
        PageChanged(dialog);
        return TRUE;
    case WM_COMMAND:
        if (!r) break;
        switch (LOWORD(wParam)) {
        case IDC_TIN_LOCAL_COLORS:
            r->scaleColorsToLocal = !r->scaleColorsToLocal;
            PageChanged(dialog);
            return TRUE;
        case IDC_ALL_ON:
        case IDC_ALL_OFF:
            SetAllTIN(r, LOWORD(wParam) == IDC_ALL_ON);
            FillTINClassList(dialog, r);
            PageChanged(dialog);
            return TRUE;
        case IDCANCEL:   // Escape on the stand-alone dialog
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        // The stand-alone dialog has no buttons: its close box keeps what was
        // set (the changes already went into the view).
        if (r) {
            r->tinColorMode = PaletteChoice(dialog, r->tinColorMode);
            ReadTINClassChecks(dialog, r);
        }
        EndDialog(dialog, 1);
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (!r) break;
        if (header->idFrom == IDC_TIN_CLASS_LIST) {
            if (header->code == NM_CLICK) PageChanged(dialog);
            if (header->code == LVN_COLUMNCLICK && ((NMLISTVIEW*)lParam)->iSubItem == 0) ToggleAllTIN(dialog, r);
            return TRUE;
        }
        switch (header->code) {
        case PSN_KILLACTIVE:
            r->tinColorMode = PaletteChoice(dialog, r->tinColorMode);
            ReadTINClassChecks(dialog, r);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
            return TRUE;
        case PSN_APPLY: {
            r->meshBuilt = 0;   // a grid's shades follow the new light and exaggeration
            r->tinColorMode = PaletteChoice(dialog, r->tinColorMode);
            uint8_t before[256];
            RememberTINSwitches(r, before);
            ReadTINClassChecks(dialog, r);
            for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
            if (TINSwitchesDiffer(r, before)) {
                RebuildViewTIN(TINView);
            } else {
                r->tinCacheValid = 0;
                InvalidateView(TINView, 1);
            }
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        case PSN_QUERYCANCEL:
            DisplaySheetCancelled = true;
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// The values both openers back up and put back on Cancel.
struct TINBackup {
    int azimuth, elevation, local, palette, autoDecimate;
    float exaggeration;
    uint8_t tin[256];
};

static TINBackup BackUpTIN(const ViewRecord* r)
{
    TINBackup b = {r->lightAzimuth, r->lightElevation, r->scaleColorsToLocal, r->tinColorMode, r->autoDecimateTIN,
                   r->zExaggeration, {}};
    RememberTINSwitches(r, b.tin);
    return b;
}

static void RestoreTIN(ViewRecord* r, const TINBackup& b)
{
    r->lightAzimuth = b.azimuth;
    r->lightElevation = b.elevation;
    r->scaleColorsToLocal = b.local;
    r->tinColorMode = b.palette;
    r->autoDecimateTIN = b.autoDecimate;
    r->zExaggeration = b.exaggeration;
    RestoreTINSwitches(r, b.tin);
}

int ShowTINDisplay(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    TINBackup backup = BackUpTIN(r);
    TINView = view;
    INT_PTR result = ShowDialog(IDD_TIN_DISPLAY, FrameWindow, TINDisplayDlgProc, (LPARAM)view);
    if (result == 2 || result == -1) {
        RestoreTIN(r, backup);
        return 1;
    }
    r->tinCacheValid = 0;
    r->glRebuildFlags[GL_LIST_TIN] = 0;
    if (TINSwitchesDiffer(r, backup.tin)) RebuildViewTIN(view);
    else InvalidateView(view, 1);
    return 1;
}

// --- "TIN Point Class Display" ------------------------------------------------------

static bool EveryClassInTIN(const ViewRecord* r)
{
    for (int i = 0; i < r->classTable.count && i < 256; i++)
        if (!r->classTable.entries[i].tinDisplay) return false;
    return true;
}

// The palette, the switches and the one-time warning of OK and Apply; false
// when the user said No (the switches are then as before).
static bool TakeTINChoices(HWND dialog, ViewRecord* r)
{
    r->tinColorMode = PaletteChoice(dialog, r->tinColorMode);
    uint8_t before[256];
    RememberTINSwitches(r, before);
    ReadTINClassChecks(dialog, r);
    if (EveryClassInTIN(r) && r->overlayContours && !AllClassesWarningShown) {
        AllClassesWarningShown = true;
        if (ShowMessageBox(dialog, kAllClassesContourWarning, "Warning", MB_YESNO | MB_ICONWARNING) == IDNO) {
            RestoreTINSwitches(r, before);
            FillTINClassList(dialog, r);
            return false;
        }
    }
    return true;
}

INT_PTR CALLBACK TINPointClassDisplayDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(TINView);
    switch (message) {
    case WM_INITDIALOG:
        TINView = (HWND)lParam;
        r = ViewRecordOf(TINView);
        if (!r) return TRUE;
        InitTINControls(dialog, r);
        CheckDlgButton(dialog, IDC_TIN_AUTO_DECIMATE, r->autoDecimateTIN ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_HSCROLL:
        if (r) OnTINScroll(dialog, r, wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        if (!r) {
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 2);
            break;
        }
        switch (LOWORD(wParam)) {
        case IDC_TIN_LOCAL_COLORS: r->scaleColorsToLocal = !r->scaleColorsToLocal; return TRUE;
        case IDC_TIN_AUTO_DECIMATE: r->autoDecimateTIN = !r->autoDecimateTIN; return TRUE;
        case IDC_ALL_ON:
        case IDC_ALL_OFF:
            SetAllTIN(r, LOWORD(wParam) == IDC_ALL_ON);
            FillTINClassList(dialog, r);
            return TRUE;
        case IDC_BARE_EARTH:
            for (ClassEntry& e : r->classTable.entries) e.tinDisplay = 0;
            r->classTable.entries[2].tinDisplay = r->classTable.entries[8].tinDisplay = 1;
            FillTINClassList(dialog, r);
            return TRUE;
        case IDC_EXIST_ONLY:
            ShowExistingClasses(TINView, &r->classTable, true);
            FillTINClassList(dialog, r);
            return TRUE;
        case IDOK:
            if (TakeTINChoices(dialog, r)) EndDialog(dialog, 1);
            return TRUE;
        case IDC_APPLY:
            if (!TakeTINChoices(dialog, r)) return TRUE;
            for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
            RebuildViewTIN(TINView);
            r->tinCacheValid = 0;
            InvalidateView(TINView, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (r && header->idFrom == IDC_TIN_CLASS_LIST && header->code == LVN_COLUMNCLICK &&
            ((NMLISTVIEW*)lParam)->iSubItem == 0)
            ToggleAllTIN(dialog, r);
        break;
    }
    }
    return FALSE;
}

int ShowTINPointClassDisplay(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    TINBackup backup = BackUpTIN(r);
    TINView = view;
    INT_PTR result = ShowDialog(IDD_TIN_CLASS_DISPLAY, FrameWindow, TINPointClassDisplayDlgProc, (LPARAM)view);
    if (result == 2 || result == -1) RestoreTIN(r, backup);
    r->tinCacheValid = 0;
    r->glRebuildFlags[GL_LIST_TIN] = r->glRebuildFlags[GL_LIST_POINTS] = 0;
    if (r->displayMode == CMD_COLOR_TIN || r->displayMode == CMD_GRAY_TIN) RebuildViewTIN(view);
    InvalidateView(view, 1);
    return 1;
}
