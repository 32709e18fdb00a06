// File kinds, data set statistics and the point density check.
#include "data/statistics.h"
#include "data/laz_loader.h"
#include "base/palette.h"
#include "base/heap.h"
#include "base/progress.h"
#include "base/triangulate/triangulate.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/las_loader.h"
#include "data/lasfile/las_file.h"
#include "data/radar_grid.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <cfloat>
#include <cmath>
#include <cstring>

int GetDataFileKind(const char* path)
{
    if (IsLASFile(path) || IsLAZFile(path)) return DATA_LAS;
    switch (CheckGDALGridFile(path)) {
    case GRID_USABLE: return DATA_GDAL;
    case GRID_REFUSED: return DATA_NONE;   // told the user already; not text either
    default: break;
    }
    if (IsRadarHeaderFile(path)) return DATA_RADAR;
    return DATA_ASCII;
}

// Standard deviation from a sum of squared deviations; a set of fewer than
// two values has none to speak of and gets 0.
static double SampleSd(double sumSquares, int64_t n)
{
    return n < 2 ? 0.0 : std::sqrt(sumSquares / (double)(n - 1));
}

// The elevation ramp: mean -/+ 1.25 standard deviations inside the Z range.
// Flat ground (or no value at all) leaves no range to spread the colours
// over; the ramp then spans one unit about the mean so its scale stays finite.
static void SetElevationRamp(DataSet* set)
{
    float high = (float)(set->meanZ + 1.25 * set->sdZ);
    float low = (float)(set->meanZ - 1.25 * set->sdZ);
    if (high > set->maxZ) high = set->maxZ;
    if (low < set->minZ) low = set->minZ;
    if (!(high > low)) {
        low = (float)(set->meanZ - 0.5);
        high = (float)(set->meanZ + 0.5);
    }
    set->rampHighZ = high;
    set->rampLowZ = low;
    set->rampScale = 768.0 / ((double)high - (double)low);
}

void ComputePointStatistics(DataSet* set)
{
    int32_t n = set->filePointCount;
    if (n > set->pointCount) n = set->pointCount;
    if (!set->points || n < 0) n = 0;
    StartProgress((unsigned)((int64_t)n * 2 / 32768 + 2), "Statistics");
    set->minX = set->minY = 3.37e38;
    set->maxX = set->maxY = -3.37e38;
    // Z bounds from the float extremes, so that any elevation (also one above
    // 100,000 or below -100,000) sets them.
    set->minZ = FLT_MAX;
    set->maxZ = -FLT_MAX;
    // Counted afresh, also when the statistics run again on the same set.
    for (size_t i = 0; i < kSourceIdCount; i++) set->sourceIdTable[i].present = 0;
    int32_t k = 0;
    double sumZ = 0, sumI = 0;
    // The bounds are kept in locals: the set's own fields may alias the point
    // records (the build does not assume strict aliasing), so updating them in
    // the loop would store and reload each one for every point.
    double minX = set->minX, maxX = set->maxX, minY = set->minY, maxY = set->maxY;
    float minZ = set->minZ, maxZ = set->maxZ;
    const PointRecord* points = set->points;
    SourceIdEntry* sources = set->sourceIdTable;
    for (int32_t start = 0; start < n; start += 32768) {
        StepProgress();
        int32_t end = n - start > 32768 ? start + 32768 : n;
        for (int32_t i = start; i < end; i++) {
            const PointRecord* p = &points[i];
            if (p->x < minX) minX = p->x;
            if (p->x > maxX) maxX = p->x;
            if (p->y < minY) minY = p->y;
            if (p->y > maxY) maxY = p->y;
            if (p->z < minZ) minZ = p->z;
            if (p->z > maxZ) maxZ = p->z;
            sumZ += p->z;
            sumI += p->intensity;
            SourceIdEntry* entry = &sources[p->pointSourceId];
            if (!entry->present) {
                entry->present = 1;
                entry->color = GetPaletteColor(k++);
            }
        }
    }
    set->minX = minX;
    set->maxX = maxX;
    set->minY = minY;
    set->maxY = maxY;
    set->minZ = minZ;
    set->maxZ = maxZ;
    set->sourceIdCount = k;
    set->loadedMinX = set->minX;
    set->loadedMaxX = set->maxX;
    set->loadedMinY = set->minY;
    set->loadedMaxY = set->maxY;

    double meanZ = n ? sumZ / n : 0, meanI = n ? sumI / n : 0;
    double squaresZ = 0, squaresI = 0;
    for (int32_t start = 0; start < n; start += 32768) {
        StepProgress();
        int32_t end = n - start > 32768 ? start + 32768 : n;
        for (int32_t i = start; i < end; i++) {
            double dz = points[i].z - meanZ, di = points[i].intensity - meanI;
            squaresZ += dz * dz;
            squaresI += di * di;
        }
    }
    set->meanZ = meanZ;
    set->sdZ = SampleSd(squaresZ, n);
    SetElevationRamp(set);

    set->meanIntensity = meanI;
    set->sdIntensity = SampleSd(squaresI, n);
    double high = meanI + 3 * set->sdIntensity, low = meanI - 3 * set->sdIntensity;
    set->intensityHigh = high > 65535 ? 65535 : (int32_t)high;
    set->intensityLow = low < 0 ? 0 : (int32_t)low;
    // All intensities equal (all zero is common): one step of range instead
    // of none, so the factor stays finite.
    if (set->intensityHigh <= set->intensityLow) {
        if (set->intensityLow >= 65535) set->intensityLow = 65534;
        set->intensityHigh = set->intensityLow + 1;
    }
    set->intensityScale = 128.0 / (set->intensityHigh - set->intensityLow);
    EndProgress();
}

