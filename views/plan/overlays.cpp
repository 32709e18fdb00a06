// Layers of the plan view above its base layer, drawn by the draw thread in
// the view's layer order, and the markers tools put on screen between draws.
// Positions are mapped with truncation toward zero.
#include "views/plan/overlays.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/gdi_text.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/selection.h"
#include "views/plan/marker_font.h"
#include "views/contours/contour_list.h"
#include <cstring>
#include <vector>

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }
static bool Cancelled(HWND view)
{
    JobControl* job = JobOf(view);
    return job && JobCancelled(job);
}

ViewMapping PlanViewMapping(const ViewRecord* r)
{
    ViewMapping m;
    m.minX = r->dataMinX;
    m.minY = r->dataMinY;
    m.maxX = r->dataMaxX;
    m.maxY = r->dataMaxY;
    m.centerX = r->centerX;
    m.centerY = r->centerY;
    m.scale = r->scale;
    m.fullScale = r->fullScale;
    m.imageHeight = r->imageHeight;
    m.imageWidth = r->imageWidth;
    m.drawHeight = r->drawHeight;
    m.drawWidth = r->drawWidth;
    m.scrollX = r->scrollX;
    m.scrollY = r->scrollY;
    m.clientWidth = r->clientWidth;
    m.clientHeight = r->clientHeight;
    m.left = r->viewLeft;
    m.bottom = r->viewBottom;
    m.right = r->viewRight;
    m.top = r->viewTop;
    m.zoomLevel = r->zoomLevel;
    return m;
}

static POINT ToPixel(const ViewRecord* r, double x, double y)
{
    POINT p = {(LONG)((x - r->viewLeft) / r->scale), (LONG)((r->viewTop - y) / r->scale)};
    return p;
}

// The view is drawn one pixel wider and higher than its client rectangle.
static bool OnScreen(const RECT& area, POINT p) { return p.x >= 0 && p.x <= area.right && p.y >= 0 && p.y <= area.bottom; }

// ---- reference images ----------------------------------------------------------

// Walks the shown reference files of one kind in list order, polling cancel
// before each; 0 on a cancel or when the drawer stops.
static int DrawShownReferences(HWND view, HDC hdc, int kind, int (*draw)(HWND, HDC, const ReferenceFile*))
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->references) return 1;
    for (int i = 0; i < r->referenceCount; i++) {
        if (Cancelled(view)) return 0;
        const ReferenceFile* file = r->references[i];
        if (file && file->visible && file->kind == kind && !draw(view, hdc, file)) return 0;
    }
    return 1;
}

int DrawReferenceImages(HWND view, HDC hdc) { return DrawShownReferences(view, hdc, REFERENCE_IMAGE, DrawReferenceImage); }

