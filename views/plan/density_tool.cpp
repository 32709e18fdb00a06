// The density tool: a first click starts a rectangle, the second fixes it and
// counts the shown points inside it per square unit. The box bounds stay in
// double precision: at UTM northings a 32-bit float steps by half a metre,
// which would shift small boxes by a whole row of points.
#include "views/plan/density_tool.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/point_tip.h"
#include "app/command_ids.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "app/app_windows.h"
#include "base/polygon.h"
#include "data/selection.h"
#include <commctrl.h>
#include <cstdio>
#include <utility>

const char* const kDensityTipFormat = "Density: %.03f";
const char* const kAreaTooSmall = "Area is too small";

static HWND DensityTip;
static HFONT DensityFont;

HWND DensityTooltip() { return DensityTip; }

static Vec3 WorldAt(const ViewRecord* r, int x, int y)
{
    Vec3 v = {x * r->scale + r->viewLeft, r->viewTop - y * r->scale, 0.0f};
    return v;
}

struct Polyline* MakeDensityBox(const Vec3* a, const Vec3* b)
{
    struct Polyline* box = CreatePolyline(4);
    if (!box) return nullptr;
    const Vec3 corners[4] = {{a->x, a->y, 0}, {b->x, a->y, 0}, {b->x, b->y, 0}, {a->x, b->y, 0}};
    for (int k = 0; k < 4; k++) box->vertices[k] = corners[k];
    return box;
}

// The return test of the density count: the point's category by its return
// number r and number of returns n. A point with n = 0 belongs to none.
static bool CountsByReturn(const ViewRecord* r, uint8_t returns)
{
    uint32_t number = ReturnNumberOf(returns), count = NumberOfReturnsOf(returns);
    if (r->showSingleReturns && count == 1) return true;
    if (r->showFirstReturns && number == 1 && count >= 2) return true;
    if (r->showIntermediateReturns && number > 1 && number < count) return true;
    if (r->showLastReturns && number == count && count >= 2) return true;
    return false;
}

float MeasureBoxDensity(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    const struct Polyline* box = r ? r->densityPolyline : nullptr;
    if (!box || box->vertexCount < 3) return -1.0f;
    double minX = box->vertices[0].x, maxX = box->vertices[2].x;
    double minY = box->vertices[0].y, maxY = box->vertices[2].y;
    if (minX > maxX) std::swap(minX, maxX);
    if (minY > maxY) std::swap(minY, maxY);
    int64_t count = 0;
    for (int d = 0; r->dataSets && d < r->dataSetCount; d++) {
        const DataSet* set = r->dataSets[d];
        if (!set || !set->tiles) continue;
        const PointTiles* tiles = set->tiles;
        for (int i = 0; i < tiles->rows; i++)
            for (int j = 0; j < tiles->columns; j++) {
                const PointSelection* cell = tiles->cells[i][j];
                if (!cell) continue;
                const RingVertex* c = cell->polygon->contour[0].vertex;   // left, top ... right, bottom
                if (c[2].x < minX || c[0].x > maxX || c[0].y < minY || c[2].y > maxY) continue;
                for (int k = 0; k < cell->count; k++) {
                    const PointRecord* p = cell->items[k];
                    if (p->x < minX || p->x > maxX || p->y < minY || p->y > maxY) continue;
                    if (!r->classTable.entries[p->classification].display) continue;
                    if (CountsByReturn(r, p->returns)) count++;
                }
            }
    }
    double area = (maxX - minX) * (maxY - minY);
    return area >= 0.5 ? (float)(count / area) : -1.0f;
}

HWND CreateDensityTooltip(HWND view)
{
    DestroyDensityTooltip();
    DensityTip = CreateTrackingTip(view, &DensityFont, "Check Density");
    if (!DensityTip) return nullptr;
    SendMessageA(DensityTip, TTM_SETTIPBKCOLOR, 0, 0);
    SendMessageA(DensityTip, TTM_SETTIPTEXTCOLOR, RGB(255, 255, 0), 0);
    return DensityTip;
}

void DestroyDensityTooltip()
{
    if (DensityTip) DestroyWindow(DensityTip);
    if (DensityFont) DeleteObject(DensityFont);
    DensityTip = nullptr;
    DensityFont = nullptr;
}

static void ShowDensity(HWND view, ViewRecord* r)
{
    if (!CreateDensityTooltip(view)) return;
    char text[64];
    if (r->densityValue >= 0) snprintf(text, sizeof text, kDensityTipFormat, r->densityValue);
    else snprintf(text, sizeof text, "%s", kAreaTooSmall);
    SetTipText(DensityTip, view, text);
    POINT at = {r->mouseX + 32, r->mouseY + 32};
    ClientToScreen(view, &at);
    SendMessageA(DensityTip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
}

static void DropDensityBox(HWND view, ViewRecord* r)
{
    DrawDensityBoxXor(view, nullptr, r->densityPolyline, RGB(0, 255, 0));
    FreePolyline(r->densityPolyline);
    r->densityPolyline = nullptr;
}

int DensityToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(view);
        if (!r->toolActive) {
            DropDensityBox(view, r);
            DestroyDensityTooltip();
            r->profileA = WorldAt(r, x, y);
            StartToolBand(r->toolRect, x, y);
            r->toolActive = 1;
            DrawZoomBox(view, r->toolRect, TOOL_DENSITY);
        } else if (!r->toolState) {
            DrawZoomBox(view, r->toolRect, TOOL_DENSITY);
            r->profileB = WorldAt(r, x, y);
            r->densityPolyline = MakeDensityBox(&r->profileA, &r->profileB);
            DrawDensityBoxXor(view, nullptr, r->densityPolyline, RGB(0, 255, 0));
            r->densityValue = MeasureBoxDensity(view);
            r->toolRect[2] = r->mouseX;
            r->toolRect[3] = r->mouseY;
            r->toolActive = r->toolState = 0;
            ShowDensity(view, r);
        }
        return 1;
    }
    if (message == WM_RBUTTONDOWN) {
        if (r->toolActive) DrawZoomBox(view, r->toolRect, TOOL_DENSITY);
        r->toolActive = r->toolState = 0;
        DropDensityBox(view, r);
        DestroyDensityTooltip();
        return 1;
    }
    return 0;
}

int TrackDensityBox(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->toolActive) return 0;
    DrawZoomBox(view, r->toolRect, TOOL_DENSITY);
    r->toolRect[2] = r->mouseX;
    r->toolRect[3] = r->mouseY;
    DrawZoomBox(view, r->toolRect, TOOL_DENSITY);
    return 1;
}

void EndDensityTool(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r->toolActive) {
        r->toolActive = 0;
        r->toolState = 0;
        CancelViewDraw(view);
        DrawZoomBox(view, r->toolRect, r->currentTool);
        if (r->densityPolyline) FreePolyline(r->densityPolyline);
        r->densityPolyline = nullptr;
    }
    DestroyDensityTooltip();
}
