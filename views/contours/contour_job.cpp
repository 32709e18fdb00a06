// The contour list, the contour job and the "Contour Parameters" dialog.
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/grid_contours.h"
#include "views/contours/tin_contours.h"
#include "views/plan/view_mapping.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/class_list_view.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/heap.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const char kNoContourClassText[] = "At least one point class must be selected.";
const char kAllClassesWarningText[] =
    "Using all point classes for contour generation may result in\n\"Out of memory\" errors and could cause "
    "application instability.\n\nAre you sure you want to continue?";
const char kContourIntervalText[] = "Contour Interval must be greater than zero:\n\n    %.1lf";
const char kContourLevelsText[] = "Contour Interval %g gives %lld contour levels:\n\n    no more than %d can be drawn.";

// The view whose contours the running job makes; 0 when none runs.
static volatile HWND ContourJobView;

ContourList* NewContourList()
{
    ContourList* list = (ContourList*)NBLCalloc(1, sizeof(ContourList));
    if (!list) return nullptr;
    list->lines = (struct Polyline**)NBLCalloc(1, sizeof(struct Polyline*));
    if (!list->lines) {
        NBLFree(list);
        return nullptr;
    }
    return list;
}

// The array holds at least count + 1 pointers; it grows in powers of two so
// that long lists are not copied at every line.
static uint64_t SlotsFor(uint64_t needed)
{
    uint64_t slots = 1;
    while (slots < needed) slots *= 2;
    return slots;
}

int AppendContourLine(ContourList* list, struct Polyline* line)
{
    uint64_t have = SlotsFor((uint64_t)list->count + 1), need = SlotsFor((uint64_t)list->count + 2);
    if (need > have) {
        struct Polyline** grown = (struct Polyline**)NBLReCalloc(list->lines, need * sizeof(struct Polyline*));
        if (!grown) return 0;
        list->lines = grown;
    }
    list->lines[list->count++] = line;
    return 1;
}

int64_t CountContourLevels(double low, double high, double interval)
{
    if (!(interval > 0) || !std::isfinite(low / interval) || !std::isfinite(high / interval)) return INT64_MAX;
    if (high < low) return 0;
    double count = std::floor(high / interval) - std::ceil(low / interval) + 1;
    if (count <= 0) return 0;
    return count >= 9.0e18 ? INT64_MAX : (int64_t)count;
}

JobControl* AppJobControl() { return FrameWindow ? (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB) : nullptr; }

static bool IsGridView(const ViewRecord* r) { return r->dataKind == 3 || r->dataKind == 4; }

int StartContourJob(HWND view, LPTHREAD_START_ROUTINE proc)
{
    JobControl* app = AppJobControl();
    if (!app) return 0;
    WaitForObjectPumping(app->mutex);
    BeginAppJob();
    ContourJobView = view;
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, proc, view, 0, &id);
    if (thread) {
        app->thread = thread;
    } else {
        ContourJobView = nullptr;
        EndAppJob();
    }
    ReleaseMutex(app->mutex);
    return thread ? 1 : 0;
}

int StartContourThread(HWND view)
{
    JobControl* app = AppJobControl();
    ViewRecord* r = ViewRecordOf(view);
    if (!app || !r || JobBusy(app)) return 0;
    if (IsGridView(r)) return StartGridContourThread(view);
    if (!r->tin) return 0;
    return StartContourJob(view, TINContourThread);
}

void EndContourJob(HWND view, int posted)
{
    JobControl* app = AppJobControl();
    ContourJobView = nullptr;
    EndAppJob();
    ReleaseMutex(app->mutex);
    if (posted) PostMessageA(view, WM_JOB_DONE, 1, 0);
}

void CancelContourJobOf(HWND view)
{
    JobControl* app = AppJobControl();
    if (app && view && ContourJobView == view) CancelJobAndWait(app);
}

int ContourSettings(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || IsAppJobBusy()) return 0;
    float before = r->contourInterval;
    if (ShowDialog(IDD_CONTOUR_PARAMS, FrameWindow, ContourParamsDlgProc, (LPARAM)view) != 1) return 0;
    if (r->contourInterval != before && r->overlayContours) {
        // The draw thread may be drawing the old lines: stop it and hold the
        // view's lock while they go.
        JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
        CancelViewDraw(view);
        if (job) WaitForObjectPumping(job->mutex);
        FreeContourList(r->contours);
        r->contours = nullptr;
        if (job) ReleaseMutex(job->mutex);
        StartContourThread(view);
    }
    InvalidateView(view, 1);
    return 1;
}

// --- dialog IDD_CONTOUR_PARAMS ------------------------------------------------------

static HWND dialogView;
static ViewRecord* dialogRecord;
static COLORREF indexColor, intermediateColor;

static void SetAllClasses(HWND dialog, int on)
{
    for (int c = 0; c < 256; c++) dialogRecord->classTable.entries[c].tinDisplay = (uint8_t)on;
    FillTINClassList(dialog, dialogRecord);
}

