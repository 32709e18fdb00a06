// Query and measure in the plan view. Query finds the nearest shown point,
// marks it in the plan view and its profile and shows all its attributes;
// measure drags a line whose length follows the pointer in a tooltip.
#include "views/plan/measure_query.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/overlays.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/point_tip.h"
#include "views/plan/rubber_bands.h"
#include "app/command_ids.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/text.h"
#include "data/selection.h"
#include <commctrl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

const char* const kQueryPositionFormat = "[QUERY]  %.3lf %.3lf %.3f";
const char* const kQueryClassFormat = "[QUERY]  %d of %d - %s";
const char* const kQueryNoPoint = "[QUERY] No Point Found";

static HWND PlanTip;
static HFONT PlanTipFont;

HWND MeasureTip() { return PlanTip; }

HWND CreateMeasureTip(HWND view)
{
    DestroyToolTip();
    PlanTip = CreateTrackingTip(view, &PlanTipFont, "My toolTip");
    if (PlanTip) {
        SendMessageA(PlanTip, TTM_SETTIPBKCOLOR, 0, 0);
        SendMessageA(PlanTip, TTM_SETTIPTEXTCOLOR, RGB(255, 255, 0), 0);
    }
    return PlanTip;
}

void DestroyToolTip()
{
    if (PlanTip) DestroyWindow(PlanTip);
    if (PlanTipFont) DeleteObject(PlanTipFont);
    PlanTip = nullptr;
    PlanTipFont = nullptr;
}

int RectQuadrant(const int rect[4])
{
    int dx = rect[2] - rect[0], dy = rect[3] - rect[1];
    if (dx < 0) return dy > 0 ? 3 : 2;
    if (dy > 0) return 4;
    return 1;
}

void PlaceMeasureTip(HWND window, HWND tip, const int rect[4])
{
    if (!tip) return;
    RECT c;
    GetClientRect(tip, &c);
    int w = c.right, h = c.bottom;
    int x = rect[2], y = rect[3];
    switch (RectQuadrant(rect)) {
    case 1: x += 32; y -= h + 32; break;
    case 2: x -= w + 32; y -= h + 32; break;
    case 3: x -= w + 32; y += 32; break;
    default: x += 32; y += 32; break;
    }
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
}

int MeasureToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(view);
        StartToolBand(r->toolRect, x, y);
        r->toolActive = 1;
        DrawToolRubberBand(view, r->toolRect, TOOL_MEASURE);
        if (!PlanTip) CreateMeasureTip(view);
        return 1;
    }
    if (message == WM_RBUTTONDOWN && r->toolActive) {
        DrawToolRubberBand(view, r->toolRect, TOOL_MEASURE);
        r->toolActive = 0;
        DestroyToolTip();
        return 1;
    }
    return 0;
}

int MeasureToolMove(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->toolActive) return 0;
    DrawToolRubberBand(view, r->toolRect, TOOL_MEASURE);
    double dx = (r->mouseX - r->toolRect[0]) * r->scale, dy = (r->mouseY - r->toolRect[1]) * r->scale;
    char text[64];
    snprintf(text, sizeof text, "%.3lf", std::sqrt(dx * dx + dy * dy));
    if (PlanTip) SetTipText(PlanTip, view, text);
    r->toolRect[2] = r->mouseX;
    r->toolRect[3] = r->mouseY;
    PlaceMeasureTip(view, PlanTip, r->toolRect);
    DrawToolRubberBand(view, r->toolRect, TOOL_MEASURE);
    return 1;
}

// ---- nearest point ----------------------------------------------------------------

static bool ReturnShown(const ViewRecord* r, const PointRecord* p)
{
    switch (ReturnPositionOf(p->returns)) {
    case RETURN_SINGLE: return r->showSingleReturns != 0;
    case RETURN_FIRST: return r->showFirstReturns != 0;
    case RETURN_INTERMEDIATE: return r->showIntermediateReturns != 0;
    default: return r->showLastReturns != 0;
    }
}

