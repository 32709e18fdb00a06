// World-to-pixel mapping of the plan view, its extents and fitting, the
// display-mode toggles and the rules for dropping and rebuilding the TIN.
#include "views/plan/view_mapping.h"
#include "views/plan/draw_grid.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "resource.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/view_selection.h"
#include "app/view_jobs.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <commctrl.h>

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }

int GetViewClientRect(HWND view, RECT* rect)
{
    GetClientRect(view, rect);
    rect->left = rect->top = 0;
    int statusHeight = (int)GetWindowSlot(view, CHILD_STATUSHEIGHT);
    rect->bottom -= statusHeight;
    if (rect->bottom < 0) rect->bottom = 0;
    return statusHeight;
}

// The image size in whole pixels of the extents at the current scale.
static void UpdateImageSize(ViewRecord* r)
{
    r->imageWidth = (int)((r->dataMaxX - r->dataMinX) / r->scale + 0.5);
    r->imageHeight = (int)((r->dataMaxY - r->dataMinY) / r->scale + 0.5);
}

int ComputeViewExtents(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->dataSets) return 0;
    bool any = false;
    int total = 0, iMin = 0, iMax = 0;
    for (int i = 0; i < r->dataSetCount; i++) {
        const DataSet* set = r->dataSets[i];
        if (!set) continue;
        if (!any) {
            r->dataMinX = set->minX; r->dataMaxX = set->maxX;
            r->dataMinY = set->minY; r->dataMaxY = set->maxY;
            iMin = set->intensityLow; iMax = set->intensityHigh;
        } else {
            if (set->minX < r->dataMinX) r->dataMinX = set->minX;
            if (set->maxX > r->dataMaxX) r->dataMaxX = set->maxX;
            if (set->minY < r->dataMinY) r->dataMinY = set->minY;
            if (set->maxY > r->dataMaxY) r->dataMaxY = set->maxY;
            if (set->intensityLow < iMin) iMin = set->intensityLow;
            if (set->intensityHigh > iMax) iMax = set->intensityHigh;
        }
        total += set->pointCount;
        any = true;
    }
    if (!any) return 0;
    // Reference layers widen the extent; one without vertices has empty bounds.
    for (int i = 0; r->references && i < r->referenceCount; i++) {
        const ReferenceFile* reference = r->references[i];
        if (!reference || !(reference->minX <= reference->maxX) || !(reference->minY <= reference->maxY)) continue;
        if (reference->minX < r->dataMinX) r->dataMinX = reference->minX;
        if (reference->maxX > r->dataMaxX) r->dataMaxX = reference->maxX;
        if (reference->minY < r->dataMinY) r->dataMinY = reference->minY;
        if (reference->maxY > r->dataMaxY) r->dataMaxY = reference->maxY;
    }
    r->totalPoints = total;
    r->statMin = iMin;
    r->statMax = iMax;
    // One intensity over all sets would divide by zero; keep the factor finite.
    r->statScale = iMax > iMin ? 128.0 / (double)(iMax - iMin) : 128.0;
    r->autoDecimateTIN = 1;
    // Points on one line or at one position have no extent across it: they
    // get a window as wide as the other side (two units for one position),
    // centred on them, so that they are drawn in the middle of the view.
    double width = r->dataMaxX - r->dataMinX, height = r->dataMaxY - r->dataMinY;
    double span = width > height ? width : height;
    if (!(span > 0.0)) span = 2.0;
    if (!(width > 0.0)) {
        double middle = 0.5 * (r->dataMinX + r->dataMaxX);
        r->dataMinX = middle - 0.5 * span;
        r->dataMaxX = middle + 0.5 * span;
    }
    if (!(height > 0.0)) {
        double middle = 0.5 * (r->dataMinY + r->dataMaxY);
        r->dataMinY = middle - 0.5 * span;
        r->dataMaxY = middle + 0.5 * span;
    }
    double dx = 0.05 * (r->dataMaxX - r->dataMinX);
    r->dataMaxX += dx;
    r->dataMinX -= dx;
    double dy = 0.05 * (r->dataMaxY - r->dataMinY);
    r->dataMaxY += dy;
    r->dataMinY -= dy;
    FitViewToWindow(view);
    return 1;
}

