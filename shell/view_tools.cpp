// The tool clean-up of a plan view and the pan tool; the tool switch itself
// is views/plan/tool_switch.
#include "shell/view_tools.h"
#include "views/plan/density_tool.h"
#include "views/plan/measure_query.h"
#include "views/plan/point_tip.h"
#include "views/profile/profile_window.h"
#include "gis/project/project_window.h"
#include "app/view_jobs.h"
#include "views/plan/mouse_dispatch.h"
#include "views/plan/scrolling.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/tool_switch.h"

// Zoom and measure end in the plan room; every other tool through its row.
int EndViewTool(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r || EndZoomOrMeasureTool(window)) return 1;
    return EndPlanTool(window);
}

int EndActiveViewTool()
{
    HWND active = MDIClientWindow ? (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0) : nullptr;
    if (GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) != 0 && active) {
        CancelViewDraw(active);
        SendMessageA(active, WM_END_TOOL, 0, 0);
        CancelAppJob();
    }
    return 1;
}

int PanToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(view);
        r->panActive = 1;
        SetCapture(view);
        r->panStartX = r->mouseX = r->lastMouseX = x;
        r->panStartY = r->mouseY = r->lastMouseY = y;
    } else if (message == WM_LBUTTONUP && r->panActive) {
        // A release without a press of this tool (it began under another
        // tool) has no drag to end.
        r->panActive = 0;
        ReleaseCapture();
        PanView(view, r->mouseX, r->mouseY);
    }
    return 1;
}

int PanScrollWindow(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r && r->panActive)
        ScrollWindowEx(view, r->mouseX - r->lastMouseX, r->mouseY - r->lastMouseY, nullptr, nullptr, nullptr,
                       nullptr, SW_INVALIDATE | SW_ERASE);
    return 1;
}