static void BareEarthClasses()
{
    for (int c = 0; c < 256; c++) dialogRecord->classTable.entries[c].tinDisplay = 0;
    dialogRecord->classTable.entries[2].tinDisplay = 1;
    dialogRecord->classTable.entries[8].tinDisplay = 1;
}

static int FlaggedClasses(int* all)
{
    int n = 0, count = dialogRecord->classTable.count;
    for (int c = 0; c < count && c < 256; c++) n += dialogRecord->classTable.entries[c].tinDisplay != 0;
    *all = count > 0 && n == count;
    return n;
}

// The levels the interval gives over the heights of the view's data sets.
static int64_t ViewContourLevels(const ViewRecord* r, double interval)
{
    bool any = false;
    double low = 0, high = 0;
    for (int i = 0; r->dataSets && i < r->dataSetCount; i++) {
        const DataSet* set = r->dataSets[i];
        if (!set) continue;
        low = any ? std::min(low, (double)set->minZ) : set->minZ;
        high = any ? std::max(high, (double)set->maxZ) : set->maxZ;
        any = true;
    }
    return any ? CountContourLevels(low, high, interval) : 0;
}

static BOOL ConfirmContourParams(HWND dialog)
{
    ReadTINClassChecks(dialog, dialogRecord);
    int all;
    if (FlaggedClasses(&all) == 0) {
        ShowMessageBox(dialog, kNoContourClassText, "Error", MB_OK | MB_ICONERROR);
        return TRUE;
    }
    if (all && ShowMessageBox(dialog, kAllClassesWarningText, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES)
        return TRUE;
    char text[255];
    GetDlgItemTextA(dialog, IDC_CONTOUR_INTERVAL, text, sizeof text);
    double interval = atof(text);
    if (!(interval > 0)) {
        char message[200];
        snprintf(message, sizeof message, kContourIntervalText, interval);
        ShowMessageBox(dialog, message, "Error", MB_OK | MB_ICONERROR);
        return TRUE;
    }
    int64_t levels = ViewContourLevels(dialogRecord, interval);
    if (levels > kMaxContourLevels) {
        char message[200];
        snprintf(message, sizeof message, kContourLevelsText, interval, (long long)levels, kMaxContourLevels);
        ShowMessageBox(dialog, message, "Error", MB_OK | MB_ICONERROR);
        return TRUE;
    }
    dialogRecord->contourIndexColor = indexColor;
    dialogRecord->contourIntermediateColor = intermediateColor;
    dialogRecord->contourInterval = (float)interval;
    dialogRecord->contourSettings[0] = 1;
    RebuildViewTIN(dialogView);
    EndDialog(dialog, 1);
    return TRUE;
}

INT_PTR CALLBACK ContourParamsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        dialogView = (HWND)lParam;
        dialogRecord = ViewRecordOf(dialogView);
        if (!dialogRecord) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        char text[64];
        snprintf(text, sizeof text, "%.1f", dialogRecord->contourInterval);
        SetDlgItemTextA(dialog, IDC_CONTOUR_INTERVAL, text);
        if (!dialogRecord->contourSettings[0]) BareEarthClasses();
        SetupTINClassList(dialog);
        FillTINClassList(dialog, dialogRecord);
        indexColor = dialogRecord->contourIndexColor;
        intermediateColor = dialogRecord->contourIntermediateColor;
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        if (item->CtlID == IDC_CONTOUR_INDEX_COLOR) FillColorSwatch(indexColor, item->hDC, &item->rcItem);
        else if (item->CtlID == IDC_CONTOUR_INTER_COLOR) FillColorSwatch(intermediateColor, item->hDC, &item->rcItem);
        else return FALSE;
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* header = (const NMHDR*)lParam;
        if (header->idFrom == IDC_TIN_CLASS_LIST && header->code == LVN_COLUMNCLICK &&
            ((const NMLISTVIEW*)lParam)->iSubItem == 0) {
            ReadTINClassChecks(dialog, dialogRecord);
            int all;
            SetAllClasses(dialog, FlaggedClasses(&all) ? 0 : 1);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONTOUR_INDEX_COLOR:
        case IDC_CONTOUR_INTER_COLOR: {
            COLORREF* colour = LOWORD(wParam) == IDC_CONTOUR_INDEX_COLOR ? &indexColor : &intermediateColor;
            if (PickColor(dialog, *colour, colour)) InvalidateRect(GetDlgItem(dialog, LOWORD(wParam)), nullptr, TRUE);
            return TRUE;
        }
        case IDC_ALL_ON: SetAllClasses(dialog, 1); return TRUE;
        case IDC_ALL_OFF: SetAllClasses(dialog, 0); return TRUE;
        case IDC_BARE_EARTH:
            BareEarthClasses();
            FillTINClassList(dialog, dialogRecord);
            return TRUE;
        case IDOK: return ConfirmContourParams(dialog);
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        }
        break;
    }
    return FALSE;
}