int FitViewToWindow(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    RECT rc;
    GetViewClientRect(view, &rc);
    r->clientWidth = rc.right;
    r->clientHeight = rc.bottom;
    r->drawWidth = rc.right + 1;
    r->drawHeight = rc.bottom + 1;
    double sx = (r->dataMaxX - r->dataMinX) / r->drawWidth;
    double sy = (r->dataMaxY - r->dataMinY) / r->drawHeight;
    r->scale = sx > sy ? sx : sy;
    // Data of a single position has no extent to fit; any positive scale shows it.
    if (!(r->scale > 0.0)) r->scale = 1.0;
    r->fullScale = r->scale;
    UpdateImageSize(r);
    r->viewTop = r->dataMaxY;
    r->viewLeft = r->dataMinX;
    r->scrollX = r->scrollY = 0;
    r->zoomLevel = 0;
    r->viewRight = r->viewLeft + r->scale * r->clientWidth;
    r->viewBottom = r->viewTop - r->scale * r->clientHeight;
    return 0;
}

int UpdateViewScale(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (r->zoomLevel == 0) {
        FitViewToWindow(view);
        return 1;
    }
    RECT rc;
    GetViewClientRect(view, &rc);
    r->clientWidth = rc.right;
    r->clientHeight = rc.bottom;
    r->drawWidth = rc.right + 1;
    r->drawHeight = rc.bottom + 1;
    r->viewRight = (r->scrollX + r->drawWidth) * r->scale + r->dataMinX;
    r->viewBottom = r->dataMaxY - (r->scrollY + r->drawHeight) * r->scale;
    return 1;
}

void SetViewExtentsFromScroll(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    r->viewLeft = r->scrollX * r->scale + r->dataMinX;
    r->viewTop = r->dataMaxY - r->scrollY * r->scale;
    r->viewRight = r->dataMinX + r->scale * (r->scrollX + r->drawWidth);
    r->viewBottom = r->dataMaxY - r->scale * (r->scrollY + r->drawHeight);
    DropViewTIN(view);
}

void CenterViewAt(HWND view, double x, double y)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    r->centerX = x;
    r->centerY = y;
    UpdateImageSize(r);
    r->scrollX = (int)((x - r->dataMinX) / r->scale) - r->drawWidth / 2;
    if (r->scrollX < 0) r->scrollX = 0;
    r->scrollY = (int)((r->dataMaxY - y) / r->scale) - r->drawHeight / 2;
    if (r->scrollY < 0) r->scrollY = 0;
    r->viewLeft = r->dataMinX + r->scrollX * r->scale;
    r->viewTop = r->dataMaxY - r->scrollY * r->scale;
    r->viewRight = r->dataMinX + r->scale * (r->drawWidth + r->scrollX);
    r->viewBottom = r->dataMaxY - r->scale * (r->drawHeight + r->scrollY);
}

// CMD_COLOR_TIN and CMD_GRAY_TIN: a second press returns to points.
static void ToggleTINMode(ViewRecord* r, int mode)
{
    r->displayMode = r->displayMode == mode ? DISPLAY_POINTS : mode;
    if (r->displayMode == mode && r->tinCacheState != mode) {
        r->tinCacheValid = 0;
        r->glRebuildFlags[GL_LIST_TIN] = 0;
    }
    r->glRebuildFlags[GL_LIST_POINTS] = 0;
}

