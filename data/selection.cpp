// Point selections and spatial tiles: building the tile grid of a point set
// and the rectangle, polygon and view queries that walk it.
#include "data/selection.h"
#include "base/heap.h"
#include "base/parallel.h"
#include "base/progress.h"
#include "data/gdal_grid.h"
#include <cmath>
#include <cstring>

PointSelection* CreatePointSelection(int32_t n)
{
    if (n < 0) n = 0;
    PointSelection* s = (PointSelection*)NBLCalloc(1, sizeof(PointSelection));
    if (!s) return nullptr;
    // One entry at least, so that the item array always exists and can grow.
    s->items = (PointRecord**)NBLCalloc(n > 0 ? (uint64_t)n : 1, sizeof(PointRecord*));
    s->polygon = NewPolygon(4);
    if (!s->items || !s->polygon) {
        NBLFree(s->items);
        FreePolygon(s->polygon);
        NBLFree(s);
        return nullptr;
    }
    s->count = s->capacity = n;
    s->minX = s->minY = s->minZ = kSelectionEmptyMin;
    s->maxX = s->maxY = s->maxZ = kSelectionEmptyMax;
    return s;
}

int FreePointSelection(PointSelection* s)
{
    if (!s) return 0;
    NBLFree(s->items);
    NBLFree(s->ownedRecords);
    FreePolygon(s->polygon);
    NBLFree(s->dataSetCounts);
    return NBLFree(s);
}

void FreePointTiles(PointTiles* tiles)
{
    if (!tiles) return;
    if (tiles->cells) {
        for (int32_t i = 0; i < tiles->rows; i++)
            for (int32_t j = 0; j < tiles->columns; j++) FreePointSelection(tiles->cells[i][j]);
        NBLFree2D(tiles->cells);
    }
    NBLFree(tiles);
}

static void SetRectangle(RingPolygon* polygon, double left, double top, double right, double bottom)
{
    RingVertex* v = polygon->contour[0].vertex;
    v[0].x = left;  v[0].y = top;
    v[1].x = right; v[1].y = top;
    v[2].x = right; v[2].y = bottom;
    v[3].x = left;  v[3].y = bottom;
}

// Cell indices along the two axes. The first guess by division is corrected
// against the edges exactly as the cell rectangles compute them (west and
// north edges belong to the cell), and clamped, so every point lands in
// exactly one cell, also one lying off the grid or carrying no number.
static int32_t ClampIndex(double f, int32_t cells)
{
    if (!(f >= 0)) return 0;
    if (f >= cells) return cells - 1;
    return (int32_t)f;
}

// The first guess multiplies by the reciprocal of the cell size (a division
// per point costs more than the rest of the pass); the guess is off by at
// most one next to an edge, and the edge tests settle it.
static int32_t ColumnOf(double x, double left, double w, double perW, int32_t columns)
{
    int32_t j = ClampIndex((x - left) * perW, columns);
    if (j > 0 && x < left + j * w) j--;
    else if (j + 1 < columns && x >= left + (j + 1) * w) j++;
    return j;
}

static int32_t RowOf(double y, double top, double h, double perH, int32_t rows)
{
    int32_t i = ClampIndex((top - y) * perH, rows);
    if (i > 0 && y > top - i * h) i--;
    else if (i + 1 < rows && y <= top - (i + 1) * h) i++;
    return i;
}

// The two passes of BuildPointTiles, one range of points per part.
static const int64_t kTilePartPoints = 1 << 20;

struct TileBuild {
    DataSet* set;
    bool narrow;                 // cell numbers fit 16 bits
    int32_t rows, columns;
    double left, top, w, h;
    int parts;
    void* cellOf;                // the cell of every point
    int32_t* counts;             // parts x cells: points counted, then where each part starts
    uint64_t cellCount;
    PointSelection** cells;      // rows x columns
};

static void FindCells(void* context, int part, int parts)
{
    TileBuild& b = *(TileBuild*)context;
    int64_t first, end;
    ParallelRange(b.set->pointCount, part, parts, &first, &end);
    int32_t* counts = b.counts + (uint64_t)part * b.cellCount;
    const double perW = 1.0 / b.w, perH = 1.0 / b.h;
    for (int64_t k = first; k < end; k++) {
        // Only the calling thread's part shows progress, as often as the
        // parts together make steps.
        if (part == 0 && (k - first) % 32768 == 0)
            for (int s = 0; s < parts; s++) StepProgress();
        const PointRecord* p = &b.set->points[k];
        // West and north edges belong to the cell: X from the left edge up,
        // Y from the top edge down.
        uint32_t c = (uint32_t)RowOf(p->y, b.top, b.h, perH, b.rows) * (uint32_t)b.columns +
                     (uint32_t)ColumnOf(p->x, b.left, b.w, perW, b.columns);
        if (b.narrow) ((uint16_t*)b.cellOf)[k] = (uint16_t)c;
        else ((uint32_t*)b.cellOf)[k] = c;
        counts[c]++;
    }
}

