// Points of a point view by colour mode, one data set after the other:
// filtered by return category and class display, thinned by a decimation step
// on large sets, culled by tile and by the drawing area, drawn off screen.
#include "views/plan/draw_points.h"
#include "app/command_ids.h"
#include "views/plan/color_ramp.h"
#include "views/plan/draw_grid.h"
#include "base/palette.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "data/selection.h"
#include "app/window_slots.h"
#include <cstring>

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }

enum ColorKind {
    BY_ELEVATION, BY_CLASS, BY_INTENSITY, BY_SOURCE_ID, BY_FILE, BY_RETURN, BY_RGB, BY_CHANNEL, BY_FLAG
};

int PointDecimationStep(int64_t n, int zoomLevel)
{
    const int64_t kFitted = 262144;   // 2^18 points per data set in a fitted view
    if (n <= kFitted) return 1;
    int64_t m;
    switch (zoomLevel) {
    case 0: m = n; break;
    case 1: m = n / 4; break;
    case 2: m = n / 16; break;
    default: return 1;
    }
    int step = (int)((double)m / (double)kFitted + 0.5);
    return step < 1 ? 1 : step;
}

// A DIB pixel (blue in the low byte) from a colour value (red in the low byte).
static inline uint32_t PixelOf(COLORREF c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
static inline uint32_t PixelRGB(uint32_t red, uint32_t green, uint32_t blue) { return (red << 16) | (green << 8) | blue; }

// A point of the largest size covers at most this many pixels.
constexpr int kMaxStampPixels = 13 * 13;

// Everything one walk over a data set needs, looked up once.
struct PointWalk {
    double left, top, scale;
    int width, height;
    uint8_t returnShown[4];
    uint8_t classShown[256];
    // Colour tables by kind.
    uint32_t classPixel[256];
    uint32_t rampPixel[768];
    float rampMin, rampMax, rampFactor;
    int rampCount;
    const uint8_t* intensityGrey;   // 65,536 entries
    const SourceIdEntry* sourceIds;
    uint32_t returnPixel[8];
    uint32_t palettePixel[20];
    uint32_t filePixel;
    // Target: a top-down 32-bit DIB.
    uint32_t* bits;
    int pointSize;
    // The disc of a larger point: pixel offsets from its centre.
    int stampCount;
    int8_t stampX[kMaxStampPixels], stampY[kMaxStampPixels];
};

static inline uint32_t ColorOf(const PointWalk& w, int kind, const PointRecord* p)
{
    switch (kind) {
    case BY_ELEVATION: {
        float z = p->z;
        int i;
        if (z < w.rampMin) i = 0;
        else if (!(z <= w.rampMax)) i = w.rampCount - 1;   // above the range (or not a number)
        else {
            i = (int)((z - w.rampMin) * w.rampFactor);
            if (i >= w.rampCount) i = w.rampCount - 1;
            if (i < 0) i = 0;
        }
        return w.rampPixel[i];
    }
    case BY_CLASS: return w.classPixel[p->classification];
    case BY_INTENSITY: {
        uint32_t g = w.intensityGrey[p->intensity];
        return PixelRGB(g, g, g);
    }
    case BY_SOURCE_ID: return PixelOf(w.sourceIds[p->pointSourceId].color);
    case BY_FILE: return w.filePixel;
    case BY_RETURN: return w.returnPixel[p->returns & 7];
    case BY_RGB: return PixelRGB(p->red, p->green, p->blue);
    case BY_CHANNEL: return w.palettePixel[p->flags & 3];
    case BY_FLAG: {
        if ((p->flags & 0x3C) == 0) return PixelRGB(180, 180, 180);
        return w.palettePixel[((p->flags >> 2) & 15) % 20];
    }
    }
    return 0;
}

// A point of size 2 to 6 is the filled circle that GDI's Ellipse draws with a
// one-pixel pen of its colour. Drawing it through GDI costs a pen and a brush
// at every colour change, so the circle is drawn once here and its pixels are
// then stamped into the bitmap like single points.
static void MakeStamp(PointWalk& w)
{
    w.stampCount = 0;
    int d = w.pointSize > 6 ? 5 : w.pointSize - 1;   // sizes run from 1 to 6
    const int side = 2 * d + 3, centre = d + 1;
    void* bits = nullptr;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = -side;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    memset(bits, 0, (size_t)side * side * 4);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Ellipse(dc, centre - d, centre - d, centre + d, centre + d);
    GdiFlush();
    const uint32_t* p = (const uint32_t*)bits;
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++)
            if (p[y * side + x] && w.stampCount < kMaxStampPixels) {
                w.stampX[w.stampCount] = (int8_t)(x - centre);
                w.stampY[w.stampCount] = (int8_t)(y - centre);
                w.stampCount++;
            }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

static inline void DrawLargePoint(PointWalk& w, int x, int y, uint32_t pixel)
{
    const int width = w.width, height = w.height;
    for (int i = 0; i < w.stampCount; i++) {
        int px = x + w.stampX[i], py = y + w.stampY[i];
        if ((unsigned)px < (unsigned)width && (unsigned)py < (unsigned)height)
            w.bits[(size_t)py * (size_t)width + px] = pixel;
    }
}

// Walks one tile; 0 when a cancel arrived.
template <int KIND, bool LARGE>
static int WalkTile(PointWalk& w, const PointSelection* tile, int step, JobControl* job)
{
    PointRecord* const* items = tile->items;
    const int count = tile->count;
    const double left = w.left, top = w.top, scale = w.scale;
    const double width = w.width, height = w.height;
    for (int k = 0; k < count; k += step) {
        if ((k & 1023) == 0 && job && JobCancelled(job)) return 0;
        const PointRecord* p = items[k];
        if (!w.returnShown[p->returns >> 6]) continue;
        if (!w.classShown[p->classification]) continue;
        // Truncation toward zero: anything in (-1, 0) lands on pixel 0.
        double fx = (p->x - left) / scale;
        double fy = (top - p->y) / scale;
        if (!(fx > -1.0 && fx < width && fy > -1.0 && fy < height)) continue;
        int x = (int)fx, y = (int)fy;
        uint32_t pixel = ColorOf(w, KIND, p);
        if (LARGE) DrawLargePoint(w, x, y, pixel);
        else w.bits[(size_t)y * (size_t)w.width + x] = pixel;
    }
    return 1;
}

template <int KIND>
static int WalkTileOf(PointWalk& w, const PointSelection* tile, int step, JobControl* job)
{
    return w.pointSize > 1 ? WalkTile<KIND, true>(w, tile, step, job) : WalkTile<KIND, false>(w, tile, step, job);
}

static int WalkTileByKind(int kind, PointWalk& w, const PointSelection* tile, int step, JobControl* job)
{
    switch (kind) {
    case BY_ELEVATION: return WalkTileOf<BY_ELEVATION>(w, tile, step, job);
    case BY_CLASS: return WalkTileOf<BY_CLASS>(w, tile, step, job);
    case BY_INTENSITY: return WalkTileOf<BY_INTENSITY>(w, tile, step, job);
    case BY_SOURCE_ID: return WalkTileOf<BY_SOURCE_ID>(w, tile, step, job);
    case BY_FILE: return WalkTileOf<BY_FILE>(w, tile, step, job);
    case BY_RETURN: return WalkTileOf<BY_RETURN>(w, tile, step, job);
    case BY_RGB: return WalkTileOf<BY_RGB>(w, tile, step, job);
    case BY_CHANNEL: return WalkTileOf<BY_CHANNEL>(w, tile, step, job);
    default: return WalkTileOf<BY_FLAG>(w, tile, step, job);
    }
}

// A tile is visited when its rectangle overlaps the world window; tiles and
// the window are both axis-aligned rectangles, so their bounds decide.
static bool TileOverlaps(const PointSelection* tile, double left, double top, double right, double bottom)
{
    const RingPolygon* poly = tile->polygon;
    if (!poly || poly->num_contours < 1 || poly->contour[0].num_vertices < 1) return true;
    const gpc_vertex_list& ring = poly->contour[0];
    double x0 = ring.vertex[0].x, x1 = x0, y0 = ring.vertex[0].y, y1 = y0;
    for (int i = 1; i < ring.num_vertices; i++) {
        const gpc_vertex& v = ring.vertex[i];
        if (v.x < x0) x0 = v.x;
        if (v.x > x1) x1 = v.x;
        if (v.y < y0) y0 = v.y;
        if (v.y > y1) y1 = v.y;
    }
    return x0 < right && left < x1 && y0 < top && bottom < y1;
}

// Fresh pages cost far more than the drawing itself on a first touch, so one
// bitmap is kept for reuse; a second view drawing at the same time gets a
// bitmap of its own.
static volatile LONG PoolBusy;
static HBITMAP PoolBitmap;
static void* PoolBits;
static int PoolWidth, PoolHeight;

static HBITMAP CreateOffscreenBitmap(int width, int height, void** bits)
{
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

bool AcquireOffscreen(Offscreen* off, int width, int height)
{
    if (InterlockedCompareExchange(&PoolBusy, 1, 0) == 0) {
        if (!PoolBitmap || PoolWidth != width || PoolHeight != height) {
            if (PoolBitmap) DeleteObject(PoolBitmap);
            PoolBitmap = CreateOffscreenBitmap(width, height, &PoolBits);
            PoolWidth = PoolBitmap ? width : 0;
            PoolHeight = PoolBitmap ? height : 0;
        }
        if (PoolBitmap) {
            off->bitmap = PoolBitmap;
            off->bits = PoolBits;
            off->pooled = true;
            return true;
        }
        InterlockedExchange(&PoolBusy, 0);
    }
    off->pooled = false;
    off->bitmap = CreateOffscreenBitmap(width, height, &off->bits);
    return off->bitmap != nullptr;
}

void ReleaseOffscreen(Offscreen* off)
{
    if (off->pooled) InterlockedExchange(&PoolBusy, 0);
    else DeleteObject(off->bitmap);
}

static int DrawDataSetPoints(HWND view, HDC hdc, int d, int kind)
{
    ViewRecord* r = ViewRecordOf(view);
    JobControl* job = JobOf(view);
    if (!r || !r->dataSets || d < 0 || d >= r->dataSetCount) return 1;
    DataSet* set = r->dataSets[d];
    if (!set) return 1;
    r->currentDataSet = set;

    PointWalk w;
    memset(&w, 0, sizeof w);
    uint8_t intensityGrey[65536];   // per walk: two views may draw at once
    if (kind == BY_ELEVATION) {
        SetupPointColorRampOf(r);
        for (int i = 0; i < r->rampCount; i++)
            w.rampPixel[i] = PixelRGB(r->rampColors[i][0], r->rampColors[i][1], r->rampColors[i][2]);
        w.rampMin = r->rampMinZ;
        w.rampMax = r->rampMaxZ;
        w.rampFactor = r->rampFactor;
        w.rampCount = r->rampCount > 0 ? r->rampCount : 1;
    } else if (kind == BY_INTENSITY) {
        // g = trunc(f * (intensity - min)) with f a 32-bit float, clamped to 0..255.
        float f = 256.0f / (float)(set->intensityHigh - set->intensityLow);
        for (int i = 0; i < 65536; i++) {
            float v = f * (float)(i - set->intensityLow);
            intensityGrey[i] = !(v > 0.0f) ? 0 : v >= 255.0f ? 255 : (uint8_t)(int)v;
        }
        w.intensityGrey = intensityGrey;
    }
    for (int c = 0; c < 256; c++) {
        w.classShown[c] = r->classTable.entries[c].display ? 1 : 0;
        w.classPixel[c] = PixelOf(r->classTable.entries[c].mainColor);
    }
    w.returnShown[0] = r->showSingleReturns != 0;
    w.returnShown[1] = r->showFirstReturns != 0;
    w.returnShown[2] = r->showIntermediateReturns != 0;
    w.returnShown[3] = r->showLastReturns != 0;
    for (int i = 0; i < 8; i++) w.returnPixel[i] = PixelOf(r->returnColors[i]);
    for (int i = 0; i < 20; i++) w.palettePixel[i] = PixelOf(GetPaletteColor(i));
    w.filePixel = PixelOf(GetPaletteColor(d));
    w.sourceIds = set->sourceIdTable;
    w.left = r->viewLeft;
    w.top = r->viewTop;
    w.scale = r->scale;
    w.width = r->drawWidth;
    w.height = r->drawHeight;
    w.pointSize = r->pointSizeStep;

    int64_t n = kind == BY_FILE ? (int64_t)r->totalPoints : (int64_t)set->pointCount;
    int step = PointDecimationStep(n, r->zoomLevel);

    // Off screen: a copy of what the lower layers drew, the points on top.
    if (w.width <= 0 || w.height <= 0) return 1;
    Offscreen off;
    // Without a bitmap nothing is drawn: not done, so the image is not cached.
    if (!AcquireOffscreen(&off, w.width, w.height)) return 0;
    HDC mem = CreateCompatibleDC(hdc);
    HGDIOBJ oldBitmap = SelectObject(mem, off.bitmap);
    BitBlt(mem, 0, 0, w.width, w.height, hdc, 0, 0, SRCCOPY);
    GdiFlush();
    w.bits = (uint32_t*)off.bits;
    if (w.pointSize > 1) MakeStamp(w);

    int done = 1;
    const PointTiles* tiles = set->tiles;
    double right = r->viewRight, bottom = r->viewBottom;
    if (tiles && tiles->cells) {
        for (int i = 0; i < tiles->rows && done; i++) {
            for (int j = 0; j < tiles->columns && done; j++) {
                const PointSelection* tile = tiles->cells[i][j];
                if (!tile || !TileOverlaps(tile, w.left, w.top, right, bottom)) continue;
                done = WalkTileByKind(kind, w, tile, step, job);
            }
        }
    }
    GdiFlush();
    if (done) BitBlt(hdc, 0, 0, w.width, w.height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBitmap);
    DeleteDC(mem);
    ReleaseOffscreen(&off);
    return done;
}

int ColorPointsByElevation(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_ELEVATION); }
int ColorPointsByClass(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_CLASS); }
int ColorPointsByIntensity(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_INTENSITY); }
int ColorPointsBySourceID(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_SOURCE_ID); }
int ColorPointsByFile(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_FILE); }
int ColorPointsByReturn(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_RETURN); }
int ColorPointsByRGB(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_RGB); }
int ColorPointsByChannel(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_CHANNEL); }
int ColorPointsByFlag(HWND v, HDC h, int d) { return DrawDataSetPoints(v, h, d, BY_FLAG); }

typedef int (*PointDrawer)(HWND, HDC, int);

int DrawPointsForColorMode(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    if (r->dataKind == 3 || r->dataKind == 4) return DrawGridPoints(view, hdc);
    static const PointDrawer drawers[10] = {
        ColorPointsByElevation, ColorPointsByElevation, ColorPointsByClass, ColorPointsByIntensity,
        ColorPointsBySourceID, ColorPointsByFile, ColorPointsByReturn, ColorPointsByRGB,
        ColorPointsByChannel, ColorPointsByFlag,
    };
    int mode = r->pointColorMode - CMD_COLOR_FIRST;
    if (mode < 0 || mode > 9) return 1;
    int result = 1;
    for (int d = 0; d < r->dataSetCount; d++) {
        result = drawers[mode](view, hdc, d);
        if (!result) break;
    }
    return result;
}
