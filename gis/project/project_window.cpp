// The project window: its window procedure, creation, tools and closing.
// It keeps a ViewRecord of its own for the plan view's world-to-screen
// mapping, scrolling, zooming and cursor, and owns the open project.
#include "gis/project/project_window.h"
#include "gis/project/project.h"
#include "gis/project/project_commands.h"
#include "gis/project/project_paint.h"
#include "gis/project/tile_tools.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "views/plan/map_window.h"
#include "views/plan/view_zoom.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/text.h"
#include "views/plan/draw_thread.h"
#include "views/plan/mouse_dispatch.h"
#include "views/plan/scrolling.h"
#include "views/plan/tool_switch.h"
#include "views/plan/view_mapping.h"

const char kProjectWindowFailed[] = "Failed in Creating Project Window";
const char kProjectTitlePrefix[] = "Project:  ";

HWND ProjectWindow()
{
    if (!FrameWindow) return nullptr;
    HWND window = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    return window && IsWindow(window) ? window : nullptr;
}

Project* CurrentProject()
{
    HWND window = ProjectWindow();
    return window ? (Project*)GetWindowSlot(window, PROJECTWIN_PROJECT) : nullptr;
}

int IsProjectWinActive()
{
    HWND window = ProjectWindow();
    return window && window == GetActiveView();
}

int CloseProjectWindow()
{
    if (HWND window = ProjectWindow()) SendMessageA(window, WM_CLOSE, 0, 0);
    return 1;
}

void SetProjectViewExtents(ViewRecord* r, const Project* p)
{
    double minX = p->minX, maxX = p->maxX, minY = p->minY, maxY = p->maxY;
    // A project without a tile of known bounds still gets a world to show.
    if (!(minX <= maxX) || !(minY <= maxY)) {
        minX = minY = 0.0;
        maxX = maxY = 1.0;
    }
    double dx = 0.05 * (maxX - minX), dy = 0.05 * (maxY - minY);
    if (!(dx > 0)) dx = 0.5;
    if (!(dy > 0)) dy = 0.5;
    r->dataMinX = minX - dx;
    r->dataMaxX = maxX + dx;
    r->dataMinY = minY - dy;
    r->dataMaxY = maxY + dy;
    r->extentComputed = 1;
}

// The record's title: a project's name may fill what the prefix leaves, so
// it is cut on a whole letter.
static void TitleProjectRecord(ViewRecord* r, const Project* project)
{
    CopyBounded(r->title, sizeof r->title, Formatted("%s%s", kProjectTitlePrefix, project->title).c_str());
}

void SetProjectWindowTitle(HWND window, const Project* project)
{
    ViewRecord* r = window ? ViewRecordOf(window) : nullptr;
    if (!r || !project) return;
    TitleProjectRecord(r, project);
    SetWindowTextA(window, r->title);
}

HWND ShowProjectWindow(Project* project)
{
    HWND window = ProjectWindow();
    if (window) {
        SetWindowSlot(window, PROJECTWIN_PROJECT, (LONG_PTR)project);
        SetProjectWindowTitle(window, project);
        SetProjectViewExtents(ViewRecordOf(window), project);
        FitViewToWindow(window);
        UpdateScrollBars(window);
        InvalidateView(window, 1);
        return window;
    }
    ViewRecord* r = CreateViewRecord();
    if (!r) return nullptr;
    r->currentTool = TOOL_SELECT;
    TitleProjectRecord(r, project);
    SetProjectViewExtents(r, project);
    // Its failure box carries the error icon: shown here, after the record is freed.
    window = CreateMDIChild("ProjectWin", r->title, kProjectChildStyle, r, nullptr);
    if (!window) {
        FreeViewRecord(r);
        ShowMessageBox(FrameWindow, kProjectWindowFailed, "Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    SetWindowSlot(window, PROJECTWIN_PROJECT, (LONG_PTR)project);
    SendMessageA(MDIClientWindow, WM_MDIMAXIMIZE, (WPARAM)window, 0);
    FitViewToWindow(window);
    UpdateScrollBars(window);
    InvalidateView(window, 1);
    return window;
}

void ProjectClientToWorld(HWND window, int x, int y, double* wx, double* wy)
{
    ViewRecord* r = ViewRecordOf(window);
    *wx = r ? x * r->scale + r->viewLeft : 0.0;
    *wy = r ? r->viewTop - y * r->scale : 0.0;
}

ProjectTile* FindTileAtPoint(HWND window, double x, double y)
{
    return window ? TileAtPoint((Project*)GetWindowSlot(window, PROJECTWIN_PROJECT), x, y) : nullptr;
}

// The window's own buttons show its tool (the frame's toolbars have no Select Tile).
static void CheckProjectTools(HWND window)
{
    HWND toolbar = (HWND)GetWindowSlot(window, PROJECTWIN_TOOLBAR);
    ViewRecord* r = ViewRecordOf(window);
    if (!toolbar || !r) return;
    int count = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        TBBUTTON button = {};
        if (SendMessageA(toolbar, TB_GETBUTTON, i, (LPARAM)&button) && (button.fsStyle & BTNS_CHECK))
            SendMessageA(toolbar, TB_CHECKBUTTON, button.idCommand, MAKELPARAM(button.idCommand == r->currentTool, 0));
    }
}

int ProjectWinToolCommand(HWND window, WPARAM wParam, LPARAM)
{
    int id = LOWORD(wParam);
    switch (id) {
    case TOOL_ZOOM:
    case TOOL_MEASURE:
    case TOOL_QUERY:
    case TOOL_PAN:
    case TOOL_SELECT: {
        int result = SetViewTool(window, id);
        CheckProjectTools(window);
        return result;
    }
    case CMD_ZOOM_FULL:
        return ZoomFullExtent(window);
    }
    return 0;
}

int ProjectWinCancelTool(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (r && r->currentTool == TOOL_QUERY) DestroyTileTooltip();
    else EndZoomOrMeasureTool(window);
    return 1;
}

int ProjectWinMouse(HWND window, UINT message, LPARAM lParam)
{
    if (IsWorkerBusy()) return 0;
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    if (r->currentTool == TOOL_QUERY) return QueryTileAtCursor(window, message, lParam);
    if (r->currentTool == TOOL_SELECT) return OpenTileAtCursor(window, message, lParam);
    return ViewMouseButton(window, message, lParam);
}

int ProjectWinClose(HWND window)
{
    JobControl* job = BeginMapWindowClose(window);
    CloseProject((Project*)GetWindowSlot(window, PROJECTWIN_PROJECT));
    SetWindowSlot(window, PROJECTWIN_PROJECT, 0);
    if (FrameWindow && (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN) == window)
        SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, 0);
    if (job) ReleaseMutex(job->mutex);
    InvalidateRect(FrameWindow, nullptr, TRUE);
    return 1;
}