static void FillCells(void* context, int part, int parts)
{
    TileBuild& b = *(TileBuild*)context;
    int64_t first, end;
    ParallelRange(b.set->pointCount, part, parts, &first, &end);
    int32_t* next = b.counts + (uint64_t)part * b.cellCount;
    for (int64_t k = first; k < end; k++) {
        uint32_t c = b.narrow ? ((uint16_t*)b.cellOf)[k] : ((uint32_t*)b.cellOf)[k];
        b.cells[c]->items[next[c]++] = &b.set->points[k];
    }
}

PointTiles* BuildPointTiles(DataSet* set)
{
    if (!set || set->pointCount <= 0 || !set->points || set->kind == DATA_GDAL || set->kind == DATA_RADAR)
        return nullptr;
    double dx = 0.05 * (set->maxX - set->minX);
    double dy = 0.05 * (set->maxY - set->minY);
    double left = set->minX - dx, right = set->maxX + dx;
    double bottom = set->minY - dy, top = set->maxY + dy;
    double W = right - left, H = top - bottom;
    // Points on one line (or a single point) give an axis of zero width; it
    // gets a minimum size so that tile sides and cell sizes stay finite.
    if (!(W > 0)) {
        W = H > 0 ? H : 1.0;
        left = set->minX - W / 2;
    }
    if (!(H > 0)) {
        H = W;
        top = set->maxY + H / 2;
    }

    int32_t rows = 1, columns = 1;
    int32_t tileCount = set->pointCount / kTilePoints;
    if (tileCount > 0) {
        double s = std::sqrt(W * H / tileCount);
        columns = (int32_t)(W / s + 1);
        rows = (int32_t)(H / s + 1);
        if (columns < 1) columns = 1;
        if (rows < 1) rows = 1;
    }
    double w = W / columns, h = H / rows;

    PointTiles* tiles = (PointTiles*)NBLCalloc(1, sizeof(PointTiles));
    if (!tiles) return nullptr;
    tiles->rows = rows;
    tiles->columns = columns;
    tiles->cells = (PointSelection***)NBLCalloc2D(rows, columns, sizeof(PointSelection*));
    if (!tiles->cells) {
        NBLFree(tiles);
        return nullptr;
    }
    // The cell of every point first, then each cell's item array at its final
    // size: no array grows by copying (a large set has hundreds of cells of
    // hundreds of thousands of points). Both passes are split over threads by
    // ranges of points; each part counts its own cells and fills them from
    // where the parts before it end, so every cell holds its points in the
    // set's order as one pass would leave them.
    uint64_t cellCount = (uint64_t)rows * (uint64_t)columns;
    int32_t n = set->pointCount;
    TileBuild b;
    b.set = set;
    b.narrow = cellCount <= 65536;
    b.columns = columns;
    b.rows = rows;
    b.left = left;
    b.top = top;
    b.w = w;
    b.h = h;
    b.parts = ParallelParts(n, kTilePartPoints);
    uint64_t countBytes;
    bool sized = CheckedBytes(cellCount, (uint64_t)b.parts * sizeof(int32_t), &countBytes);
    b.cellOf = NBLMalloc((uint64_t)n * (b.narrow ? sizeof(uint16_t) : sizeof(uint32_t)));
    b.counts = sized ? (int32_t*)NBLCalloc(countBytes, 1) : nullptr;
    b.cellCount = cellCount;
    if (!b.cellOf || !b.counts) {
        NBLFree(b.cellOf);
        NBLFree(b.counts);
        FreePointTiles(tiles);
        return nullptr;
    }
    StartProgress((unsigned)(n / 32768 + 1), "Sorting Points");
    RunParallel(b.parts, FindCells, &b);
    bool failed = false;
    for (int32_t i = 0; i < rows && !failed; i++)
        for (int32_t j = 0; j < columns && !failed; j++) {
            uint64_t c = (uint64_t)i * columns + j;
            // Part by part: where each part's points of the cell start.
            int32_t count = 0;
            for (int p = 0; p < b.parts; p++) {
                int32_t own = b.counts[(uint64_t)p * cellCount + c];
                b.counts[(uint64_t)p * cellCount + c] = count;
                count += own;
            }
            if (count == 0) continue;
            PointSelection* cell = CreatePointSelection(count);
            if (!cell) {
                failed = true;
                break;
            }
            SetRectangle(cell->polygon, left + j * w, top - i * h, left + (j + 1) * w, top - (i + 1) * h);
            tiles->cells[i][j] = cell;
        }
    if (!failed) {
        b.cells = tiles->cells[0];   // one block of rows x columns
        RunParallel(b.parts, FillCells, &b);
    }
    NBLFree(b.cellOf);
    NBLFree(b.counts);
    EndProgress();
    if (failed) {
        FreePointTiles(tiles);
        return nullptr;
    }
    return tiles;
}