int DrawReferenceImage(HWND view, HDC hdc, const ReferenceFile* file)
{
    ViewRecord* r = ViewRecordOf(view);
    const ReferenceImage* image = file ? file->image : nullptr;
    if (!r || !image || !image->pixels || image->rows <= 0 || image->columns <= 0) return 1;
    RingPolygon* footprint = NewBoxPolygon(image->minX, image->maxY, image->maxX, image->minY);
    RingPolygon* window = NewBoxPolygon(r->viewLeft, r->viewTop, r->viewRight, r->viewBottom);
    int overlap = footprint && window && PolygonsOverlap(footprint, window);
    FreePolygon(footprint);
    FreePolygon(window);
    if (!overlap) return 1;

    RECT area;
    GetViewClientRect(view, &area);
    const double scale = r->scale, left = r->viewLeft, top = r->viewTop;
    int x0 = (int)((image->minX - left) / scale + 0.5);
    if (x0 < 0) x0 = 0;
    int x1 = (int)((image->maxX - left) / scale + 0.5);
    if (x1 > area.right) x1 = area.right;
    if ((int)((x0 * scale + left - image->minX) / image->pixelWidth) < 0) x0++;
    if ((int)((x1 * scale + left - image->minX) / image->pixelWidth) >= image->columns) x1--;
    int y0 = image->maxY >= top ? 0 : (int)((top - image->maxY) / scale + 0.5);
    if (y0 < 0) y0 = 0;
    int y1 = (int)((top - image->minY) / scale + 0.5);
    if (y1 > area.bottom) y1 = area.bottom;
    if ((int)((image->maxY - (top - y1 * scale)) / image->pixelHeight) >= image->rows) y1--;
    if ((int)((image->maxY - (top - y0 * scale)) / image->pixelHeight) < 0) y0++;

    int w = x1 - x0 + 1, h = y1 - y0 + 1;
    if (w <= 0 || h <= 0) return 1;
    int bpp = image->bytesPerPixel == 1 ? 1 : 3;
    int W = (w + 3) & ~3;
    BITMAPINFO* info = BuildBitmapInfo(W, h, bpp);
    uint8_t* buffer = (uint8_t*)NBLCalloc((uint64_t)h * W * bpp, 1);
    if (!info || !buffer) {
        NBLFree(info);
        NBLFree(buffer);
        return 1;
    }
    // Bottom-up rows: buffer row 0 is screen row y1.
    double y = top - y1 * scale;
    for (int row = 0; row < h; row++, y += scale) {
        int imageRow = (int)((image->maxY - y) / image->pixelHeight);
        if (imageRow < 0 || imageRow >= image->rows) continue;
        const uint8_t* source = image->pixels[imageRow];
        uint8_t* target = buffer + (size_t)row * W * bpp;
        double x = x0 * scale + left;
        for (int col = 0; col < w; col++, x += scale) {
            int imageColumn = (int)((x - image->minX) / image->pixelWidth);
            if (imageColumn < 0 || imageColumn >= image->columns) continue;
            memcpy(target + col * bpp, source + imageColumn * bpp, bpp);
        }
    }
    HBITMAP bitmap = CreateDIBitmap(hdc, &info->bmiHeader, CBM_INIT, buffer, info, DIB_RGB_COLORS);
    HDC mem = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(hdc, x0, y0, W, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bitmap);
    NBLFree(buffer);
    NBLFree(info);
    return 1;
}

// ---- vector references ----------------------------------------------------------

int DrawReferenceShapeFiles(HWND view, HDC hdc)
{
    return DrawShownReferences(view, hdc, REFERENCE_SHAPEFILE, DrawReferenceShapes);
}

// A line through the vertices of a Polyline, open.
static void DrawOpenLine(const ViewRecord* r, HDC hdc, const struct Polyline* line)
{
    if (!line || !line->vertices || line->vertexCount < 1) return;
    std::vector<POINT> points(line->vertexCount);
    for (int k = 0; k < line->vertexCount; k++) points[k] = ToPixel(r, line->vertices[k].x, line->vertices[k].y);
    if (points.size() == 1) {
        MoveToEx(hdc, points[0].x, points[0].y, nullptr);
        LineTo(hdc, points[0].x, points[0].y);
    } else {
        ::Polyline(hdc, points.data(), (int)points.size());
    }
}

int DrawReferenceShapes(HWND view, HDC hdc, const ReferenceFile* file)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !file) return 1;
    HPEN pen = CreatePen(PS_SOLID, file->width, file->color);
    HBRUSH brush = CreateSolidBrush(file->color);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    int oldMode = SetROP2(hdc, R2_COPYPEN);
    int completed = 1;
    if ((file->shapeKind == SHAPES_LINES || file->shapeKind == SHAPES_POLYGONS) && file->lines) {
        for (int i = 0; i < file->lines->count && completed; i++) {
            if (Cancelled(view)) completed = 0;
            else DrawOpenLine(r, hdc, file->lines->items[i]);
        }
    } else if (file->shapeKind == SHAPES_POINTS && file->points) {
        RECT area;
        GetViewClientRect(view, &area);
        int d = file->width - 1;
        for (int i = 0; i < file->pointCount && completed; i++) {
            if (Cancelled(view)) {
                completed = 0;
                break;
            }
            POINT p = ToPixel(r, file->points[i].x, file->points[i].y);
            if (!OnScreen(area, p)) continue;
            if (file->width <= 1) SetPixel(hdc, p.x, p.y, file->color);
            else Ellipse(hdc, p.x - d, p.y - d, p.x + d, p.y + d);
        }
    }
    SetROP2(hdc, oldMode);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    return completed;
}

// ---- contours and AOI polygons -----------------------------------------------------

static bool AppJobRunning() { return FrameWindow && GetWindowSlot(FrameWindow, FRAME_APPJOB) && IsAppJobBusy(); }

