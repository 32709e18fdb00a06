// The plan view: its record, window procedure, closing and draw lock.
#include "shell/view_window.h"
#include "views/contours/contour_job.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "shell/save_las.h"
#include "gis/layers/aoi_file.h"
#include "gis/layers/poi_files.h"
#include "gis/project/project_commands.h"
#include "app/status_bars.h"
#include "app/view_arrange.h"
#include "shell/view_tools.h"
#include "views/gl3d/gl_overlays.h"
#include "views/plan/draw_thread.h"
#include "views/plan/mouse_dispatch.h"
#include "views/plan/scrolling.h"
#include "views/plan/view_mapping.h"
#include "app/view_record.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/display_settings.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/tin_model.h"
#include "views/plan/color_ramp.h"
#include <cstdio>

const char kViewCreateFailedText[] = "Failed in Creating Child Window";
const char kUnsavedSetQuestion[] = "%s has NOT been saved!\n\n    %s\n\nSave it now?\n";
const char kUnsavedLASKind[] = "LAS File";
const char kUnsavedASCIIKind[] = "ASCII File";

static ViewCommandRoute commandRoute;

void SetViewCommandRoute(ViewCommandRoute route) { commandRoute = route; }

HWND CreateViewWindow(ViewRecord* record)
{
    return CreateMDIChild("MDIChild", record->title, kMapChildStyle, record, kViewCreateFailedText);
}

// ---- job done, close, destroy ---------------------------------------------------

int ViewJobDone(HWND view, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* record = ViewRecordOf(view);
    if (!record) return 0;
    if (GetActiveView() != view) SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    if (lParam) {
        InterlockedIncrement(&record->drawGeneration);
        record->imageCacheValid = 0;
    }
    RECT r;
    GetViewClientRect(view, &r);
    if (!IsViewJobBusy(view)) StartViewDraw(view, 0, &r, (int)lParam, (int)wParam);
    return 0;
}

// The name an unsaved set is announced with: its path, else the current data
// set's title. A view whose data sets were all removed has no current data
// set left to read (the pointer may even be stale), so its own title is used.
static const char* UnsavedSetName(HWND view, ViewRecord* record, const char* path, char* buffer, int size)
{
    if (path[0]) return path;
    DataSet* current = record->currentDataSet;
    if (current && record->dataSets)
        for (int i = 0; i < record->dataSetCount; i++)
            if (record->dataSets[i] == current) return current->title;
    if (record->title[0]) return record->title;
    GetWindowTextA(view, buffer, size);
    return buffer;
}

static int AskUnsaved(const char* kind, const char* name)
{
    char text[700];
    snprintf(text, sizeof text, kUnsavedSetQuestion, kind, name);
    return ShowMessageBox(FrameWindow, text, "Warning", MB_YESNOCANCEL | MB_ICONQUESTION);
}

// 1 to go on closing, 0 when the user cancelled or the save failed.
static int AskToSave(HWND view, ViewRecord* record, const char* kind, const char* path, int (*save)(HWND))
{
    char fallback[256] = "";
    int answer = AskUnsaved(kind, UnsavedSetName(view, record, path, fallback, sizeof fallback));
    if (answer == IDCANCEL) return 0;
    if (answer == IDYES && !save(view)) return 0;
    return 1;
}

// Only points carry classes; grids are never edited.
static bool HasUnsavedClasses(const DataSet* set)
{
    return set && !set->saved && (set->kind == DATA_LAS || set->kind == DATA_ASCII);
}

int AskToSaveDataSet(DataSet* set)
{
    if (!HasUnsavedClasses(set)) return 1;
    const char* kind = set->kind == DATA_ASCII ? kUnsavedASCIIKind : kUnsavedLASKind;
    int answer = AskUnsaved(kind, set->path[0] ? set->path : set->title);
    if (answer == IDCANCEL) return 0;
    // A set the save road refuses (LAZ, decimated) is explained there and
    // stays: the user decides again with No.
    if (answer == IDYES && !SaveLASDataSet(set)) return 0;
    return 1;
}

