// Mouse input of the plan view handed to the current tool through its row of
// move and button handlers, the cursor over the view, and the wheel, which
// zooms or, with a linked profile, steps the profile box.
#include "views/plan/mouse_dispatch.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/view_zoom.h"
#include "app/status_bars.h"
#include "views/plan/density_tool.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/profile_box.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"

int ViewMouseMove(HWND view, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    r->lastMouseX = r->mouseX;
    r->lastMouseY = r->mouseY;
    r->mouseX = x < 0 ? 0 : x;
    r->mouseY = y < 0 ? 0 : y;
    UpdateViewStatusBar(view);
    if (IsWorkerBusy()) return 0;
    const PlanToolRow* row = PlanToolRowOf(r->currentTool);
    return row && row->move ? row->move(view) : 0;
}

int ViewMouseButton(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    LogMessage(" ");
    if (IsWorkerBusy()) return 0;
    const PlanToolRow* row = PlanToolRowOf(r->currentTool);
    if (message == WM_MBUTTONDOWN && row && row->rebuildOnMiddle) RebuildViewTIN(view);
    return row && row->button ? row->button(view, message, lParam) : 0;
}

int ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
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
    ViewRecord* r = ViewRecordOf(view);
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

int EndPlanTool(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    const PlanToolRow* row = r ? PlanToolRowOf(r->currentTool) : nullptr;
    if (row && row->end) row->end(view);
    return 1;
}
