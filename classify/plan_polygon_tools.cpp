// The plan view's polygon reclass and filter tools and the polygon band they share.
#include "classify/plan_polygon_tools.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/tool_switch.h"
#include "classify/class_dialogs.h"
#include "classify/reclass.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "app/view_selection.h"
#include "data/selection.h"
#include "app/view_jobs.h"
#include "views/plan/view_mapping.h"
#include <cstdio>
#include <cstring>

const char kFilterGroundWarning[] =
    "The current class:\n\n    %d - %s\n\nis set as \"Ground\", the Filter tool will have no effect!";

static void DropEditPolygon(ViewRecord* r)
{
    FreePolyline(r->editPolyline);
    r->editPolyline = nullptr;
}

static int StartPolygon(HWND view, ViewRecord* r, int x, int y, const Vec3& at)
{
    int target = r->classSelection.targetClass;
    if (r->currentTool == TOOL_FILTER_POLYGON && target == r->classTable.groundCode) {
        char text[400];
        const char* name = target >= 0 && target < 256 ? r->classTable.entries[target].name : "";
        snprintf(text, sizeof text, kFilterGroundWarning, target, name);
        if (ShowMessageBox(FrameWindow, text, "Warning", MB_OKCANCEL | MB_ICONWARNING) == IDCANCEL) return 0;
    }
    DropEditPolygon(r);
    r->editPolyline = CreatePolyline(1);
    if (!r->editPolyline) return 1;
    r->editPolyline->vertices[0] = at;
    r->toolRect[0] = x;
    r->toolRect[1] = y;
    r->toolRect[2] = x + 1;
    r->toolRect[3] = y + 1;
    r->toolActive = 1;
    DrawToolRubberBand(view, r->toolRect, r->currentTool);
    return 1;
}

// Reclasses inside a polygon closed by a reclass tool.
static void ReclassClosedPolygon(HWND view, struct Polyline*)
{
    ViewRecord* r = ViewRecordOf(view);
    switch (r->currentTool) {
    case TOOL_BY_CLASS: ReclassPolygonByClass(view); break;
    case TOOL_POLYGON: ReclassPolygon(view); break;
    }
}

int ClosePolygonBand(HWND view, void (*closed)(HWND view, struct Polyline* polygon))
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    CancelViewDraw(view);
    DrawToolRubberBand(view, r->toolRect, r->currentTool);
    struct Polyline* polygon = r->editPolyline;
    if (!polygon || polygon->vertexCount < 3) {
        InvalidateView(view, 1);
    } else {
        // The closing segment back to the first vertex.
        r->toolRect[2] = (int)((polygon->vertices[0].x - r->viewLeft) / r->scale);
        r->toolRect[3] = (int)((r->viewTop - polygon->vertices[0].y) / r->scale);
        DrawToolRubberBand(view, r->toolRect, r->currentTool);
        closed(view, polygon);
    }
    if (r->currentTool != TOOL_FILTER_POLYGON) DropEditPolygon(r);
    r->toolActive = 0;
    return 1;
}

int PolygonBandPress(HWND view, LPARAM position)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    int x = LOWORD(position), y = HIWORD(position);
    Vec3 at = {r->viewLeft + x * r->scale, r->viewTop - y * r->scale, 0.0f};
    CancelViewDraw(view);
    if (!r->toolActive) return StartPolygon(view, r, x, y, at);
    if (r->editPolyline) AddPolylineVertex(r->editPolyline, &at);
    r->toolRect[0] = r->toolRect[2];
    r->toolRect[1] = r->toolRect[3];
    r->toolRect[2] = r->toolRect[0] + 1;
    r->toolRect[3] = r->toolRect[1] + 1;
    DrawToolRubberBand(view, r->toolRect, r->currentTool);
    return 1;
}

int PolygonToolMouse(HWND view, UINT message, LPARAM position)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    if (message == WM_LBUTTONDOWN) return PolygonBandPress(view, position);
    if (message != WM_RBUTTONDOWN) return 1;
    if (r->toolActive) return ClosePolygonBand(view, ReclassClosedPolygon);
    if (r->currentTool == TOOL_FILTER_POLYGON && r->editPolyline) {
        DropEditPolygon(r);
        InvalidateView(view, 1);
    }
    return 1;
}

int TrackRubberBand(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->toolActive) return 1;
    CancelViewDraw(view);
    DrawToolRubberBand(view, r->toolRect, r->currentTool);
    r->toolRect[2] = r->mouseX;
    r->toolRect[3] = r->mouseY;
    DrawToolRubberBand(view, r->toolRect, r->currentTool);
    return 1;
}

// Selects the points inside the edit polygon and reclassifies them.
static int ReclassInsideEditPolygon(HWND view, ViewRecord* r, int byClass, int stepEvery)
{
    // The points the view shows inside the polygon (classes and returns on display).
    PointSelection* selection = SelectViewPointsInPolygon(view, r->editPolyline);
    int n = ReclassSelection(view, selection, &r->classSelection, byClass, stepEvery);
    FreePointSelection(selection);
    return n;
}

int ReclassPolygonByClass(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->editPolyline || !MayEditClasses()) return 0;
    if (!r->classSelectionSaved && !ShowClassifyByClass(view)) return 0;
    return ReclassInsideEditPolygon(view, r, 1, 1024);
}

int ReclassPolygon(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->editPolyline || !MayEditClasses()) return 0;
    return ReclassInsideEditPolygon(view, r, 0, 16);
}

int PointReclassToolMouse(HWND, UINT, LPARAM) { return 0; }

static void DropEditPolyline(ViewRecord* r)
{
    if (r->editPolyline) FreePolyline(r->editPolyline);
    r->editPolyline = nullptr;
}

void EndPointReclassTool(HWND view) { ViewRecordOf(view)->editPending = 0; }

void EndReclassPolygonTool(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r->toolActive) {
        EraseToolRubberBand(view);
        DropEditPolyline(r);
    }
    r->toolActive = 0;
    InvalidateRect(view, nullptr, FALSE);
}

void EndPolygonBandTool(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r->toolActive) EraseToolRubberBand(view);
    DropEditPolyline(r);
    r->toolActive = 0;
    InvalidateRect(view, nullptr, FALSE);
}
