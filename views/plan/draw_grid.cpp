// Grid views drawn on the plan view's draw thread: posts sampled per pixel or
// thinned to a step, and the shaded surface in one of three raster walks
// chosen by how many pixels a cell covers, so that the work follows the
// window size rather than the grid size.
#include "views/plan/draw_grid.h"
#include "views/plan/draw_points.h"
#include "views/plan/color_ramp.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/palette.h"
#include "base/gpc.h"
#include "base/progress.h"
#include "base/vector.h"
#include "data/gdal_grid.h"
#include "data/selection.h"
#include "data/magnitude.h"
#include <cmath>
#include <cstring>
#include <vector>

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }
static bool Cancelled(JobControl* job) { return job && JobCancelled(job); }

static inline uint32_t PixelRGB(int red, int green, int blue) { return ((uint32_t)red << 16) | ((uint32_t)green << 8) | (uint32_t)blue; }
static inline uint32_t PixelOf(COLORREF c) { return PixelRGB(GetRValue(c), GetGValue(c), GetBValue(c)); }
static inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

static DataSet* GridOf(const ViewRecord* r, int d)
{
    if (!r || !r->dataSets || d < 0 || d >= r->dataSetCount) return nullptr;
    DataSet* set = r->dataSets[d];
    return set && set->heights && set->rows > 0 && set->columns > 0 && set->cellSize > 0 ? set : nullptr;
}

int GridPostStep(int64_t n, int zoomLevel)
{
    const int64_t kPosts = 262144;   // 2^18
    if (n <= kPosts) return 1;
    int64_t k;
    switch (zoomLevel) {
    case 0: k = 2; break;
    case 1: k = 4; break;
    case 2: k = 16; break;
    default: return 1;
    }
    int d = (int)((double)(n / k) / (double)kPosts + 0.5);
    return d < 1 ? 1 : d;
}

int GridShadeGray(int shade)
{
    float x = ((float)shade + 37.5f) / 75.0f;
    return Clamp255((int)((x + 1) * 128) - 37);
}

// Grid extents are axis-aligned rectangles made by the loaders, so their
// bounds decide; a grid of one row or column still has a place on the map.
int IsDataSetVisible(HWND view, int d)
{
    ViewRecord* r = ViewRecordOf(view);
    DataSet* set = GridOf(r, d);
    if (!set) return 0;
    return set->minX <= r->viewRight && r->viewLeft <= set->maxX && set->minY <= r->viewTop &&
           r->viewBottom <= set->maxY;
}

int ViewGridZRange(HWND view, float* low, float* high)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    float lo = 3.37e38f, hi = -3.37e38f;
    const float voidValue = VoidCellValue;
    for (int d = 0; d < r->dataSetCount; d++) {
        DataSet* set = GridOf(r, d);
        if (!set || !IsDataSetVisible(view, d) || !set->extent) continue;
        RingPolygon* window = NewBoxPolygon(r->viewLeft, r->viewTop, r->viewRight, r->viewBottom);
        if (!window) continue;
        gpc_polygon inside = {};
        gpc_polygon_clip(GPC_INT, set->extent, window, &inside);
        if (inside.num_contours > 0) {
            int r0, r1, c0, c1;
            PolygonBounds(&inside, set, &r0, &r1, &c0, &c1);
            for (int row = r0; row <= r1; row++)
                for (int c = c0; c <= c1; c++) {
                    float h = set->heights[row][c];
                    if (h == voidValue) continue;
                    if (h < lo) lo = h;
                    if (h > hi) hi = h;
                }
        }
        gpc_free_polygon(&inside);
        FreePolygon(window);
    }
    if (lo == 3.37e38f || hi == -3.37e38f) return 0;
    *low = lo;
    *high = hi;
    return 1;
}