int AskToSaveViewSets(HWND view)
{
    ViewRecord* record = ViewRecordOf(view);
    if (!record) return 1;
    // The view that asks is shown in front while it does.
    bool asks = (record->aoiSet && !record->aoiSet->saved) || (record->poiSet && !record->poiSet->saved);
    for (int i = 0; record->dataSets && i < record->dataSetCount; i++) asks = asks || HasUnsavedClasses(record->dataSets[i]);
    if (asks && MDIClientWindow && (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0) != view)
        SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    for (int i = 0; record->dataSets && i < record->dataSetCount; i++)
        if (!AskToSaveDataSet(record->dataSets[i])) return 0;
    if (record->aoiSet && !record->aoiSet->saved && !AskToSave(view, record, "AOI", record->aoiSet->path, SaveAOIFile))
        return 0;
    if (record->poiSet && !record->poiSet->saved && !AskToSave(view, record, "POI", record->poiSet->path, SavePOIFile))
        return 0;
    return 1;
}

int ViewClose(HWND view)
{
    ViewRecord* record = ViewRecordOf(view);
    // The jobs working on the view stop first (its draw stops next): a
    // stopped run gives its points their classes back, and one still
    // changing classes has not yet marked its set unsaved.
    CancelAppJobOf(view);
    CancelContourJobOf(view);
    JobControl* job = BeginMapWindowClose(view);
    if (record) {
        if (!AskToSaveViewSets(view)) {
            if (job) ReleaseMutex(job->mutex);
            return 0;
        }
        // Destroyed, not closed: a closing profile or 3D window arranges its
        // plan view's windows again, and every view would be resized and
        // redrawn twice for a view that is going away.
        if (record->profileWindow) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)record->profileWindow, 0);
        if (record->glWindow) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)record->glWindow, 0);
    }
    InvalidateRect(FrameWindow, nullptr, TRUE);
    HWND projectWin = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    LONG_PTR count = GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT);
    if (count == 1 && projectWin && IsWindow(projectWin) && !IsWindowEnabled(projectWin))
        SendMessageA(FrameWindow, WM_COMMAND, CMD_PROJECT_SHOW, 0);
    SetWindowSlot(FrameWindow, FRAME_VIEWCOUNT, count - 1);
    if (job) ReleaseMutex(job->mutex);
    return 1;
}

void ViewDestroy(HWND view)
{
    FreeMapWindowData(view);
    ReleaseCarriedTileLocks();   // a tile of a replaced project may have been open here
}

// ---- window procedure -----------------------------------------------------------

static void OnCreate(HWND view, LPARAM lParam)
{
    AttachMapWindowData(view, lParam);
    SetWindowSlot(FrameWindow, FRAME_VIEWCOUNT, GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) + 1);
    SetupTINColorRamp(view);
    HWND projectWin = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    if (projectWin && IsWindow(projectWin)) {
        ViewRecord* projectRecord = ViewRecordOf(projectWin);
        if (projectRecord && projectRecord->projectShown == 1) {
            projectRecord->projectShown = 0;
            ShowWindow(projectWin, SW_HIDE);
        }
    }
    ArrangeViewWindows(view);
    ComputeViewExtents(view);
}

static void OnSize(HWND view, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* record = SizeMapWindow(view, wParam, lParam);
    if (!record) return;
    if (record->profileWindow) CenterViewOnProfile(view);
    UpdateViewScale(view);
    UpdateScrollBars(view);
    if ((record->displayMode == CMD_COLOR_TIN || record->displayMode == CMD_GRAY_TIN || record->overlayContours) && !SizeMoveActive)
        RebuildViewTIN(view);
    ResetViewCache(view);
}

