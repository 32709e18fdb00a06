// The view command dispatcher. Commands reach it from the frame's
// forwarding rule with the active child, which may be the plan view or its
// profile or 3D window; the latter two get every plan-view command passed on.
#include "shell/file_manager.h"
#include "shell/las_info.h"
#include "shell/view_command.h"
#include "resource.h"
#include "classify/thinning.h"
#include "gis/layers/ref_manager.h"
#include "gis/layers/aoi_edit.h"
#include "gis/layers/aoi_file.h"
#include "gis/layers/aoi_set.h"
#include "gis/layers/poi_dialogs.h"
#include "gis/layers/poi_files.h"
#include "views/gl3d/gl_view.h"
#include "views/profile/profile_window.h"
#include "views/plan/profile_box.h"
#include "views/plan/view_zoom.h"
#include "views/plan/scrolling.h"
#include "views/plan/view_mapping.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_shapefile.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "shell/display_settings_dialog.h"
#include "shell/point_display.h"
#include "shell/save_las.h"
#include "classify/undo.h"
#include "classify/class_dialogs.h"
#include "shell/tin_display.h"
#include "shell/view_tools.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/progress.h"
#include <cstdio>
#include <cstring>

int AdjustValueA = 100;
float AdjustValueB = 0.0f;

typedef int (*ViewHandler)(HWND window, ViewRecord* r, int id);
// The services of the other rooms and dialogs take the plan view alone.
typedef int (*WindowService)(HWND window);

// What a service's result means: the command's own result; or the command is
// handled either way and the view redraws when the service changed something
// (a loaded or reset layer); or it is handled either way (a saved layer).
enum ServiceAnswer { SERVICE_RESULT, SERVICE_REDRAWS, SERVICE_DONE };

// A row runs its handler, or, without one, its service.
// anyWindow: the command is the view's, whichever of its windows is active:
// from the profile or 3D window it acts on the plan view, and the profile
// counts it handled without refreshing its own toolbar.
struct ViewCommandRow {
    int first, last;
    ViewHandler handler;
    bool anyWindow;
    WindowService service;
    ServiceAnswer answer;
};

enum { OWN_WINDOW = 0, ANY_WINDOW = 1 };

static void Redraw(HWND window) { InvalidateView(window, 1); }

static void RedrawWithProfile(HWND window, ViewRecord* r)
{
    InvalidateView(window, 1);
    if (r->profileWindow) InvalidateView(r->profileWindow, 1);
}

static int Refresh(HWND window)
{
    CheckViewMenuItems(window);
    InvalidateView(window, 1);
    return 1;
}

// --- commands for any window of the view ------------------------------------

static int AdjustValues(HWND window, int id)
{
    switch (id) {
    case CMD_ADJUST_A_DOWN: AdjustValueA = AdjustValueA - 5 < 0 ? 0 : AdjustValueA - 5; break;
    case CMD_ADJUST_A_UP: AdjustValueA = AdjustValueA + 5 > 255 ? 255 : AdjustValueA + 5; break;
    case CMD_ADJUST_B_DOWN: AdjustValueB = AdjustValueB - 0.1f < 0 ? 0 : AdjustValueB - 0.1f; break;
    case CMD_ADJUST_B_UP: AdjustValueB = AdjustValueB + 0.1f > 255 ? 255 : AdjustValueB + 0.1f; break;
    }
    char text[64];
    snprintf(text, sizeof text, "%d %.1f", AdjustValueA, AdjustValueB);
    StartProgress(0, text);
    InvalidateView(window, 1);
    return 1;
}

// --- display state -------------------------------------------------------------

static int PointColor(HWND window, ViewRecord* r, int id)
{
    if (id != r->pointColorMode) {
        r->pointColorMode = id;
        r->glRebuildFlags[GL_LIST_POINTS] = 0;
        RedrawWithProfile(window, r);
        CheckViewMenuItems(window);
    }
    SetToolbarChecks(window);
    return 1;
}

static int TinColor(HWND window, ViewRecord* r, int id)
{
    r->tinColorMode = id - CMD_TIN_COLOR_FIRST;
    r->tinCacheValid = 0;
    r->glRebuildFlags[GL_LIST_TIN] = 0;
    return Refresh(window);
}