int8_t TriangleShade(const Vec3* p0, const Vec3* p1, const Vec3* p2, const Vec3* light, float zExaggeration)
{
    double ux = p0->x - p1->x, uy = p0->y - p1->y, uz = (double)p0->z - p1->z;
    double vx = p1->x - p2->x, vy = p1->y - p2->y, vz = (double)p1->z - p2->z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    nz /= zExaggeration > 0 ? zExaggeration : 1.0f;
    double length = sqrt(nx * nx + ny * ny + nz * nz);
    double d = length > 0 ? (nx * light->x + ny * light->y + nz * light->z) / length : 0;
    if (!std::isfinite(d)) d = 0;
    return (int8_t)(int)(75 * d - 37);
}

int CreateGridMesh(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || r->meshBuilt) return 0;
    int64_t allRows = 0;
    for (int d = 0; d < r->dataSetCount; d++)
        if (DataSet* set = GridOf(r, d)) allRows += set->rows;
    const float voidValue = VoidCellValue;

    // The ramp spans the heights of the surface; void cells are no height.
    StartProgress((unsigned)(allRows / 64 + 1), "Locate TIN Data");
    float lo = 3.37e38f, hi = -3.37e38f;
    for (int d = 0; d < r->dataSetCount; d++) {
        DataSet* set = GridOf(r, d);
        if (!set) continue;
        for (int row = 0; row < set->rows; row++) {
            if (row % 64 == 0) StepProgress();
            const float* h = set->heights[row];
            for (int c = 0; c < set->columns; c++) {
                if (h[c] == voidValue) continue;
                if (h[c] < lo) lo = h[c];
                if (h[c] > hi) hi = h[c];
            }
        }
    }
    EndProgress();
    if (lo <= hi) {
        r->rampMinZ = lo;
        r->rampMaxZ = hi;
    }

    Vec3 light;
    LightDirection(r->lightAzimuth, r->lightElevation, &light);
    StartProgress((unsigned)(allRows / 64 + 1), "Create Mesh");
    int processed = 0;
    for (int d = 0; d < r->dataSetCount; d++) {
        DataSet* set = GridOf(r, d);
        if (!set || !set->mask) continue;
        const double cs = set->cellSize;
        for (int row = 0; row + 1 < set->rows; row++) {
            if (row % 64 == 0) StepProgress();
            const float* h0 = set->heights[row];
            const float* h1 = set->heights[row + 1];
            int8_t* shade = (int8_t*)set->mask[row];
            double y0 = set->originY - row * cs, y1 = y0 - cs;
            for (int c = 0; c + 1 < set->columns; c++) {
                double x0 = set->originX + c * cs, x1 = x0 + cs;
                Vec3 a = {x0, y0, h0[c]}, b = {x0, y1, h1[c]}, e = {x1, y0, h0[c + 1]}, f = {x1, y1, h1[c + 1]};
                shade[2 * c] = TriangleShade(&e, &a, &b, &light, r->zExaggeration);
                shade[2 * c + 1] = TriangleShade(&b, &f, &e, &light, r->zExaggeration);
            }
            processed++;
        }
    }
    EndProgress();
    r->meshBuilt = 1;
    return processed;
}

// --- the off-screen canvas ---------------------------------------------------------

// What the lower layers drew is copied in, the grid drawn on top and the
// result copied back, also after a cancel.
struct GridCanvas {
    HDC target = nullptr, mem = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    Offscreen off = {};
    uint32_t* bits = nullptr;
    int width = 0, height = 0;
};

static bool OpenCanvas(GridCanvas* c, HDC hdc, const ViewRecord* r)
{
    c->width = r->drawWidth;
    c->height = r->drawHeight;
    if (c->width <= 0 || c->height <= 0 || !AcquireOffscreen(&c->off, c->width, c->height)) return false;
    c->target = hdc;
    c->mem = CreateCompatibleDC(hdc);
    c->oldBitmap = SelectObject(c->mem, c->off.bitmap);
    BitBlt(c->mem, 0, 0, c->width, c->height, hdc, 0, 0, SRCCOPY);
    GdiFlush();
    c->bits = (uint32_t*)c->off.bits;
    return true;
}