// ---- filters and helpers --------------------------------------------------------

static bool PassesReturnFilter(const ViewPointFilter* r, const PointRecord* p)
{
    switch (p->returns >> 6) {
    case 0: return r->showSingleReturns != 0;
    case 1: return r->showFirstReturns != 0;
    case 2: return r->showIntermediateReturns != 0;
    default: return r->showLastReturns != 0;
    }
}

static bool PassesTINFilter(const ViewPointFilter* r, const PointRecord* p)
{
    return r->classTIN[p->classification] != 0;
}

static bool PassesDisplayFilter(const ViewPointFilter* r, const PointRecord* p)
{
    return r->classDisplay[p->classification] != 0;
}

// Room for every point the view holds. The sum is taken from the data sets
// themselves, so a stale point total can never make the result too small.
static int32_t ViewPointCapacity(const ViewPointFilter* r)
{
    int64_t total = 0;
    for (int32_t d = 0; d < r->dataSetCount; d++)
        if (r->dataSets[d] && r->dataSets[d]->points) total += r->dataSets[d]->pointCount;
    return total > INT32_MAX ? INT32_MAX : (int32_t)total;
}

static inline void Add(PointSelection* s, PointRecord* p) { s->items[s->count++] = p; }

static inline void WidenXY(PointSelection* s, const PointRecord* p)
{
    if (p->x < s->minX) s->minX = p->x;
    if (p->x > s->maxX) s->maxX = p->x;
    if (p->y < s->minY) s->minY = p->y;
    if (p->y > s->maxY) s->maxY = p->y;
}

static inline void WidenZ(PointSelection* s, double z)
{
    if (z < s->minZ) s->minZ = z;
    if (z > s->maxZ) s->maxZ = z;
}

// Null for an empty result (freed), else the selection itself.
static PointSelection* NullWhenEmpty(PointSelection* s)
{
    if (s && s->count == 0) {
        FreePointSelection(s);
        return nullptr;
    }
    return s;
}

int32_t ThinningStep(int32_t n) { return (int32_t)(n / (double)kTilePoints + 0.5); }

// Keeps items 0, a, 2a, ... of a large result; the bounds stay those of every
// point found. Per-data-set running counts, when present, are carried over to
// the kept list. Frees the full list when it makes a new one.
static PointSelection* ThinSelection(PointSelection* full)
{
    if (!full) return nullptr;
    int32_t a = ThinningStep(full->count);
    if (a <= 1) return full;
    PointSelection* kept = CreatePointSelection(full->count / a + 1);
    if (!kept) return full;
    int32_t n = 0;
    for (int32_t k = 0; k < full->count; k += a) kept->items[n++] = full->items[k];
    kept->count = n;
    kept->minX = full->minX; kept->maxX = full->maxX;
    kept->minY = full->minY; kept->maxY = full->maxY;
    kept->minZ = full->minZ; kept->maxZ = full->maxZ;
    if (full->dataSetCounts && full->dataSetCount > 0) {
        int32_t sets = full->dataSetCount;
        kept->dataSetCounts = (int32_t*)NBLCalloc(sets, sizeof(int32_t));
        if (kept->dataSetCounts) {
            kept->dataSetCount = sets;
            int32_t cursor = 0;
            for (int32_t t = 0; t < n && cursor < sets; t++) {
                int64_t position = (int64_t)t * a;
                // A data set that gave no point shares its running total with
                // the one before it, so several may close at the same item.
                while (cursor < sets && position >= full->dataSetCounts[cursor]) kept->dataSetCounts[cursor++] = t;
            }
            for (; cursor < sets; cursor++) kept->dataSetCounts[cursor] = n;
        }
    }
    FreePointSelection(full);
    return kept;
}