void ProjectWinDestroy(HWND window)
{
    DestroyTileTooltip();
    // Destroyed without a close (the frame going away): the project goes with it.
    FreeProject((Project*)GetWindowSlot(window, PROJECTWIN_PROJECT));
    SetWindowSlot(window, PROJECTWIN_PROJECT, 0);
    if (FrameWindow && (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN) == window)
        SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, 0);
    FreeMapWindowData(window);
}

static void OnCreate(HWND window, LPARAM lParam)
{
    SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, (LONG_PTR)window);
    ViewRecord* r = AttachMapWindowData(window, lParam);
    if (r) r->projectShown = 1;
    SetWindowSlot(window, PROJECTWIN_TOOLBAR, (LONG_PTR)CreateProjectToolbar(window));
    CheckProjectTools(window);
    if (r && r->extentComputed) FitViewToWindow(window);
}

static void OnSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = SizeMapWindow(window, wParam, lParam);
    if (HWND toolbar = (HWND)GetWindowSlot(window, PROJECTWIN_TOOLBAR)) SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    if (r && r->extentComputed) {
        UpdateViewScale(window);
        UpdateScrollBars(window);
    }
}

static void OnPaint(HWND window)
{
    RECT update;
    if (!GetUpdateRect(window, &update, FALSE)) return;
    RECT area;
    GetViewClientRect(window, &area);
    PAINTSTRUCT ps;
    if (update.top >= area.bottom) {   // only the status bar needs painting
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return;
    }
    CancelViewDraw(window);
    HDC hdc = BeginPaint(window, &ps);
    PaintProjectTiles(window, hdc, &ps.rcPaint, ps.fErase);
    EndPaint(window, &ps);
}

LRESULT CALLBACK ProjectWinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window, lParam);
        break;
    case WM_DESTROY:
        ProjectWinDestroy(window);
        break;
    case WM_SIZE:
        OnSize(window, wParam, lParam);
        break;
    case WM_ERASEBKGND:
        FillViewBackground(window, (HDC)wParam, ViewBackgroundColor);
        return 1;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_CLOSE:
        ProjectWinClose(window);
        break;
    case WM_END_TOOL:
        ProjectWinCancelTool(window);
        return 0;
    case WM_SETCURSOR:
        if (SetViewCursor(window, wParam)) return TRUE;
        break;
    case WM_COMMAND:
        if (ProjectWinToolCommand(window, wParam, lParam)) return 0;
        break;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (header->code == TTN_GETDISPINFOA) return GetToolTipText((NMTTDISPINFOA*)lParam);
        // The toolbar lets its parent's background through: give it the button face, not the map's black.
        if (header->code == (UINT)NM_CUSTOMDRAW && header->hwndFrom == (HWND)GetWindowSlot(window, PROJECTWIN_TOOLBAR)) {
            NMCUSTOMDRAW* draw = (NMCUSTOMDRAW*)lParam;
            if (draw->dwDrawStage == CDDS_PREPAINT) {
                RECT all;
                GetClientRect(header->hwndFrom, &all);
                FillRect(draw->hdc, &all, GetSysColorBrush(COLOR_BTNFACE));
            }
            return CDRF_DODEFAULT;
        }
        break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        ScrollView(window, message, wParam);
        return 0;
    case WM_MOUSEMOVE:
        ViewMouseMove(window, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        ProjectWinMouse(window, message, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        ViewMouseWheel(window, wParam, lParam);
        return 0;
    case WM_MDIACTIVATE:
        if ((HWND)lParam == window) {
            if (ViewRecord* r = ViewRecordOf(window)) r->projectShown = 1;
            UpdateToolbarState(window);
        }
        break;
    case WM_CHECK_TILES:
        CheckProjectTiles((Project*)GetWindowSlot(window, PROJECTWIN_PROJECT));
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefMDIChildProcA(window, message, wParam, lParam);
}