static void CloseCanvas(GridCanvas* c)
{
    GdiFlush();
    BitBlt(c->target, 0, 0, c->width, c->height, c->mem, 0, 0, SRCCOPY);
    SelectObject(c->mem, c->oldBitmap);
    DeleteDC(c->mem);
    ReleaseOffscreen(&c->off);
}

// The mapping of one draw, looked up once.
struct GridMapping {
    double left, top, scale;
    int width, height;
};

static GridMapping MappingOf(const ViewRecord* r)
{
    return {r->viewLeft, r->viewTop, r->scale, r->drawWidth, r->drawHeight};
}

// Cell index of an offset from the first post in cells: the cell whose area
// (half a cell either side of its post) holds it; floored, since truncation
// would give the first cell a whole cell more on the outside. -1 before the
// first cell, `count` at and beyond the last.
static int CellUnder(double cells, int count)
{
    double f = floor(cells + 0.5);
    return f < 0 ? -1 : f >= count ? count : (int)f;
}

// Cell column under each screen column (nearest post); -1 left of the grid,
// `columns` at and beyond its right end.
static void ColumnsUnderPixels(const GridMapping& m, const DataSet* set, int step, std::vector<int>* out)
{
    out->assign(m.width, set->columns);
    for (int x = 0; x < m.width; x += step)
        (*out)[x] = CellUnder((x * m.scale + m.left - set->originX) / set->cellSize, set->columns);
}

static int RowUnderPixel(const GridMapping& m, const DataSet* set, int y)
{
    return CellUnder((y * m.scale - m.top + set->originY) / set->cellSize, set->rows);
}

// --- posts -------------------------------------------------------------------------

enum PostKind { POST_ELEVATION, POST_SOLID, POST_MAGNITUDE };

struct PostColors {
    int kind;
    uint32_t solid;
    uint32_t ramp[768];
    float rampMin, rampMax, rampFactor;
    int rampCount;
    std::vector<uint8_t> magnitudeGrey;
};

// g = trunc(f (magnitude - low)) within 0-255 over the fitted range when one
// is set, else the plain range; an empty range shows a middle grey.
void FillMagnitudeGrey(const DataSet* set, std::vector<uint8_t>* grey)
{
    double low, high;
    if (set->magnitudeFitState == kMagnitudeFitSet) {
        low = (int)set->magnitudeFitLow;
        high = set->magnitudeFitHigh;
        double f = 255.0 / (set->magnitudeFitHigh - set->magnitudeFitLow);
        grey->resize(65536);
        for (int m = 0; m < 65536; m++) {
            double g = f * (m - low);
            (*grey)[m] = !(high > set->magnitudeFitLow) ? 128 : g <= 0 ? 0 : g >= 255 ? 255 : (uint8_t)(int)g;
        }
        return;
    }
    low = set->magnitudePlainLow;
    high = set->magnitudePlainHigh;
    grey->resize(65536);
    double f = 255.0 / (high - low);
    for (int m = 0; m < 65536; m++) {
        double g = f * (m - low);
        (*grey)[m] = !(high > low) ? 128 : g <= 0 ? 0 : g >= 255 ? 255 : (uint8_t)(int)g;
    }
}

// The ramp entry of a height: below the range the first, above it (or not a
// number) the last.
static inline int RampIndex(float z, float low, float high, float factor, int count)
{
    if (z < low) return 0;
    if (!(z <= high)) return count - 1;
    int i = (int)((z - low) * factor);
    return i >= count ? count - 1 : i < 0 ? 0 : i;
}

static inline uint32_t RampPixel(const PostColors& p, float z)
{
    return p.ramp[RampIndex(z, p.rampMin, p.rampMax, p.rampFactor, p.rampCount)];
}