static int32_t* NewDataSetCounts(PointSelection* s, int32_t sets)
{
    if (sets <= 0) return nullptr;
    s->dataSetCounts = (int32_t*)NBLCalloc(sets, sizeof(int32_t));
    if (s->dataSetCounts) s->dataSetCount = sets;
    return s->dataSetCounts;
}

// ---- queries --------------------------------------------------------------------

PointSelection* SelectClassPointsInBox(DataSet* set, double left, double top, double right, double bottom,
                                       int32_t classCode)
{
    int32_t classes[256] = {};
    if (classCode >= 0 && classCode < 256) classes[classCode] = 1;
    return SelectClassesInBox(set, left, top, right, bottom, classes);
}

PointSelection* SelectClassesInBox(DataSet* set, double left, double top, double right, double bottom,
                                   const int32_t classes[256])
{
    if (!set || !set->tiles || set->pointCount <= 0) return nullptr;
    RingPolygon* box = NewBoxPolygon(left, top, right, bottom);
    if (!box) return nullptr;
    PointSelection* s = CreatePointSelection(set->pointCount);
    if (!s) {
        FreePolygon(box);
        return nullptr;
    }
    s->count = 0;
    PointTiles* tiles = set->tiles;
    for (int32_t i = 0; i < tiles->rows; i++)
        for (int32_t j = 0; j < tiles->columns; j++) {
            PointSelection* cell = tiles->cells[i][j];
            if (!cell || !PolygonsOverlap(cell->polygon, box)) continue;
            for (int32_t k = 0; k < cell->count; k++) {
                PointRecord* p = cell->items[k];
                if (classes[p->classification] && p->x >= left && p->x <= right && p->y >= bottom && p->y <= top)
                    Add(s, p);
            }
        }
    FreePolygon(box);
    return NullWhenEmpty(s);
}

PointSelection* CollectTINPoints(const ViewPointFilter* view)
{
    const ViewPointFilter* r = view;
    if (!r || !r->dataSets) return nullptr;
    int32_t capacity = ViewPointCapacity(r);
    PointSelection* s = CreatePointSelection(capacity);
    if (!s) return nullptr;
    s->count = 0;
    StartProgress((unsigned)(capacity / 32768 + 1), "Locate TIN Data");
    for (int32_t d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        if (!set || !set->points) continue;
        for (int32_t k = 0; k < set->pointCount; k++) {
            if (k % 32768 == 0) StepProgress();
            PointRecord* p = &set->points[k];
            if (!PassesReturnFilter(r, p) || !PassesTINFilter(r, p)) continue;
            Add(s, p);
            WidenXY(s, p);
        }
    }
    EndProgress();
    return NullWhenEmpty(s);
}

PointSelection* LocateTINData(const ViewPointFilter* view)
{
    const ViewPointFilter* r = view;
    if (!r || !r->dataSets) return nullptr;
    PointSelection* s = nullptr;
    if (r->zoomLevel == 0) {
        s = CollectTINPoints(view);
    } else {
        double mx = 0.05 * (r->viewRight - r->viewLeft), my = 0.05 * (r->viewTop - r->viewBottom);
        double left = r->viewLeft - mx, right = r->viewRight + mx;
        double bottom = r->viewBottom - my, top = r->viewTop + my;
        RingPolygon* area = NewPolygon(4);
        if (!area) return nullptr;
        SetRectangle(area, left, top, right, bottom);
        s = CreatePointSelection(ViewPointCapacity(r));
        if (!s) {
            FreePolygon(area);
            return nullptr;
        }
        s->count = 0;
        for (int32_t d = 0; d < r->dataSetCount; d++) {
            DataSet* set = r->dataSets[d];
            if (!set || !set->tiles) continue;
            PointTiles* tiles = set->tiles;
            StartProgress((unsigned)(tiles->rows * tiles->columns), "Locate TIN Data");
            for (int32_t i = 0; i < tiles->rows; i++)
                for (int32_t j = 0; j < tiles->columns; j++) {
                    StepProgress();
                    PointSelection* cell = tiles->cells[i][j];
                    if (!cell || !PolygonsOverlap(cell->polygon, area)) continue;
                    for (int32_t k = 0; k < cell->count; k++) {
                        PointRecord* p = cell->items[k];
                        if (p->x < left || p->x > right || p->y < bottom || p->y > top) continue;
                        if (!PassesReturnFilter(r, p) || !PassesTINFilter(r, p)) continue;
                        Add(s, p);
                        WidenXY(s, p);
                    }
                }
            EndProgress();
        }
        FreePolygon(area);
        s = NullWhenEmpty(s);
    }
    if (s && r->autoDecimateTIN) s = ThinSelection(s);
    return s;
}

