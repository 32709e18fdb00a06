// The zoom model of a plan view: a zoom level with power-of-two scales
// (scale = fullScale / 2^zoomLevel), box zoom, one previous state that the
// middle button swaps back to, and the zoom tool's mouse handling.
#include "views/plan/view_zoom.h"
#include "app/status_bars.h"
#include "app/view_jobs.h"
#include "views/plan/scrolling.h"
#include "views/plan/view_mapping.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "views/plan/rubber_bands.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

static double ScaleAt(const ViewRecord* r, int level) { return std::ldexp(r->fullScale, -level); }

// The drawing derives int image sizes and scroll offsets from the scale: a
// level is usable only while the whole extent stays well inside int range.
static bool LevelFits(const ViewRecord* r, int level)
{
    if (level > MAX_ZOOM_LEVEL) return false;
    double scale = ScaleAt(r, level);
    if (!(scale > 0)) return false;
    const double limit = 1073741823.0;   // leaves room for the view size added to an offset
    return (r->dataMaxX - r->dataMinX) / scale < limit && (r->dataMaxY - r->dataMinY) / scale < limit;
}

// Deepest usable level at most `wanted` levels below the current one.
static int DeepestLevel(const ViewRecord* r, int wanted)
{
    int level = r->zoomLevel;
    while (wanted-- > 0 && LevelFits(r, level + 1)) level++;
    return level;
}

static void WorldPoint(const ViewRecord* r, int x, int y, double* X, double* Y)
{
    *X = x * r->scale + r->viewLeft;
    *Y = r->viewTop - y * r->scale;
}

void SaveZoomState(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    r->previousCenterX = r->centerX;
    r->previousCenterY = r->centerY;
    r->previousLevel = r->zoomLevel;
    r->previousScale = r->scale;
    r->previousValid = 1;
    r->tinCacheValid = 0;
}

int SwapZoomState(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r->previousValid) return 0;
    double x, y;
    if (r->previousLevel < r->zoomLevel) {
        // Going back out: keep what is shown now in the middle.
        x = (r->viewLeft + r->viewRight) / 2;
        y = (r->viewBottom + r->viewTop) / 2;
    } else {
        WorldPoint(r, r->mouseX, r->mouseY, &x, &y);
    }
    int level = r->zoomLevel;
    r->zoomLevel = r->previousLevel;
    r->previousLevel = level;
    double scale = r->scale;
    r->scale = r->previousScale;
    r->previousScale = scale;
    r->previousCenterX = r->centerX;
    r->previousCenterY = r->centerY;
    r->centerX = x;
    r->centerY = y;
    return 1;
}

// The factor by which a box is smaller than the drawing area along its
// dominant side; 0 for a box without width, which has no such factor.
static double BoxFactor(HWND view, const int rect[4])
{
    int bw = rect[2] - rect[0], bh = rect[3] - rect[1];
    RECT area;
    GetViewClientRect(view, &area);
    double W = area.right - area.left, H = area.bottom - area.top;
    if (bw == 0 || W <= 0) return 0;
    if (std::fabs((double)bh / bw) > H / W) return bh ? std::fabs(H / bh) : 0;
    return std::fabs(W / bw);
}

static void BoxCentre(const ViewRecord* r, const int rect[4], double* X, double* Y)
{
    int x = std::min(rect[0], rect[2]) + std::abs(rect[0] - rect[2]) / 2;
    int y = std::min(rect[1], rect[3]) + std::abs(rect[1] - rect[3]) / 2;
    WorldPoint(r, x, y, X, Y);
}

static void ShowLevel(HWND view, ViewRecord* r, double x, double y)
{
    r->scale = ScaleAt(r, r->zoomLevel);
    if (r->zoomLevel == 0)
        FitViewToWindow(view);
    else
        CenterViewAt(view, x, y);
}