static inline uint32_t PostPixel(const PostColors& p, const DataSet* set, int row, int c)
{
    switch (p.kind) {
    case POST_ELEVATION: return RampPixel(p, set->heights[row][c]);
    case POST_MAGNITUDE: {
        uint32_t g = p.magnitudeGrey[set->magnitudes[row][c]];
        return PixelRGB(g, g, g);
    }
    default: return p.solid;
    }
}

static void DrawPost(GridCanvas* canvas, int x, int y, int size, uint32_t pixel, COLORREF* last, HPEN* pen,
                     HBRUSH* brush)
{
    COLORREF c = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    if (!*pen || c != *last) {
        HPEN newPen = CreatePen(PS_SOLID, 1, c);
        HBRUSH newBrush = CreateSolidBrush(c);
        SelectObject(canvas->mem, newPen);
        SelectObject(canvas->mem, newBrush);
        if (*pen) DeleteObject(*pen);
        if (*brush) DeleteObject(*brush);
        *pen = newPen;
        *brush = newBrush;
        *last = c;
    }
    Ellipse(canvas->mem, x - size + 1, y - size + 1, x + size - 1, y + size - 1);
}

static int DrawPosts(HWND view, HDC hdc, int d, int decimated, PostColors* colors)
{
    ViewRecord* r = ViewRecordOf(view);
    DataSet* set = GridOf(r, d);
    if (!set || !IsDataSetVisible(view, d)) return 1;
    JobControl* job = JobOf(view);
    GridCanvas canvas;
    if (!OpenCanvas(&canvas, hdc, r)) return 1;
    const GridMapping m = MappingOf(r);
    const float voidValue = VoidCellValue;
    int done = 1;
    if (!decimated) {
        std::vector<int> columnOf;
        ColumnsUnderPixels(m, set, 1, &columnOf);
        for (int y = 0; y < m.height; y++) {
            if (y % 64 == 0 && Cancelled(job)) {
                done = 0;
                break;
            }
            int row = RowUnderPixel(m, set, y);
            if (row < 0) continue;
            if (row >= set->rows) break;
            const float* h = set->heights[row];
            uint32_t* line = canvas.bits + (size_t)y * m.width;
            for (int x = 0; x < m.width; x++) {
                int c = columnOf[x];
                if (c < 0) continue;
                if (c >= set->columns) break;
                if (h[c] != voidValue) line[x] = PostPixel(*colors, set, row, c);
            }
        }
    } else {
        int step = GridPostStep(r->totalPoints, r->zoomLevel);
        int size = r->pointSizeStep;
        COLORREF last = 0;
        HPEN pen = nullptr;
        HBRUSH brush = nullptr;
        HGDIOBJ oldPen = SelectObject(canvas.mem, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(canvas.mem, GetStockObject(BLACK_BRUSH));
        for (int row = 0; row < set->rows; row += step) {
            if (row % 64 == 0 && Cancelled(job)) {
                done = 0;
                break;
            }
            int y = (int)((m.top - (set->originY - row * set->cellSize)) / m.scale);
            if (y < 0) continue;
            if (y >= m.height) break;
            const float* h = set->heights[row];
            for (int c = 0; c < set->columns; c += step) {
                if (h[c] == voidValue) continue;
                int x = (int)((c * set->cellSize + set->originX - m.left) / m.scale);
                if (x < 0) continue;
                if (x >= m.width) break;
                uint32_t pixel = PostPixel(*colors, set, row, c);
                if (size <= 1) canvas.bits[(size_t)y * m.width + x] = pixel;
                else DrawPost(&canvas, x, y, size, pixel, &last, &pen, &brush);
            }
            if (size > 1) GdiFlush();
        }
        SelectObject(canvas.mem, oldPen);
        SelectObject(canvas.mem, oldBrush);
        if (pen) DeleteObject(pen);
        if (brush) DeleteObject(brush);
    }
    CloseCanvas(&canvas);
    return done;
}

int DrawGridPointsByElevation(HWND view, HDC hdc, int d, int decimated)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!GridOf(r, d)) return 1;
    PostColors colors;
    colors.kind = POST_ELEVATION;
    SetupPointColorRampOf(r);
    for (int i = 0; i < r->rampCount; i++)
        colors.ramp[i] = PixelRGB(r->rampColors[i][0], r->rampColors[i][1], r->rampColors[i][2]);
    colors.rampMin = r->rampMinZ;
    colors.rampMax = r->rampMaxZ;
    colors.rampFactor = r->rampFactor;
    colors.rampCount = r->rampCount > 0 ? r->rampCount : 1;
    return DrawPosts(view, hdc, d, decimated, &colors);
}