// The tiles of every data set that overlap the polygon, then the point test.
static PointSelection* PointsInPolygon(const ViewPointFilter* view, RingPolygon* polygon, bool byFile)
{
    const ViewPointFilter* r = view;
    if (!r || !r->dataSets || !polygon || polygon->num_contours < 1) return nullptr;
    PointSelection* s = CreatePointSelection(ViewPointCapacity(r));
    if (!s) return nullptr;
    s->count = 0;
    if (byFile && !NewDataSetCounts(s, r->dataSetCount)) byFile = false;
    const PolygonRing* ring = &polygon->contour[0];
    for (int32_t d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        if (set && set->tiles) {
            PointTiles* tiles = set->tiles;
            StartProgress((unsigned)(tiles->rows * tiles->columns), "Locate Point Data");
            for (int32_t i = 0; i < tiles->rows; i++)
                for (int32_t j = 0; j < tiles->columns; j++) {
                    StepProgress();
                    PointSelection* cell = tiles->cells[i][j];
                    if (!cell || !PolygonsOverlap(cell->polygon, polygon)) continue;
                    for (int32_t k = 0; k < cell->count; k++) {
                        PointRecord* p = cell->items[k];
                        if (!PointInPolygon(ring, p->x, p->y)) continue;
                        Add(s, p);
                        WidenXY(s, p);
                        WidenZ(s, p->z);
                    }
                }
            EndProgress();
        }
        if (byFile) s->dataSetCounts[d] = s->count;
    }
    return ThinSelection(NullWhenEmpty(s));
}

PointSelection* LocatePointData(const ViewPointFilter* view, RingPolygon* polygon) { return PointsInPolygon(view, polygon, false); }

PointSelection* LocatePointDataByFile(const ViewPointFilter* view, RingPolygon* polygon) { return PointsInPolygon(view, polygon, true); }

PointSelection* SelectPointsInPolygon(const ViewPointFilter* view, struct Polyline* line)
{
    const ViewPointFilter* r = view;
    if (!r) return nullptr;
    if (r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR) return SelectGridCellsInPolygon(view, line);
    return SelectViewPointsInPolygon(view, line);
}

PointSelection* SelectViewPointsInPolygon(const ViewPointFilter* view, struct Polyline* line)
{
    const ViewPointFilter* r = view;
    if (!r || !r->dataSets || !line) return nullptr;
    RingPolygon* polygon = PolylineToGpcPolygon(line);
    if (!polygon) return nullptr;
    PointSelection* s = CreatePointSelection(ViewPointCapacity(r));
    if (!s || !NewDataSetCounts(s, r->dataSetCount)) {
        FreePointSelection(s);
        FreePolygon(polygon);
        return nullptr;
    }
    s->count = 0;
    const PolygonRing* ring = &polygon->contour[0];
    for (int32_t d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        if (set && set->tiles) {
            PointTiles* tiles = set->tiles;
            for (int32_t i = 0; i < tiles->rows; i++)
                for (int32_t j = 0; j < tiles->columns; j++) {
                    PointSelection* cell = tiles->cells[i][j];
                    if (!cell || !PolygonsOverlap(cell->polygon, polygon)) continue;
                    for (int32_t k = 0; k < cell->count; k++) {
                        PointRecord* p = cell->items[k];
                        if (!PassesReturnFilter(r, p) || !PassesDisplayFilter(r, p)) continue;
                        if (!PointInPolygon(ring, p->x, p->y)) continue;
                        Add(s, p);
                        WidenXY(s, p);
                    }
                }
        }
        s->dataSetCounts[d] = s->count;
    }
    FreePolygon(polygon);
    return NullWhenEmpty(s);
}