int ZoomView(HWND view, int kind, const int rect[4])
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    double x, y;
    switch (kind) {
    case ZOOM_IN_AT:
        if (!LevelFits(r, r->zoomLevel + 1)) return 0;
        SaveZoomState(view);
        WorldPoint(r, rect[0], rect[1], &x, &y);
        r->zoomLevel++;
        ShowLevel(view, r, x, y);
        return 1;
    case ZOOM_OUT_AT:
        if (r->zoomLevel == 0) return 0;
        SaveZoomState(view);
        WorldPoint(r, rect[0], rect[1], &x, &y);
        r->zoomLevel--;
        ShowLevel(view, r, x, y);
        return 1;
    case ZOOM_IN_BOX:
    case ZOOM_OUT_BOX: {
        if (kind == ZOOM_OUT_BOX && r->zoomLevel == 0) return 0;
        if (rect[2] == rect[0]) return 0;   // a box without width has no zoom factor
        SaveZoomState(view);
        BoxCentre(r, rect, &x, &y);
        double u = BoxFactor(view, rect);
        if (u < 2) return 0;
        int n = (int)std::log2(u);
        if (kind == ZOOM_IN_BOX) {
            int level = DeepestLevel(r, n);
            if (level == r->zoomLevel) return 0;
            r->zoomLevel = level;
        } else {
            r->zoomLevel = std::max(0, r->zoomLevel - n);
        }
        ShowLevel(view, r, x, y);
        return 1;
    }
    case ZOOM_PREVIOUS:
        if (!SwapZoomState(view)) return 0;
        if (r->zoomLevel == 0)
            FitViewToWindow(view);
        else
            CenterViewAt(view, r->centerX, r->centerY);
        return 1;
    case ZOOM_FULL:
        if (r->zoomLevel == 0) return 0;
        SaveZoomState(view);
        FitViewToWindow(view);
        return 1;
    }
    return 0;
}

static void ShowZoomed(HWND view)
{
    DropViewTIN(view);
    InvalidateView(view, 1);
    UpdateScrollBars(view);
    UpdateViewStatusBar(view);   // the zoom factor and the position under the mouse changed
}

int ZoomToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    switch (message) {
    case WM_RBUTTONDOWN:
        if (r->zoomLevel <= 0) return 0;
        // fall through
    case WM_LBUTTONDOWN:
        CancelViewDraw(view);
        if (r->zoomDragButton) return 0;   // the other button's drag goes on
        r->toolRect[0] = x;
        r->toolRect[1] = y;
        r->toolRect[2] = x + 1;
        r->toolRect[3] = y + 1;
        r->zoomDragButton = (int)message;
        DrawZoomBox(view, r->toolRect, r->currentTool);
        return 1;
    case WM_RBUTTONUP:
        if (r->zoomLevel <= 0) return 0;
        // fall through
    case WM_LBUTTONUP: {
        bool left = message == WM_LBUTTONUP;
        if (r->zoomDragButton != (left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN)) return 0;
        CancelViewDraw(view);
        DrawZoomBox(view, r->toolRect, r->currentTool);
        r->zoomDragButton = 0;
        bool click = std::abs(r->toolRect[3] - r->toolRect[1]) < 8 && std::abs(r->toolRect[2] - r->toolRect[0]) < 8;
        int kind = click ? (left ? ZOOM_IN_AT : ZOOM_OUT_AT) : (left ? ZOOM_IN_BOX : ZOOM_OUT_BOX);
        if (ZoomView(view, kind, r->toolRect)) ShowZoomed(view);
        return 1;
    }
    case WM_MBUTTONDOWN:
        if (ZoomView(view, ZOOM_PREVIOUS, r->toolRect)) ShowZoomed(view);
        return 1;
    }
    return 0;
}

int TrackZoomBox(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->zoomDragButton) return 0;
    DrawZoomBox(view, r->toolRect, r->currentTool);
    r->toolRect[2] = r->mouseX;
    r->toolRect[3] = r->mouseY;
    DrawZoomBox(view, r->toolRect, r->currentTool);
    return 1;
}

int ZoomViewAtCursor(HWND view, int kind)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (kind == ZOOM_OUT_AT && r->zoomLevel == 0) return 0;
    SendMessageA(view, WM_END_TOOL, 0, 0);
    CancelViewDraw(view);
    r->toolRect[0] = r->mouseX;
    r->toolRect[1] = r->mouseY;
    if (ZoomView(view, kind, r->toolRect)) ShowZoomed(view);
    return 1;
}

int ZoomFullExtent(HWND view)
{
    if (ZoomView(view, ZOOM_FULL, nullptr)) ShowZoomed(view);
    return 1;
}
