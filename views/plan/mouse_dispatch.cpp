// Mouse input of the plan view handed to the current tool: the zoom and pan
// tools, and the wheel zoom.
#include "views/plan/mouse_dispatch.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/status_bars.h"
#include "app/view_zoom.h"
#include "app/job_control.h"
#include "app/view_tools.h"
#include "app/view_record.h"
#include "app/window_slots.h"


static ViewRecord* RecordOf(HWND view) { return (ViewRecord*)GetWindowSlot(view, CHILD_RECORD); }

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
    if (r->currentTool == TOOL_ZOOM) return TrackZoomBox(view);
    if (r->currentTool == TOOL_PAN) return PanScrollWindow(view);
    return 0;
}

int ViewMouseButton(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = RecordOf(view);
    if (!r || IsWorkerBusy()) return 0;
    if (r->currentTool == TOOL_ZOOM) return ZoomToolMouse(view, message, lParam);
    if (r->currentTool == TOOL_PAN) return PanToolMouse(view, message, lParam);
    return 0;
}

int ViewMouseWheel(HWND view, WPARAM wParam, LPARAM)
{
    if (!RecordOf(view) || IsWorkerBusy()) return 0;
    short delta = (short)HIWORD(wParam);
    if (delta == 0) return 0;
    return ZoomViewAtCursor(view, delta > 0 ? ZOOM_IN_AT : ZOOM_OUT_AT);
}

// XOR rectangle with a 2-pixel pen: drawn twice, it is gone again.
int DrawZoomBox(HWND view, const int rect[4], int tool)
{
    HDC dc = GetDC(view);
    HPEN pen = CreatePen(PS_SOLID, 2, tool == TOOL_ZOOM ? RGB(255, 255, 0) : RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    int oldMode = SetROP2(dc, R2_XORPEN);
    Rectangle(dc, rect[0], rect[1], rect[2], rect[3]);
    SetROP2(dc, oldMode);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    ReleaseDC(view, dc);
    return 1;
}