int DrawGridPointsSolid(HWND view, HDC hdc, int d, int decimated)
{
    PostColors colors;
    colors.kind = POST_SOLID;
    colors.solid = PixelOf(GetPaletteColor(d));
    return DrawPosts(view, hdc, d, decimated, &colors);
}

int DrawGridPointsByMagnitude(HWND view, HDC hdc, int d, int decimated)
{
    DataSet* set = GridOf(ViewRecordOf(view), d);
    if (!set) return 1;
    if (!set->magnitudes) return DrawGridPointsSolid(view, hdc, d, decimated);
    PostColors colors;
    colors.kind = POST_MAGNITUDE;
    FillMagnitudeGrey(set, &colors.magnitudeGrey);
    return DrawPosts(view, hdc, d, decimated, &colors);
}

int DrawGridPoints(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    int decimated = r->displayMode != 8006 && r->overlayPointsOverBackground;
    int mode = r->pointColorMode;
    if (mode < 1200 || mode > 1209) return 1;
    for (int d = 0; d < r->dataSetCount; d++) {
        int result;
        if (mode == 1200 || mode == 1201) result = DrawGridPointsByElevation(view, hdc, d, decimated);
        else if (mode == 1203 || mode == 1207) result = DrawGridPointsByMagnitude(view, hdc, d, decimated);
        else result = DrawGridPointsSolid(view, hdc, d, decimated);
        if (!result) return 0;
    }
    return 1;
}

// --- the shaded surface ------------------------------------------------------------

enum ShadeKind { SHADE_RAMP, SHADE_GRAY, SHADE_MAGNITUDE };

struct ShadeColors {
    int kind;
    uint8_t ramp[768][3];
    float rampMin, rampMax, rampFactor;
    int rampCount;
    uint8_t gray[256];            // by shade byte
    std::vector<uint8_t> magnitudeGrey;
};

// Upper-left triangle of cell (r, c): corners (r, c), (r + 1, c), (r, c + 1);
// lower-right: (r + 1, c + 1), (r + 1, c), (r, c + 1). A triangle with a void
// corner has no surface and is not drawn.
static inline bool TrianglePixel(const ShadeColors& s, const DataSet* set, int row, int c, int lower, float voidValue,
                                 uint32_t* pixel)
{
    const float* h0 = set->heights[row];
    const float* h1 = set->heights[row + 1];
    float a = lower ? h1[c + 1] : h0[c], b = h1[c], e = h0[c + 1];
    if (a == voidValue || b == voidValue || e == voidValue) return false;
    int shade = ((const int8_t*)set->mask[row])[2 * c + lower];
    switch (s.kind) {
    case SHADE_GRAY: {
        uint32_t g = s.gray[(uint8_t)shade];
        *pixel = PixelRGB(g, g, g);
        return true;
    }
    case SHADE_MAGNITUDE: {
        int g = s.magnitudeGrey[set->magnitudes[row][c + lower]];
        float x = ((float)shade + 37.5f) / 75.0f;
        int grey = (int)(0.5f * (x + 1) * g);
        if (grey > 255) grey = 255;
        *pixel = PixelRGB(grey, grey, grey);
        return true;
    }
    default: {
        float z = a < b ? a : b;
        if (e < z) z = e;
        int i = RampIndex(z, s.rampMin, s.rampMax, s.rampFactor, s.rampCount);
        *pixel = PixelRGB(Clamp255(s.ramp[i][0] + shade), Clamp255(s.ramp[i][1] + shade),
                          Clamp255(s.ramp[i][2] + shade));
        return true;
    }
    }
}