int PolygonBounds(gpc_polygon* polygon, DataSet* grid, int* rowMin, int* rowMax, int* columnMin, int* columnMax)
{
    // Every outer ring counts: a clip can split a polygon into several.
    double minX = 3.37e38, maxX = -3.37e38, minY = 3.37e38, maxY = -3.37e38;
    for (int c = 0; c < polygon->num_contours; c++) {
        if (polygon->hole && polygon->hole[c]) continue;
        const gpc_vertex_list* ring = &polygon->contour[c];
        for (int i = 0; i < ring->num_vertices; i++) {
            if (ring->vertex[i].x < minX) minX = ring->vertex[i].x;
            if (ring->vertex[i].x > maxX) maxX = ring->vertex[i].x;
            if (ring->vertex[i].y < minY) minY = ring->vertex[i].y;
            if (ring->vertex[i].y > maxY) maxY = ring->vertex[i].y;
        }
    }
    if (minX > maxX) return 0;
    auto clamp = [](int v, int limit) { return v < 0 ? 0 : (v > limit - 1 ? limit - 1 : v); };
    *rowMin = clamp((int)((grid->originY - maxY) / grid->cellSize), grid->rows);
    *rowMax = clamp((int)((grid->originY - minY) / grid->cellSize), grid->rows);
    *columnMin = clamp((int)((minX - grid->originX) / grid->cellSize), grid->columns);
    *columnMax = clamp((int)((maxX - grid->originX) / grid->cellSize), grid->columns);
    return 1;
}

bool GridRange(DataSet* set, RingPolygon* polygon, int* r0, int* r1, int* c0, int* c1)
{
    if (!set->extent || !set->heights || set->rows <= 0 || set->columns <= 0) return false;
    if (!PolygonsOverlap(set->extent, polygon)) return false;
    gpc_polygon clipped = {};
    gpc_polygon_clip(GPC_INT, set->extent, polygon, &clipped);
    bool ok = clipped.num_contours > 0;
    if (ok) ok = PolygonBounds(&clipped, set, r0, r1, c0, c1) != 0;
    gpc_free_polygon(&clipped);
    return ok;
}

PointSelection* SelectGridCellsInPolygon(const ViewPointFilter* view, struct Polyline* line)
{
    const ViewPointFilter* r = view;
    if (!r || !r->dataSets || !line) return nullptr;
    RingPolygon* polygon = PolylineToGpcPolygon(line);
    if (!polygon) return nullptr;
    int64_t total = 0;
    for (int32_t d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        int r0, r1, c0, c1;
        if (set && GridRange(set, polygon, &r0, &r1, &c0, &c1)) total += (int64_t)(r1 - r0 + 1) * (c1 - c0 + 1);
    }
    if (total <= 0 || total > INT32_MAX) {
        FreePolygon(polygon);
        return nullptr;
    }
    PointSelection* s = CreatePointSelection((int32_t)total);
    if (s) s->ownedRecords = (PointRecord*)NBLCalloc((uint64_t)total, sizeof(PointRecord));
    if (!s || !s->ownedRecords || !NewDataSetCounts(s, r->dataSetCount)) {
        FreePointSelection(s);
        FreePolygon(polygon);
        return nullptr;
    }
    const PolygonRing* ring = &polygon->contour[0];
    int32_t filled = 0;
    for (int32_t d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        int r0, r1, c0, c1;
        if (set && GridRange(set, polygon, &r0, &r1, &c0, &c1)) {
            if (set->magnitudes) {
                set->intensityLow = (int32_t)set->magnitudeFitLow;
                set->intensityHigh = (int32_t)set->magnitudeFitHigh;
            } else {
                set->intensityLow = 0;
                set->intensityHigh = 255;
            }
            for (int row = r0; row <= r1; row++) {
                double y = set->originY - row * set->cellSize;
                for (int c = c0; c <= c1; c++) {
                    float height = set->heights[row][c];
                    if (height == VoidCellValue) continue;
                    double x = c * set->cellSize + set->originX;
                    if (!PointInPolygon(ring, x, y)) continue;
                    PointRecord* p = &s->ownedRecords[filled++];
                    p->x = x;
                    p->y = y;
                    p->z = height;
                    p->pointSourceId = (uint16_t)d;
                    p->intensity = set->magnitudes ? set->magnitudes[row][c] : 128;
                    WidenXY(s, p);
                    WidenZ(s, height);
                }
            }
        }
        s->dataSetCounts[d] = filled;
    }
    s->count = filled;
    if (filled > 0) {
        PointRecord* shrunk = (PointRecord*)NBLReMalloc(s->ownedRecords, (uint64_t)filled * sizeof(PointRecord));
        if (shrunk) s->ownedRecords = shrunk;
    }
    for (int32_t k = 0; k < filled; k++) s->items[k] = &s->ownedRecords[k];
    FreePolygon(polygon);
    return s;
}
