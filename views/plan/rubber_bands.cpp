// XOR drawing of the tools. Every XOR pair is drawn either after stopping the
// view's draw or not at all while it runs, so a redraw never splits a pair
// and leaves half a band on screen.
#include "views/plan/rubber_bands.h"
#include "views/plan/overlays.h"
#include "app/command_ids.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/polygon.h"
#include <vector>

COLORREF RubberBandColor(int tool)
{
    switch (tool) {
    case TOOL_BY_CLASS:
    case TOOL_POLYGON:
    case TOOL_ABOVE_LINE:
    case TOOL_BELOW_LINE:
    case TOOL_PROFILE: return RGB(0, 255, 255);
    case TOOL_MEASURE: return RGB(255, 255, 0);
    case TOOL_DENSITY: return RGB(0, 255, 0);
    }
    return RGB(255, 255, 255);
}

void StartToolBand(int rect[4], int x, int y)
{
    rect[0] = x;
    rect[1] = y;
    rect[2] = x + 1;
    rect[3] = y + 1;
}

// A pen selected into the window's (or the given) device context in a mode.
struct PenScope {
    HWND window;
    HDC hdc;
    bool own;
    HPEN pen;
    HGDIOBJ oldPen, oldBrush;
    int oldMode;
    PenScope(HWND w, HDC given, int style, int width, COLORREF colour, int mode)
        : window(w), hdc(given ? given : GetDC(w)), own(!given)
    {
        pen = CreatePen(style, width, colour);
        oldPen = SelectObject(hdc, pen);
        oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
        oldMode = SetROP2(hdc, mode);
    }
    ~PenScope()
    {
        SetROP2(hdc, oldMode);
        SelectObject(hdc, oldBrush);
        SelectObject(hdc, oldPen);
        DeleteObject(pen);
        if (own) ReleaseDC(window, hdc);
    }
};

int DrawZoomBox(HWND window, const int rect[4], int tool)
{
    CancelViewDraw(window);
    PenScope s(window, nullptr, PS_SOLID, 2, tool == TOOL_ZOOM ? RGB(255, 255, 0) : RGB(255, 255, 255), R2_XORPEN);
    Rectangle(s.hdc, rect[0], rect[1], rect[2], rect[3]);
    return 1;
}

int DrawMapRectXor(HWND view, double x0, double y0, double x1, double y1, COLORREF colour)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!view || !r) return 0;
    PenScope s(view, nullptr, PS_SOLID, 2, colour, R2_XORPEN);
    POINT p[5];
    const double xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    for (int k = 0; k < 4; k++) {
        p[k].x = (LONG)((xs[k] - r->viewLeft) / r->scale);
        p[k].y = (LONG)((r->viewTop - ys[k]) / r->scale);
    }
    p[4] = p[0];
    ::Polyline(s.hdc, p, 5);
    return 1;
}

int RedrawToolRubberBand(HWND window, const int line[4], int tool)
{
    ViewRecord* r = ViewRecordOf(window);
    int width = 2;
    COLORREF colour = RubberBandColor(tool);
    POINT from = {line[0], line[1]};
    if (r && tool == TOOL_AOI) {
        int type = r->currentAOIType >= 0 && r->currentAOIType < 256 ? r->currentAOIType : 0;
        colour = r->aoiClassTable.entries[type].mainColor;
        width = r->aoiLineWidth > 0 ? r->aoiLineWidth : 1;
        const struct Polyline* edit = r->editPolyline;
        if (edit && edit->vertices && edit->vertexCount > 0) {
            const Vec3& last = edit->vertices[edit->vertexCount - 1];
            from.x = (LONG)((last.x - r->viewLeft) / r->scale);
            from.y = (LONG)((r->viewTop - last.y) / r->scale);
        }
    }
    PenScope s(window, nullptr, PS_SOLID, width, colour, R2_XORPEN);
    MoveToEx(s.hdc, from.x, from.y, nullptr);
    LineTo(s.hdc, line[2], line[3]);
    return 1;
}

int DrawToolRubberBand(HWND window, const int line[4], int tool)
{
    CancelViewDraw(window);
    return RedrawToolRubberBand(window, line, tool);
}

// The pixels of a world line, rounded.
static std::vector<POINT> RoundedPixels(const ViewRecord* r, const struct Polyline* line, bool close)
{
    std::vector<POINT> points;
    if (!line || !line->vertices) return points;
    for (int k = 0; k < line->vertexCount; k++)
        points.push_back({(LONG)((line->vertices[k].x - r->viewLeft) / r->scale + 0.5),
                          (LONG)((r->viewTop - line->vertices[k].y) / r->scale + 0.5)});
    if (close && !points.empty()) points.push_back(points[0]);
    return points;
}

int DrawViewPolygonXor(HWND view, const struct Polyline* line, COLORREF colour)
{
    return DrawViewPolygonXorWidth(view, line, colour, 2);
}

int DrawViewPolygonXorWidth(HWND view, const struct Polyline* line, COLORREF colour, int width)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !line) return 0;
    std::vector<POINT> points = RoundedPixels(r, line, true);
    if (points.size() < 2) return 1;
    PenScope s(view, nullptr, PS_SOLID, width, colour, R2_XORPEN);
    ::Polyline(s.hdc, points.data(), (int)points.size());
    return 1;
}

int DrawViewPolyline(HWND view, const struct Polyline* line, COLORREF colour, int close)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !line) return 0;
    std::vector<POINT> points = RoundedPixels(r, line, close != 0);
    if (points.size() < 2) return 1;
    PenScope s(view, nullptr, PS_SOLID, 2, colour, R2_COPYPEN);
    ::Polyline(s.hdc, points.data(), (int)points.size());
    return 1;
}

int DrawProfileBoxXor(HWND view, HDC hdc, const struct Polyline* box, COLORREF colour)
{
    if (!box || IsViewJobBusy(view)) return 0;
    return DrawProfileBox(view, hdc, box, colour);
}

int DrawDensityBoxXor(HWND view, HDC hdc, const struct Polyline* box, COLORREF colour)
{
    return DrawProfileBoxXor(view, hdc, box, colour);
}