// 1 when the paint was handled here, 0 to leave it to the default procedure.
static int OnPaint(HWND view)
{
    if (SizeMoveActive) return 0;
    RECT update;
    if (!GetUpdateRect(view, &update, FALSE)) return 0;
    if (!update.left && !update.top && !update.right && !update.bottom) return 0;
    RECT area;
    GetViewClientRect(view, &area);
    if (update.top >= area.bottom) return 0;   // only the status bar strip needs painting
    ViewRecord* record = ViewRecordOf(view);
    CancelViewDraw(view);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(view, &ps);
    StartViewDraw(view, dc, &ps.rcPaint, ps.fErase, record ? record->redrawOverlays : 0);
    EndPaint(view, &ps);
    return 1;
}

static void PressFilterButton(HWND view)
{
    ViewRecord* record = ViewRecordOf(view);
    if (!record || !record->editPolyline || record->currentTool != TOOL_FILTER_POLYGON) return;
    HWND band = (HWND)GetWindowSlot(FrameWindow, FRAME_BANDDIALOG);
    HWND button = band ? GetDlgItem(band, ID_FILTER_BUTTON) : 0;
    if (!button) return;
    SendMessageA(button, BM_SETSTATE, 1, 0);
    Sleep(50);
    SendMessageA(button, BM_CLICK, 0, 0);
}

LRESULT CALLBACK MDIChildWndProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(view, lParam);
        return 0;
    case WM_DESTROY:
        ViewDestroy(view);
        break;
    case WM_SIZE:
        OnSize(view, wParam, lParam);
        break;
    case WM_PAINT:
        if (OnPaint(view)) return 0;
        break;
    case WM_END_TOOL:
        EndViewTool(view);
        return 0;
    case WM_CLOSE:
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        if (!ViewClose(view)) return 0;
        SendMessageA(MDIClientWindow, WM_MDISETMENU, (WPARAM)FrameMenu, (LPARAM)FrameWindowMenu);
        DrawMenuBar(FrameWindow);
        // Gone first, then the others arranged: arranged while still there,
        // the closing view was resized and redrawn with them.
        SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)view, 0);
        ArrangeViewWindows(0);
        return 0;
    case WM_SETCURSOR:
        if (ViewRecordOf(view) && SetViewCursor(view, wParam)) return TRUE;
        break;
    case WM_CHAR:
        if (wParam != 32) break;
        PressFilterButton(view);
        return 0;
    case WM_COMMAND:
        if (ViewRecordOf(view) && commandRoute && commandRoute(view, wParam, lParam)) return 0;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (ViewRecordOf(view)) ScrollView(view, message, wParam);
        return 0;
    case WM_MOUSEMOVE:
        if (ViewRecordOf(view)) ViewMouseMove(view, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (ViewRecordOf(view)) ViewMouseButton(view, message, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (ViewRecordOf(view)) ViewMouseWheel(view, wParam, lParam);
        return 0;
    case WM_MDIACTIVATE:
        if (SwitchViewMenus(view, (HWND)lParam)) UpdateToolbarState(view);
        return 0;
    case WM_JOB_DONE:
        ViewJobDone(view, wParam, lParam);
        return 0;
    case WM_NO_TIN_POINTS:
        Beep(500, 100);
        ShowMessageBox(FrameWindow, kNoTINPointsText, "Warning", MB_OK);
        return 0;
    case WM_REFRESH_3D: {
        // Draw threads ask here: the 3D window renders on this thread only.
        ViewRecord* record = ViewRecordOf(view);
        if (record && record->glWindow && IsWindow(record->glWindow)) {
            // Requests queued meanwhile are answered by the same frame.
            MSG queued;
            while (PeekMessageA(&queued, view, WM_REFRESH_3D, WM_REFRESH_3D, PM_REMOVE)) {}
            if (SizeMoveActive || !DrawGLProfileBox(view)) InvalidateRect(record->glWindow, nullptr, FALSE);
        }
        return 0;
    }
    }
    return DefMDIChildProcA(view, message, wParam, lParam);
}