int DrawContours(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    // The contour job owns and rebuilds the list while it runs.
    if (!r || !r->contours || AppJobRunning()) return 1;
    HPEN intermediate = CreatePen(PS_SOLID, 1, r->contourIntermediateColor);
    HPEN index = CreatePen(PS_SOLID, 1, r->contourIndexColor);
    HGDIOBJ oldPen = SelectObject(hdc, intermediate);
    int oldMode = SetROP2(hdc, R2_COPYPEN);
    int completed = 1;
    for (int i = 0; i < r->contours->count; i++) {
        if (Cancelled(view)) {
            completed = 0;
            break;
        }
        const struct Polyline* line = r->contours->lines[i];
        if (!line) continue;
        SelectObject(hdc, line->type == CONTOUR_INDEX ? index : intermediate);
        DrawOpenLine(r, hdc, line);
    }
    SetROP2(hdc, oldMode);
    SelectObject(hdc, oldPen);
    DeleteObject(intermediate);
    DeleteObject(index);
    return completed;
}

int DrawAOIPolygons(HWND view, HDC hdc, const AOISet* set)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !set) return 1;
    r->redrawOverlays = 0;
    if (set->shapeKind != SHAPES_LINES && set->shapeKind != SHAPES_POLYGONS) return 1;
    if (!set->lines) return 1;
    int oldMode = SetROP2(hdc, R2_COPYPEN);
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    int completed = 1;
    for (int i = 0; i < set->lines->count; i++) {
        const struct Polyline* polygon = set->lines->items[i];
        if (!polygon || polygon->deleted) continue;
        HPEN pen;
        if (polygon->typePosition < 0) {
            // An untyped polygon stays visible whatever types are hidden.
            pen = CreatePen(PS_DASH, r->aoiLineWidth, RGB(255, 0, 0));
        } else {
            if (polygon->typePosition < 256 && !r->aoiClassTable.entries[polygon->typePosition].display) continue;
            pen = CreatePen(PS_SOLID, r->aoiLineWidth, polygon->color);
        }
        if (Cancelled(view)) {
            DeleteObject(pen);
            completed = 0;
            break;
        }
        SelectObject(hdc, pen);
        DrawOpenLine(r, hdc, polygon);
        SelectObject(hdc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
    SelectObject(hdc, oldPen);
    SetROP2(hdc, oldMode);
    return completed;
}

// ---- outline and profile box -----------------------------------------------------------

// A closed outline through the points with a 2-pixel XOR pen.
static void XorClosedOutline(HDC hdc, std::vector<POINT>& points, COLORREF colour)
{
    points.push_back(points[0]);
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    int oldMode = SetROP2(hdc, R2_XORPEN);
    ::Polyline(hdc, points.data(), (int)points.size());
    SetROP2(hdc, oldMode);
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
}

int DrawDataSetOutline(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    const DataSet* set = r ? r->currentDataSet : nullptr;
    if (!set || !set->extent || set->extent->num_contours < 1) return 1;
    // The outline marks a data set whose loaded bounds differ from the
    // bounds its points span (a clipped or decimated load).
    if (set->minX == set->loadedMinX && set->maxX == set->loadedMaxX && set->minY == set->loadedMinY &&
        set->maxY == set->loadedMaxY)
        return 1;
    const PolygonRing& ring = set->extent->contour[0];
    if (ring.num_vertices < 1) return 1;
    std::vector<POINT> points(ring.num_vertices);
    for (int k = 0; k < ring.num_vertices; k++) points[k] = ToPixel(r, ring.vertex[k].x, ring.vertex[k].y);
    XorClosedOutline(hdc, points, RGB(0, 255, 0));
    return 1;
}

void ShowProfileBoxIn3D(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r && r->glWindow && r->window) PostMessageA(r->window, WM_REFRESH_3D, 0, 0);
}

int DrawProfileBox(HWND view, HDC given, const struct Polyline* box, COLORREF colour)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !box || !box->vertices || box->vertexCount < 1) return 1;
    ShowProfileBoxIn3D(view);
    HDC hdc = given ? given : GetDC(view);
    std::vector<POINT> points(box->vertexCount);
    for (int k = 0; k < box->vertexCount; k++) points[k] = ToPixel(r, box->vertices[k].x, box->vertices[k].y);
    XorClosedOutline(hdc, points, colour);
    if (!given) ReleaseDC(view, hdc);
    return 1;
}