int ViewDisplayCommand(HWND view, int command)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int handled = 1;
    switch (command) {
    case CMD_COLOR_TIN:
    case CMD_GRAY_TIN:
        ToggleTINMode(r, command);
        r->tinFoundNoPoints = 0;   // asked for anew
        break;
    case CMD_CONTOURS:
        if (FrameWindow && GetWindowSlot(FrameWindow, FRAME_APPJOB)) CancelAppJob();
        // The overlay goes on once the settings are confirmed: paints while the
        // dialog is open must not start a contour job with the old settings.
        if (!r->overlayContours) {
            if (ShowDialog(IDD_CONTOUR_PARAMS, FrameWindow, ContourParamsDlgProc, (LPARAM)view) != IDOK) {
                UpdateToolbarState(view);
                return 0;
            }
            r->glRebuildFlags[GL_LIST_CONTOURS] = 0;
        }
        r->overlayContours = !r->overlayContours;
        r->tinFoundNoPoints = 0;
        break;
    case CMD_OVERLAY_REFERENCE:
        r->overlayReferences = !r->overlayReferences;
        break;
    case CMD_BACKGROUND_REF:
        r->displayMode = r->displayMode == CMD_BACKGROUND_REF ? DISPLAY_POINTS : CMD_BACKGROUND_REF;
        break;
    case CMD_POINTS_OVER_BACK:
        r->overlayPointsOverBackground = !r->overlayPointsOverBackground;
        break;
    default:
        handled = 0;
    }
    UpdateToolbarState(view);
    if (handled) InvalidateView(view, 1);
    return handled;
}

void ResetViewDisplayMode(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    r->displayMode = DISPLAY_POINTS;
    r->overlayPointsOverBackground = r->overlayContours = r->overlayReferences = 0;
    r->showSingleReturns = r->showFirstReturns = r->showIntermediateReturns = r->showLastReturns = 1;
    UpdateToolbarState(view);
}

static int AppJobRunning() { return FrameWindow && GetWindowSlot(FrameWindow, FRAME_APPJOB) && IsAppJobBusy(); }

static bool IsGridView(const ViewRecord* r) { return r->dataKind == 3 || r->dataKind == 4; }

// A new TIN of the view from the points LocateTINData chooses; a selection too
// small to triangulate is released here, since no TIN takes it over.
static void BuildViewTINModel(HWND view, ViewRecord* r)
{
    PointSelection* points = LocateTINData(view);
    if (!points) {
        // Builds run inside paints: the user is told once the paint is over,
        // and the paints that follow do not look again.
        if (!r->tinFoundNoPoints) PostMessageA(view, WM_NO_TIN_POINTS, 0, 0);
        r->tinFoundNoPoints = 1;
        return;
    }
    r->tinFoundNoPoints = 0;
    r->tin = BuildTINFromPoints(points);
    if (!r->tin && points) FreePointSelection(points);
}

static void FreeViewTIN(ViewRecord* r)
{
    FreeTINModel(r->tin, 1);
    r->tin = nullptr;
}

static void FreeViewContours(ViewRecord* r)
{
    FreeContourList(r->contours);
    r->contours = nullptr;
}

// Before each draw: what the display mode and overlays need and is missing.
int EnsureViewTIN(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || AppJobRunning()) return 0;
    bool tinMode = r->displayMode == CMD_COLOR_TIN || r->displayMode == CMD_GRAY_TIN;
    if (IsGridView(r)) {
        if (tinMode) CreateGridMesh(view);
        if (r->overlayContours && !r->contours) StartContourThread(view);
        return 1;
    }
    if ((tinMode || r->overlayContours) && !r->tin && !r->tinFoundNoPoints) BuildViewTINModel(view, r);
    if (r->overlayContours && !r->contours) StartContourThread(view);
    return 1;
}

