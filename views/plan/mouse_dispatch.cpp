// Mouse input of the plan view handed to the current tool through one table
// of move and button handlers, the tools' cursors, and the wheel, which zooms
// or, with a linked profile, steps the profile box.
#include "views/plan/mouse_dispatch.h"
#include "app/shell/view_zoom.h"
#include "app/status_bars.h"
#include "views/plan/density_tool.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/profile_box.h"
#include "views/plan/measure_query.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/shell/view_tools.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "classify/plan_polygon_tools.h"
#include "gis/layers/poi_tool.h"

static ViewRecord* RecordOf(HWND view) { return (ViewRecord*)GetWindowSlot(view, CHILD_RECORD); }

typedef int (*MoveHandler)(HWND view);
typedef int (*ButtonHandler)(HWND view, UINT message, LPARAM lParam);

struct ToolRow {
    int tool;
    MoveHandler move;
    ButtonHandler button;
    LPCSTR cursor;           // a system cursor of the tool's role
    bool rebuildOnMiddle;    // a middle press rebuilds the TIN first
};

static const ToolRow Tools[] = {
    {TOOL_BY_CLASS, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true},
    {TOOL_ZOOM, TrackZoomBox, ZoomToolMouse, IDC_CROSS, false},
    {TOOL_POINT, nullptr, PointReclassToolMouse, IDC_HAND, true},
    {TOOL_POLYGON, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true},
    {TOOL_MEASURE, MeasureToolMove, MeasureToolMouse, IDC_CROSS, true},
    {TOOL_FILTER_POLYGON, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true},
    {TOOL_QUERY, nullptr, QueryToolMouse, IDC_HELP, true},
    {TOOL_PROFILE, TrackProfileBox, ProfileToolMouse, IDC_CROSS, true},
    {TOOL_PAN, PanScrollWindow, PanToolMouse, IDC_SIZEALL, true},
    {TOOL_SELECT, nullptr, nullptr, IDC_ARROW, false},
    {TOOL_DENSITY, TrackDensityBox, DensityToolMouse, IDC_CROSS, true},
    {TOOL_POI, nullptr, POIToolMouse, IDC_UPARROW, true},
    {TOOL_AOI, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true},
};

static const ToolRow* RowOf(int tool)
{
    for (const ToolRow& row : Tools)
        if (row.tool == tool) return &row;
    return nullptr;
}

HCURSOR ToolCursor(int tool)
{
    const ToolRow* row = RowOf(tool);
    return LoadCursorA(nullptr, row ? row->cursor : IDC_ARROW);
}

int ViewMouseMove(HWND view, LPARAM lParam)
{
    ViewRecord* r = RecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    r->lastMouseX = r->mouseX;
    r->lastMouseY = r->mouseY;
    r->mouseX = x < 0 ? 0 : x;
    r->mouseY = y < 0 ? 0 : y;
    UpdateViewStatusBar(view);
    if (IsWorkerBusy()) return 0;
    const ToolRow* row = RowOf(r->currentTool);
    return row && row->move ? row->move(view) : 0;
}

int ViewMouseButton(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = RecordOf(view);
    if (!r) return 0;
    LogMessage(" ");
    if (IsWorkerBusy()) return 0;
    const ToolRow* row = RowOf(r->currentTool);
    if (message == WM_MBUTTONDOWN && row && row->rebuildOnMiddle) RebuildViewTIN(view);
    return row && row->button ? row->button(view, message, lParam) : 0;
}

int ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = RecordOf(view);
    if (!r) return 0;
    LogMessage(" ");
    if (IsWorkerBusy()) return 0;
    short delta = (short)HIWORD(wParam);
    if (r->profileWindow) return MoveProfileBox(view, delta > 0 ? CMD_PAGE_UP : CMD_PAGE_DOWN);
    POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};   // screen position of the wheel
    ScreenToClient(view, &p);
    RECT area;
    GetViewClientRect(view, &area);
    if (!PtInRect(&area, p)) return 0;
    return ZoomViewAtCursor(view, delta > 0 ? ZOOM_IN_AT : ZOOM_OUT_AT);
}

int SetViewCursor(HWND view, WPARAM wParam)
{
    ViewRecord* r = RecordOf(view);
    if (!r || (HWND)wParam != view) return 0;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(view, &p);
    RECT area;
    GetViewClientRect(view, &area);
    if (!PtInRect(&area, p)) return 0;
    SetCursor(ToolCursor(r->currentTool));
    return 1;
}

int SetCursorClientPos(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return SetCursorPos(p.x, p.y) ? 1 : 0;
}