static int ReturnFilter(HWND window, ViewRecord* r, int id)
{
    int* filters[4] = {&r->showSingleReturns, &r->showFirstReturns, &r->showIntermediateReturns,
                       &r->showLastReturns};
    if (id >= CMD_SHOW_SINGLE && id <= CMD_SHOW_LAST_RETURNS) {
        int* f = filters[id - CMD_SHOW_SINGLE];
        *f = !*f;
    } else {
        for (int* f : filters) *f = id == CMD_ALL_RETURNS_ON;
    }
    return Refresh(window);
}

static int DisplayToggle(HWND window, ViewRecord* r, int id)
{
    int* flag = id == CMD_SHOW_POI ? &r->showPOIMarkers
              : id == CMD_SHOW_POI_NAMES ? &r->showPOINames
                                         : &r->showAOIPolygons;
    *flag = !*flag;
    Redraw(window);
    SetToolbarChecks(window);
    return 1;
}

static int DisplayMode(HWND window, ViewRecord*, int id) { return ViewDisplayCommand(window, id); }

static int PointSize(HWND window, ViewRecord* r, int id)
{
    if (id == CMD_POINT_SMALLER && r->pointSizeStep > 1) {
        r->pointSizeStep--;
        RedrawWithProfile(window, r);
    } else if (id == CMD_POINT_LARGER && r->pointSizeStep < 6) {
        r->pointSizeStep++;
        RedrawWithProfile(window, r);
    }
    return 1;
}

static int PointSizeDialog(HWND window, ViewRecord* r, int)
{
    if (ShowDialog(IDD_POINT_SIZE, FrameWindow, PointDisplaySizeDlgProc, (LPARAM)window) == 1) RedrawWithProfile(window, r);
    return 1;
}

// --- tools and navigation ------------------------------------------------------------

static int Tool(HWND window, ViewRecord*, int id) { return SetViewTool(window, id); }
static int PreviousTool(HWND window, ViewRecord* r, int) { return SetViewTool(window, r->previousTool); }
static int FullExtent(HWND window, ViewRecord*, int) { return ZoomFullExtent(window); }

static int PageUpDown(HWND window, ViewRecord* r, int id)
{
    return r->profileWindow ? MoveProfileBox(window, id) : ScrollCommand(window, id);
}

static int PageSideways(HWND window, ViewRecord*, int id) { return ScrollCommand(window, id); }

static int Open3D(HWND window, ViewRecord*, int)
{
    SizeMoveActive = 1;
    int result = Open3DView(window);
    SizeMoveActive = 0;
    return result;
}

// --- services of the other subsystems --------------------------------------------------

static int SaveFile(HWND window, ViewRecord*, int id)
{
    if (id == CMD_SAVE_LAS) SaveCurrentLASFile(window);
    else SaveLASFileAs(window);
    return 1;
}

static int Undo(HWND window, ViewRecord*, int) { return UndoClassEdit(window); }
static int Redo(HWND window, ViewRecord*, int) { return RedoClassEdit(window); }
static int NoOpZero(HWND, ViewRecord*, int) { return 0; }
static int NoOpOne(HWND, ViewRecord*, int) { return 1; }

static int SurfaceMagic(HWND window, ViewRecord*, int)
{
    if (ShowSurfaceMagic(window)) Redraw(window);
    return 1;
}

static int ClassifyByClass(HWND window, ViewRecord* r, int)
{
    if (ShowClassifyByClass(r->window)) {
        r->classSelectionCopy = r->classSelection;
        r->classSelectionSaved = 1;
    }
    return 1;
}

static int FileInfo(HWND window, ViewRecord*, int)
{
    ShowDialog(IDD_LAS_INFO, FrameWindow, LASInfoDlgProc, (LPARAM)window);
    return 1;
}

static int Thinning(HWND window, ViewRecord*, int)
{
    RunIntelligentThinning(window);
    return 1;
}

static int AddFiles(HWND window, ViewRecord*, int)
{
    ShowLidarFileManager(window);
    return 1;
}

