// The tool switch of a map window and the end of its zoom and measure tools.
#include "views/plan/tool_switch.h"
#include "views/plan/measure_query.h"
#include "views/plan/rubber_bands.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"

int SetViewTool(HWND view, int id)
{
    id &= 0xFFFF;
    ViewRecord* r = ViewRecordOf(view);
    if (r && id != r->currentTool) {
        SendMessageA(view, WM_END_TOOL, 0, 0);
        r->previousTool = r->currentTool;
        r->currentTool = id;
    }
    UpdateToolbarState(view);
    return 1;
}

void EraseToolRubberBand(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    CancelViewDraw(window);
    DrawToolRubberBand(window, r->toolRect, r->currentTool);
}

int EndZoomOrMeasureTool(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    switch (r->currentTool) {
    case TOOL_ZOOM:
        if (r->zoomDragButton) {
            CancelViewDraw(window);
            DrawZoomBox(window, r->toolRect, r->currentTool);
            r->zoomDragButton = 0;
        }
        return 1;
    case TOOL_MEASURE:
        if (r->toolActive) EraseToolRubberBand(window);
        r->toolActive = 0;
        DestroyToolTip();
        return 1;
    }
    return 0;
}