PointRecord* FindNearestPointWithFile(HWND view, double x, double y, char* title)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->dataSets) return nullptr;
    RingPolygon* window = NewBoxPolygon(r->viewLeft, r->viewTop, r->viewRight, r->viewBottom);
    if (!window) return nullptr;
    PointRecord* best = nullptr;
    double bestDistance = 3.37e38;
    for (int d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        if (!set || !set->tiles) continue;
        const PointTiles* tiles = set->tiles;
        for (int i = 0; i < tiles->rows; i++)
            for (int j = 0; j < tiles->columns; j++) {
                PointSelection* cell = tiles->cells[i][j];
                if (!cell || !PolygonsOverlap(cell->polygon, window)) continue;
                for (int k = 0; k < cell->count; k++) {
                    PointRecord* p = cell->items[k];
                    if (!ReturnShown(r, p) || !r->classTable.entries[p->classification].display) continue;
                    double distance = std::sqrt((p->x - x) * (p->x - x) + (p->y - y) * (p->y - y));
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = p;
                        if (title) CopyBounded(title, 256, set->title);
                    }
                }
            }
    }
    FreePolygon(window);
    return best;
}

PointRecord* FindNearestPoint(HWND view, double x, double y) { return FindNearestPointWithFile(view, x, y, nullptr); }

// ---- query ----------------------------------------------------------------------------

void LogQueryLines(HWND view, const PointRecord* p)
{
    ViewRecord* r = ViewRecordOf(view);
    char line[400];
    snprintf(line, sizeof line, kQueryPositionFormat, p->x, p->y, p->z);
    LogMessage(line);
    snprintf(line, sizeof line, kQueryClassFormat, ReturnNumberOf(p->returns), NumberOfReturnsOf(p->returns),
             r ? r->classTable.entries[p->classification].name : "");
    LogMessage(line);
}

// The grid post under a world position: the cell the position falls in,
// clamped to the grid, so the first row and column answer as well.
bool GridPostAt(const DataSet* grid, double x, double y, int* row, int* column)
{
    if (!grid || !grid->heights || grid->rows <= 0 || grid->columns <= 0 || !(grid->cellSize > 0)) return false;
    double fc = (x - grid->originX) / grid->cellSize, fr = (grid->originY - y) / grid->cellSize;
    if (fc < -0.5 || fr < -0.5 || fc >= grid->columns + 0.5 || fr >= grid->rows + 0.5) return false;
    int c = (int)std::floor(fc + 0.5), rr = (int)std::floor(fr + 0.5);
    *column = c < 0 ? 0 : (c >= grid->columns ? grid->columns - 1 : c);
    *row = rr < 0 ? 0 : (rr >= grid->rows ? grid->rows - 1 : rr);
    return true;
}

static int QueryGrid(HWND view, ViewRecord* r, double x, double y)
{
    for (int d = 0; d < r->dataSetCount; d++) {
        const DataSet* grid = r->dataSets[d];
        int row, column;
        if (!GridPostAt(grid, x, y, &row, &column)) continue;
        PointRecord p;
        memset(&p, 0, sizeof p);
        p.x = column * grid->cellSize + grid->originX;
        p.y = grid->originY - row * grid->cellSize;
        p.z = grid->heights[row][column];
        ViewMapping m = PlanViewMapping(r);
        DrawCursorMark(view, &m, p.x, p.y);
        POINT at = {r->mouseX, r->mouseY};
        ShowPointInfoTip(view, at, &p, grid->title);
        return 1;
    }
    DestroyMeasureTip();
    return 0;
}

int QueryToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (message == WM_RBUTTONDOWN) {
        DestroyMeasureTip();
        return 1;
    }
    if (message != WM_LBUTTONDOWN) return 0;
    int px = (short)LOWORD(lParam), py = (short)HIWORD(lParam);
    double x = px * r->scale + r->viewLeft, y = r->viewTop - py * r->scale;
    if (r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR) return QueryGrid(view, r, x, y);
    char title[256] = "";
    PointRecord* p = FindNearestPointWithFile(view, x, y, title);
    if (!p) return 0;
    ViewMapping m = PlanViewMapping(r);
    DrawCursorMark(view, &m, p->x, p->y);
    if (r->profileWindow && r->profilePoints && r->profileCopy) {
        for (int i = 0; i < r->profilePoints->count; i++)
            if (r->profilePoints->items[i] == p) {
                DrawCursorMark(r->profileWindow, &r->profile, r->profileCopy[i].x, r->profileCopy[i].y);
                break;
            }
    }
    POINT at = {(LONG)((p->x - r->viewLeft) / r->scale), (LONG)((r->viewTop - p->y) / r->scale)};
    SetCursorClientPos(view, at.x, at.y);
    LogQueryLines(view, p);
    ShowPointInfoTip(view, at, p, title);
    return 1;
}

void EndQueryTool(HWND) { DestroyMeasureTip(); }