// ---- POI markers --------------------------------------------------------------------------

int DrawPOIMarkers(HWND view, HDC given)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->showPOIMarkers || !r->poiSet || r->poiSet->count <= 0 || !r->poiSet->records) return 1;
    int radius = r->poiMarkerSize < 2 ? 2 : r->poiMarkerSize;
    RECT area;
    GetViewClientRect(view, &area);
    // Without a device context the markers go straight onto the window, on
    // the user interface thread between draws: there is no draw to cancel.
    HDC hdc = given ? given : GetDC(view);
    LOGFONTA lf;
    CreateMarkerFont(&lf, hdc);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = SelectObject(hdc, font);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(DC_BRUSH));
    int oldBk = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldText = GetTextColor(hdc);
    int completed = 1;
    for (int i = 0; i < r->poiSet->count; i++) {
        if (given && Cancelled(view)) {
            completed = 0;
            break;
        }
        const POIRecord& poi = r->poiSet->records[i];
        if (poi.deleted) continue;
        POINT p = ToPixel(r, poi.x, poi.y);
        if (!OnScreen(area, p)) continue;
        SetDCBrushColor(hdc, poi.color);
        Ellipse(hdc, p.x - radius, p.y - radius, p.x + radius, p.y + radius);
        if (r->showPOINames) {
            SetTextColor(hdc, poi.color);
            DrawProgramText(hdc, p.x + 2 * radius, p.y - 2 * radius, poi.name);
        }
    }
    SetTextColor(hdc, oldText);
    SetBkMode(hdc, oldBk);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldFont);
    DeleteObject(pen);
    DeleteObject(font);
    if (!given) ReleaseDC(view, hdc);
    return completed;
}

// ---- markers on the user interface thread --------------------------------------------------

// One circle of the given pen and fill at a world position through a mapping.
static void Mark(HDC hdc, const ViewMapping* m, double x, double y, COLORREF pen, int penWidth, COLORREF fill,
                 int radius)
{
    int px = (int)((x - m->left) / m->scale), py = (int)((m->top - y) / m->scale);
    if (px < 0 || px >= m->drawWidth || py < 0 || py >= m->drawHeight) return;
    HPEN p = CreatePen(PS_SOLID, penWidth, pen);
    HBRUSH b = CreateSolidBrush(fill);
    HGDIOBJ oldPen = SelectObject(hdc, p);
    HGDIOBJ oldBrush = SelectObject(hdc, b);
    Ellipse(hdc, px - radius, py - radius, px + radius, py + radius);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(p);
    DeleteObject(b);
}

// Runs `draw` on the window's own device context between draws.
template <typename F>
static int BetweenDraws(HWND window, F draw)
{
    JobControl* job = JobOf(window);
    if (!window || !job) return 0;
    CancelViewDraw(window);
    WaitForObjectPumping(job->mutex);
    HDC hdc = GetDC(window);
    draw(hdc);
    ReleaseDC(window, hdc);
    ReleaseMutex(job->mutex);
    return 1;
}

int HighlightPoints(HWND view, const PointSelection* selection)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !selection) return 0;
    ViewMapping m = PlanViewMapping(r);
    return BetweenDraws(view, [&](HDC hdc) {
        for (int i = 0; i < selection->count; i++) {
            const PointRecord* p = selection->items[i];
            Mark(hdc, &m, p->x, p->y, RGB(0, 255, 255), 1, r->classTable.entries[p->classification].mainColor, 3);
        }
    });
}

int DrawProfilePointMark(HWND profile, const PointRecord* point)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !point) return 0;
    ViewMapping m = r->profile;
    return BetweenDraws(profile, [&](HDC hdc) {
        Mark(hdc, &m, point->x, point->y, RGB(0, 255, 255), 2, r->classTable.entries[point->classification].profileColor, 5);
    });
}

void DrawCursorMarkOn(HDC hdc, const ViewMapping* mapping, double x, double y)
{
    Mark(hdc, mapping, x, y, RGB(255, 255, 0), 1, RGB(255, 128, 0), 3);
}

int DrawCursorMark(HWND window, const ViewMapping* mapping, double x, double y)
{
    if (!mapping) return 0;
    ViewMapping m = *mapping;
    return BetweenDraws(window, [&](HDC hdc) { DrawCursorMarkOn(hdc, &m, x, y); });
}