static constexpr ViewCommandRow PlanCommands[] = {
    {CMD_COLOR_FIRST, CMD_COLOR_LAST, PointColor},
    {CMD_TIN_COLOR_FIRST, CMD_TIN_COLOR_LAST, TinColor},
    {CMD_SHOW_SINGLE, CMD_SHOW_LAST_RETURNS, ReturnFilter},
    {CMD_ALL_RETURNS_ON, CMD_ALL_RETURNS_OFF, ReturnFilter},
    {CMD_COLOR_TIN, CMD_GRAY_TIN, DisplayMode},
    {CMD_CONTOURS, CMD_CONTOURS, DisplayMode},
    {CMD_OVERLAY_REFERENCE, CMD_POINTS_OVER_BACK, DisplayMode},
    {TOOL_BY_CLASS, TOOL_BY_CLASS, Tool},
    {TOOL_ZOOM, TOOL_ZOOM, Tool},
    {TOOL_POINT, TOOL_POLYGON, Tool},
    {TOOL_MEASURE, TOOL_PROFILE, Tool},
    {TOOL_PAN, TOOL_PAN, Tool},
    {TOOL_SELECT, TOOL_SELECT, Tool},
    {TOOL_DENSITY, TOOL_DENSITY, Tool},
    {TOOL_POI, TOOL_POI, Tool},
    {TOOL_AOI, TOOL_AOI, Tool},
    {CMD_PREVIOUS_TOOL, CMD_PREVIOUS_TOOL, PreviousTool},
    {CMD_SAVE_LAS, CMD_SAVE_LAS_AS, SaveFile},
    {CMD_UNDO, CMD_UNDO, Undo, ANY_WINDOW},
    {CMD_NOOP_9019, CMD_NOOP_9019, NoOpZero},
    {CMD_REDO, CMD_REDO, Redo, ANY_WINDOW},
    {CMD_ZOOM_FULL, CMD_ZOOM_FULL, FullExtent},
    {CMD_SURFACE_MAGIC, CMD_SURFACE_MAGIC, SurfaceMagic},
    {CMD_PAGE_UP, CMD_PAGE_DOWN, PageUpDown},
    {CMD_PAGE_LEFT, CMD_PAGE_RIGHT, PageSideways},
    {CMD_DISPLAY_SETTINGS, CMD_DISPLAY_SETTINGS, nullptr, ANY_WINDOW, ShowDisplaySettings},
    {CMD_PROFILE_WIDTH, CMD_PROFILE_WIDTH, nullptr, OWN_WINDOW, SetProfileBoxWidth},
    {CMD_CONTOUR_SETTINGS, CMD_CONTOUR_SETTINGS, nullptr, ANY_WINDOW, ContourSettings},
    {CMD_CLASSIFY_BY_CLASS, CMD_CLASSIFY_BY_CLASS, ClassifyByClass, ANY_WINDOW},
    {CMD_REFERENCE_FILES, CMD_REFERENCE_FILES, nullptr, OWN_WINDOW, ShowReferenceFileManager},
    {CMD_TIN_DISPLAY, CMD_TIN_DISPLAY, nullptr, OWN_WINDOW, ShowTINDisplay},
    {CMD_OPEN_3D, CMD_OPEN_3D, Open3D, ANY_WINDOW},
    {CMD_FILE_INFO, CMD_FILE_INFO, FileInfo},
    {CMD_THINNING, CMD_THINNING, Thinning},
    {CMD_SAVE_CONTOURS, CMD_SAVE_CONTOURS, nullptr, OWN_WINDOW, SaveContours},
    {CMD_ADD_FILES, CMD_ADD_FILES, AddFiles},
    {CMD_RETURNS_POPUP, CMD_RETURNS_POPUP, nullptr, OWN_WINDOW, ShowReturnsPopupMenu},
    {CMD_LOAD_POI, CMD_LOAD_POI, nullptr, OWN_WINDOW, LoadPOIFile, SERVICE_REDRAWS},
    {CMD_SAVE_POI, CMD_SAVE_POI, nullptr, OWN_WINDOW, SavePOIFile, SERVICE_DONE},
    {CMD_SAVE_POI_AS, CMD_SAVE_POI_AS, nullptr, OWN_WINDOW, SavePOIFileAs, SERVICE_DONE},
    {CMD_SHOW_POI, CMD_SHOW_POI_NAMES, DisplayToggle},
    {CMD_SHOW_AOI, CMD_SHOW_AOI, DisplayToggle},
    {CMD_POINT_SIZE, CMD_POINT_SIZE, PointSizeDialog},
    {CMD_POINT_SETTINGS, CMD_POINT_SETTINGS, nullptr, OWN_WINDOW, ShowPointDisplaySettings},
    {CMD_LOAD_AOI, CMD_LOAD_AOI, nullptr, OWN_WINDOW, LoadAOIFile, SERVICE_REDRAWS},
    {CMD_SAVE_AOI, CMD_SAVE_AOI, nullptr, OWN_WINDOW, SaveAOIFile, SERVICE_DONE},
    {CMD_SAVE_AOI_AS, CMD_SAVE_AOI_AS, nullptr, OWN_WINDOW, SaveAOIFileAs, SERVICE_DONE},
    {CMD_RESET_AOI, CMD_RESET_AOI, nullptr, OWN_WINDOW, ResetAOISet, SERVICE_REDRAWS},
    {CMD_AOI_SETTINGS, CMD_AOI_SETTINGS, nullptr, OWN_WINDOW, ShowAOIPolygonSettings, SERVICE_DONE},
    {CMD_TIN_CLASS_DISPLAY, CMD_TIN_CLASS_DISPLAY, nullptr, OWN_WINDOW, ShowTINPointClassDisplay},
    {CMD_POINT_SMALLER, CMD_POINT_LARGER, PointSize},
    {CMD_NOOP_9014, CMD_NOOP_9015, NoOpOne},
};