static inline void FillSpan(GridCanvas* canvas, int y, int x0, int x1, uint32_t pixel)
{
    if (y < 0 || y >= canvas->height) return;
    if (x0 < 0) x0 = 0;
    if (x1 >= canvas->width) x1 = canvas->width - 1;
    uint32_t* line = canvas->bits + (size_t)y * canvas->width;
    for (int x = x0; x <= x1; x++) line[x] = pixel;
}

// A filled right triangle with its outline, as a polygon drawn with a pen and
// brush of one colour covers it: the upper-left one has its right angle at
// (x0, y0), the lower-right one at (x1, y1).
static void FillCellTriangle(GridCanvas* canvas, int x0, int y0, int x1, int y1, int lower, uint32_t pixel)
{
    int h = y1 - y0, w = x1 - x0;
    for (int y = y0 < 0 ? 0 : y0; y <= y1 && y < canvas->height; y++) {
        if (!lower) FillSpan(canvas, y, x0, x0 + (int)((int64_t)w * (y1 - y) / (h > 0 ? h : 1)), pixel);
        else FillSpan(canvas, y, x1 - (int)((int64_t)w * (y - y0) / (h > 0 ? h : 1)), x1, pixel);
    }
}

static int ShadeDataSet(GridCanvas* canvas, const GridMapping& m, const DataSet* set, const ShadeColors& s,
                        JobControl* job)
{
    const float voidValue = VoidCellValue;
    const double cs = set->cellSize;
    uint32_t pixel;
    if (cs < 2.5 * m.scale) {
        // Cells of up to 2.5 pixels: sample by pixel, or by 2 x 2 blocks that
        // show both triangles of a cell.
        const int step = cs < m.scale ? 1 : 2;
        std::vector<int> columnOf;
        ColumnsUnderPixels(m, set, step, &columnOf);
        for (int y = 0; y < m.height; y += step) {
            if ((y / step) % 64 == 0 && Cancelled(job)) return 0;
            int row = RowUnderPixel(m, set, y);
            if (row < 0) continue;
            if (row >= set->rows - 1) break;
            uint32_t* line = canvas->bits + (size_t)y * m.width;
            uint32_t* next = y + 1 < m.height ? line + m.width : nullptr;
            for (int x = 0; x < m.width; x += step) {
                int c = columnOf[x];
                if (c < 0) continue;
                if (c >= set->columns - 1) break;
                if (step == 1) {
                    if (TrianglePixel(s, set, row, c, 0, voidValue, &pixel)) line[x] = pixel;
                    continue;
                }
                bool wide = x + 1 < m.width;
                if (TrianglePixel(s, set, row, c, 0, voidValue, &pixel)) {
                    line[x] = pixel;
                    if (wide) line[x + 1] = pixel;
                }
                if (next && TrianglePixel(s, set, row, c, 1, voidValue, &pixel)) {
                    next[x] = pixel;
                    if (wide) next[x + 1] = pixel;
                }
            }
        }
        return 1;
    }
    // Larger cells: two filled triangles each. Cells reaching into the window
    // from above or from the left are drawn too, clipped.
    int firstRow = (int)floor((set->originY - m.top) / cs) - 1;
    int firstColumn = (int)floor((m.left - set->originX) / cs) - 1;
    if (firstRow < 0) firstRow = 0;
    if (firstColumn < 0) firstColumn = 0;
    for (int row = firstRow; row + 1 < set->rows; row++) {
        if ((row - firstRow) % 64 == 0 && Cancelled(job)) return 0;
        int y0 = (int)((m.top - (set->originY - row * cs)) / m.scale);
        int y1 = (int)((m.top - (set->originY - (row + 1) * cs)) / m.scale);
        if (y1 < 0) continue;
        if (y0 >= m.height) break;
        for (int c = firstColumn; c + 1 < set->columns; c++) {
            int x0 = (int)((c * cs + set->originX - m.left) / m.scale);
            int x1 = (int)(((c + 1) * cs + set->originX - m.left) / m.scale);
            if (x1 < 0) continue;
            if (x0 >= m.width) break;
            if (TrianglePixel(s, set, row, c, 0, voidValue, &pixel)) FillCellTriangle(canvas, x0, y0, x1, y1, 0, pixel);
            if (TrianglePixel(s, set, row, c, 1, voidValue, &pixel)) FillCellTriangle(canvas, x0, y0, x1, y1, 1, pixel);
        }
    }
    return 1;
}