void ComputeGridStatistics(DataSet* set)
{
    set->loadedMinX = set->minX;
    set->loadedMaxX = set->maxX;
    set->loadedMinY = set->minY;
    set->loadedMaxY = set->maxY;
    set->sourceIdCount = 1;
    int32_t rows = set->heights ? set->rows : 0, columns = set->columns;
    StartProgress((unsigned)((int64_t)rows * 2 / 256 + 1), "Statistics");
    double sum = 0;
    int64_t count = 0;
    for (int32_t r = 0; r < rows; r++) {
        if (r % 256 == 0) StepProgress();
        for (int32_t c = 0; c < columns; c++) {
            float h = set->heights[r][c];
            if (h == VoidCellValue) continue;
            sum += h;
            count++;
        }
    }
    double mean = count ? sum / count : 0;
    double squares = 0;
    for (int32_t r = 0; r < rows; r++) {
        if (r % 256 == 0) StepProgress();
        for (int32_t c = 0; c < columns; c++) {
            float h = set->heights[r][c];
            if (h == VoidCellValue) continue;
            squares += (h - mean) * (h - mean);
        }
    }
    set->meanZ = mean;
    set->sdZ = SampleSd(squares, count);
    SetElevationRamp(set);
    for (size_t i = 0; i < kSourceIdCount; i++) set->sourceIdTable[i].color = GetPaletteColor((int)i);
    EndProgress();
}

int ComputeDataSetStatistics(DataSet* set)
{
    if (!set) return 0;
    if (set->kind == DATA_GDAL || set->kind == DATA_RADAR) ComputeGridStatistics(set);
    else ComputePointStatistics(set);
    return 1;
}

TINModel* BuildEdgeTIN(PointSelection* points)
{
    if (!points || points->count <= 2) return nullptr;
    return TriangulateSelection(points, "eQz");
}

int DensityCheck(DataSet* set)
{
    if (!set) return 0;
    if (set->kind != DATA_LAS && set->kind != DATA_ASCII) return 1;
    set->pointSpacing = 0;
    PointTiles* tiles = set->tiles;
    if (!tiles || !tiles->cells) return 1;
    PointSelection* densest = nullptr;
    for (int32_t i = 0; i < tiles->rows; i++)
        for (int32_t j = 0; j < tiles->columns; j++) {
            PointSelection* cell = tiles->cells[i][j];
            if (cell && cell->count > 0 && (!densest || cell->count > densest->count)) densest = cell;
        }
    if (!densest) return 1;
    TINModel* tin = BuildEdgeTIN(densest);
    if (!tin) return 1;
    int32_t edges = tin->edgeCount;
    double* lengths = edges > 0 ? (double*)NBLMalloc((uint64_t)edges * sizeof(double)) : nullptr;
    if (!lengths) {
        FreeTINModel(tin, 0);
        return 1;
    }
    StartProgress((unsigned)((int64_t)edges * 3 / 32768 + 1), "Density Check");
    PointRecord** items = densest->items;
    const int32_t* markers = tin->pointMarkers;
    int32_t interior = 0;
    double sum = 0;
    for (int32_t e = 0; e < edges; e++) {
        if (e % 32768 == 0) StepProgress();
        int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
        if (markers && (markers[a] || markers[b])) continue;
        double dx = items[a]->x - items[b]->x, dy = items[a]->y - items[b]->y;
        double length = std::sqrt(dx * dx + dy * dy);
        lengths[interior++] = length;
        sum += length;
    }
    // A tile whose edges all touch the hull has nothing to measure: the
    // spacing stays unknown (0) rather than 0 / 0.
    if (interior > 0) {
        double mean = sum / interior;
        double limit = 2 * mean;
        double shortSum = 0;
        int32_t shortCount = 0;
        for (int32_t e = 0; e < interior; e++) {
            if (e % 32768 == 0) StepProgress();
            if (lengths[e] < limit) {
                shortSum += lengths[e];
                shortCount++;
            }
        }
        set->meanEdgeLength = (float)mean;
        if (shortCount > 0) {
            double shortMean = shortSum / shortCount;
            double squares = 0;
            for (int32_t e = 0; e < interior; e++) {
                if (e % 32768 == 0) StepProgress();
                if (lengths[e] < limit) squares += (shortMean - lengths[e]) * (shortMean - lengths[e]);
            }
            set->shortEdgeMean = (float)shortMean;
            set->shortEdgeSd = (float)SampleSd(squares, shortCount);
            set->pointSpacing = set->shortEdgeMean + 0.5f * set->shortEdgeSd;
        }
    }
    EndProgress();
    NBLFree(lengths);
    FreeTINModel(tin, 0);
    return 1;
}