static constexpr bool EveryRowRunsOneThing()
{
    for (const ViewCommandRow& row : PlanCommands)
        if (!row.handler == !row.service) return false;
    return true;
}
static_assert(EveryRowRunsOneThing(), "a row has a handler or a service, not both");

static const ViewCommandRow* RowOf(int id)
{
    for (const ViewCommandRow& row : PlanCommands)
        if (id >= row.first && id <= row.last) return &row;
    return nullptr;
}

static int RunRow(const ViewCommandRow& row, HWND window, ViewRecord* r, int id)
{
    if (row.handler) return row.handler(window, r, id);
    int result = row.service(window);
    if (row.answer == SERVICE_RESULT) return result;
    if (row.answer == SERVICE_REDRAWS && result) Redraw(window);
    return 1;
}

int ViewHandlesCommand(int id)
{
    if ((id >= CMD_ADJUST_A_DOWN && id <= CMD_ADJUST_B_UP) || id == CMD_CLOSE_FILE || id == CMD_POI_SETTINGS) return 1;
    return RowOf(id) != nullptr;
}

// A linked window takes its own commands and passes the rest to its plan
// view; an id neither takes (a pick from the window list) stays unhandled.
static int LinkedWindowCommand(HWND window, ViewRecord* r, WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    int profile = window == r->profileWindow;
    if (profile && ProfileHandlesCommand(id)) return ProfileCommand(window, wParam, lParam);
    if (!profile && GLViewCommand(window, wParam, lParam)) return 1;
    const ViewCommandRow* row = RowOf(id);
    int handled;
    if (row && row->anyWindow) {
        handled = r->window ? RunRow(*row, r->window, r, id) : 0;
        if (profile) return 1;
    } else {
        handled = r->window ? ViewCommand(r->window, wParam, lParam) : 0;
    }
    if (profile) SetToolbarChecks(window);
    else SyncGLViewMenus(window);
    return handled;
}

int ViewCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;

    if (id >= CMD_ADJUST_A_DOWN && id <= CMD_ADJUST_B_UP) return AdjustValues(window, id);
    if (id == CMD_CLOSE_FILE) {
        SendMessageA(r->window, WM_CLOSE, 0, 0);
        return 1;
    }
    if (id == CMD_POI_SETTINGS) {
        if (ShowDialog(IDD_POI_MARKERS, FrameWindow, POIMarkerConfigDlgProc, (LPARAM)r->window) == 1) InvalidateView(window, 1);
        return 1;
    }

    if ((r->profileWindow && window == r->profileWindow) || (r->glWindow && window == r->glWindow))
        return LinkedWindowCommand(window, r, wParam, lParam);

    const ViewCommandRow* row = RowOf(id);
    return row ? RunRow(*row, window, r, id) : 0;
}