static int ShadeDataSets(HWND view, HDC hdc, const ShadeColors& s, int first, int last, bool magnitudesOnly)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    GridCanvas canvas;
    if (!OpenCanvas(&canvas, hdc, r)) return 1;
    const GridMapping m = MappingOf(r);
    JobControl* job = JobOf(view);
    int done = 1;
    ShadeColors* perSet = nullptr;
    for (int d = first; d <= last && done; d++) {
        DataSet* set = GridOf(r, d);
        if (!set || !set->mask || !IsDataSetVisible(view, d)) continue;
        if (magnitudesOnly) {
            if (!set->magnitudes) continue;
            if (!perSet) perSet = new ShadeColors(s);
            FillMagnitudeGrey(set, &perSet->magnitudeGrey);
            done = ShadeDataSet(&canvas, m, set, *perSet, job);
        } else {
            done = ShadeDataSet(&canvas, m, set, s, job);
        }
    }
    delete perSet;
    CloseCanvas(&canvas);
    return done;
}

int DrawGridShadedRamp(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    SetupTINColorRampOf(r);
    if (r->scaleColorsToLocal && r->zoomLevel != 0) {
        float low, high;
        if (ViewGridZRange(view, &low, &high)) {
            r->rampMinZ = low;
            r->rampMaxZ = high;
        }
        float span = r->rampMaxZ - r->rampMinZ;
        r->rampFactor = span > 0 ? (float)r->rampCount / span : 0.0f;
    }
    ShadeColors* s = new ShadeColors();
    s->kind = SHADE_RAMP;
    memcpy(s->ramp, r->rampColors, sizeof s->ramp);
    s->rampMin = r->rampMinZ;
    s->rampMax = r->rampMaxZ;
    s->rampFactor = r->rampFactor;
    s->rampCount = r->rampCount > 0 ? r->rampCount : 1;
    int done = ShadeDataSets(view, hdc, *s, 0, r->dataSetCount - 1, false);
    delete s;
    return done;
}

int DrawGridShadedGray(HWND view, HDC hdc, int first, int last)
{
    ShadeColors* s = new ShadeColors();
    s->kind = SHADE_GRAY;
    for (int i = 0; i < 256; i++) s->gray[i] = (uint8_t)GridShadeGray((int8_t)i);
    int done = ShadeDataSets(view, hdc, *s, first, last, false);
    delete s;
    return done;
}

int DrawGridShadedMagnitude(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    ShadeColors* s = new ShadeColors();
    s->kind = SHADE_MAGNITUDE;
    int done = ShadeDataSets(view, hdc, *s, 0, r->dataSetCount - 1, true);
    delete s;
    return done;
}

int DrawGridShaded(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    switch (r->tinColorMode) {
    case 2: return DrawGridShadedGray(view, hdc, 0, r->dataSetCount - 1);
    case 3:
    case 4: return DrawGridShadedMagnitude(view, hdc);
    default: return DrawGridShadedRamp(view, hdc);
    }
}