int RebuildViewTIN(HWND view)
{
    if (AppJobRunning()) return 0;
    if (!view) {
        if (!FrameWindow || GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) < 1) return 0;
        view = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
        if (!view) return 0;
    }
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    // A profile or 3D window shares the record; the draw lock is the plan view's.
    HWND planView = r->window ? r->window : view;
    JobControl* job = JobOf(planView);
    if (!job) return 0;
    CancelViewDraw(planView);
    if (!IsGridView(r)) {
        WaitForObjectPumping(job->mutex);
        FreeViewTIN(r);
        FreeViewContours(r);
        r->tinFoundNoPoints = 0;
        BuildViewTINModel(planView, r);
        ResetViewCache(planView);
        ReleaseMutex(job->mutex);
    } else {
        // The shades follow the light and the exaggeration of the moment.
        WaitForObjectPumping(job->mutex);
        r->meshBuilt = 0;
        CreateGridMesh(planView);
        ResetViewCache(planView);
        ReleaseMutex(job->mutex);
    }
    InvalidateView(view, 1);
    if (planView != view) InvalidateView(planView, 1);
    return 1;
}

int DropViewTIN(HWND view)
{
    if (AppJobRunning()) return 0;
    ViewRecord* r = ViewRecordOf(view);
    JobControl* job = JobOf(view);
    if (!r || !job) return 0;
    CancelViewDraw(view);
    WaitForObjectPumping(job->mutex);
    if (r->displayMode == CMD_COLOR_TIN || r->displayMode == CMD_GRAY_TIN) FreeViewTIN(r);
    if (!IsGridView(r) && r->overlayContours) {
        FreeViewTIN(r);
        FreeViewContours(r);
    }
    r->tinFoundNoPoints = 0;   // the new area may hold TIN points
    ResetViewCache(view);
    ReleaseMutex(job->mutex);
    return 1;
}

int InvalidateView(HWND window, int flag)
{
    if (flag) {
        ViewRecord* r = ViewRecordOf(window);
        if (r) {
            InterlockedIncrement(&r->drawGeneration);
            r->imageCacheValid = 0;
        }
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

int ResetViewCache(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    InterlockedIncrement(&r->drawGeneration);
    r->imageCacheValid = 0;
    r->tinCacheValid = 0;
    for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
    return 1;
}

// Dialog 347: the point size of a view, 1 to 6, shown as the track bar moves.
static int SavedPointSize;
static int DrawnPointSize;   // the size the view was last drawn with from here

static void ShowPointSize(HWND dialog, int size)
{
    char text[16];
    wsprintfA(text, "%d", size);
    SetDlgItemTextA(dialog, IDC_POINT_SIZE_TEXT, text);
}

INT_PTR CALLBACK PointDisplaySizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND view = (HWND)DialogParameter(dialog, message, lParam);
    ViewRecord* r = ViewRecordOf(view);
    switch (message) {
    case WM_INITDIALOG: {
        if (!r) return TRUE;
        SavedPointSize = DrawnPointSize = r->pointSizeStep;
        CenterOnFrame(dialog);
        HWND bar = GetDlgItem(dialog, IDC_POINT_SIZE_SLIDER);
        SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELONG(1, 6));
        SendMessageA(bar, TBM_SETPOS, TRUE, r->pointSizeStep);
        ShowPointSize(dialog, r->pointSizeStep);
        return TRUE;
    }
    case WM_HSCROLL:
        if (r && LOWORD(wParam) <= 5) {
            r->pointSizeStep = (int)SendMessageA(GetDlgItem(dialog, IDC_POINT_SIZE_SLIDER), TBM_GETPOS, 0, 0);
            ShowPointSize(dialog, r->pointSizeStep);
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_POINT_SIZE_APPLY:
            if (r) {
                DrawnPointSize = r->pointSizeStep;
                InvalidateView(view, 1);
                if (r->profileWindow) InvalidateView(r->profileWindow, 1);
            }
            return TRUE;
        case IDOK:
            return EndDialogWith(dialog, 1);
        case IDCANCEL:
            if (r) {
                r->pointSizeStep = SavedPointSize;
                // An applied size is on screen: the view goes back to the saved one.
                if (DrawnPointSize != SavedPointSize) {
                    InvalidateView(view, 1);
                    if (r->profileWindow) InvalidateView(r->profileWindow, 1);
                }
            }
            return EndDialogWith(dialog, 2);
        }
        break;
    }
    return FALSE;
}
