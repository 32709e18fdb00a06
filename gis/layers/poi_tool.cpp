// Placing and editing POI markers with the mouse.
#include "gis/layers/poi_tool.h"
#include "gis/layers/poi_dialogs.h"
#include "gis/layers/poi_set.h"
#include "app/layer_sets.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "views/gl3d/gl_render.h"
#include "views/plan/measure_query.h"
#include "views/plan/overlays.h"
#include "views/plan/view_mapping.h"
#include <cstdio>

int POIToolMouse(HWND view, UINT message, LPARAM)
{
    if (message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN) return 0;
    // A draw stopped half way would stay on screen: it is asked for again.
    int interrupted = CancelViewDraw(view);
    int result = message == WM_LBUTTONDOWN ? AddPOIMarker(view) : EditPOIAtCursor(view);
    if (interrupted) InvalidateView(view, 1);
    return result;
}

// The elevation of a grid view at (x, y): the post the query tool reports.
static bool GridHeightAt(const ViewRecord* r, double x, double y, float* z)
{
    for (int d = 0; r->dataSets && d < r->dataSetCount; d++) {
        const DataSet* grid = r->dataSets[d];
        int row, column;
        if (!GridPostAt(grid, x, y, &row, &column)) continue;
        *z = grid->heights[row][column];
        return true;
    }
    return false;
}

int AddPOIMarker(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    if (!r->poiSet) CreatePOISet(r);
    POIRecord* poi = AppendPOIRecord(r->poiSet);
    if (!poi) return 1;
    poi->color = kPOIDefaultColor;
    snprintf(poi->name, sizeof poi->name, kPOIMarkerName, r->poiSet->count);
    poi->x = r->viewLeft + r->mouseX * r->scale;
    poi->y = r->viewTop - r->mouseY * r->scale;
    poi->z = 0;
    if (r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR) {
        GridHeightAt(r, poi->x, poi->y, &poi->z);
    } else if (const PointRecord* p = FindNearestPoint(view, poi->x, poi->y)) {
        poi->x = p->x;
        poi->y = p->y;
        poi->z = p->z;
    }
    DrawPOIMarkers(view, nullptr);
    // The cached picture lacks the new marker: the next paint draws anew.
    InterlockedIncrement(&r->drawGeneration);
    r->imageCacheValid = 0;
    if (r->glWindow) RenderGLView(r->glWindow);
    return 1;
}

// One XOR disc: drawn twice it is gone.
static void XorDisc(HDC hdc, POINT at, int radius, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, radius, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldPen = SelectObject(hdc, pen), oldBrush = SelectObject(hdc, brush);
    int oldMode = SetROP2(hdc, R2_XORPEN);
    Ellipse(hdc, at.x - radius, at.y - radius, at.x + radius, at.y + radius);
    SetROP2(hdc, oldMode);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void FlashPOIMarker(HWND view, int index)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->poiSet || index < 0 || index >= r->poiSet->count || !(r->scale > 0)) return;
    const POIRecord& poi = r->poiSet->records[index];
    POINT at = {(LONG)((poi.x - r->viewLeft) / r->scale), (LONG)((r->viewTop - poi.y) / r->scale)};
    int radius = r->pointSizeStep + 4;
    HDC hdc = GetDC(view);
    XorDisc(hdc, at, radius, RGB(255, 0, 255));
    Sleep(100);
    XorDisc(hdc, at, radius, RGB(255, 0, 255));
    Sleep(50);
    XorDisc(hdc, at, radius, RGB(0, 255, 255));
    Sleep(100);
    XorDisc(hdc, at, radius, RGB(0, 255, 255));
    Sleep(25);
    XorDisc(hdc, at, radius, RGB(255, 255, 0));
    ReleaseDC(view, hdc);
}

int EditPOIAtCursor(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->poiSet || r->poiSet->count < 1) return 1;
    int index = FindPOIAtCursor(view);
    if (index < 0) return 1;
    FlashPOIMarker(view, index);
    if (ShowEditPOIDialog(view, index) == 1) InvalidateView(view, 1);
    return 1;
}
