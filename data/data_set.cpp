// DataSet creation and release, and the return-position rule of the loaders.
#include "data/data_set.h"
#include "base/heap.h"

// The spatial index is released by its own module. Until that module is part
// of the build, a set can carry no tiles, so the reference is weak and the
// call is skipped when nothing defines it.
#if defined(__GNUC__)
void FreePointTiles(PointTiles* tiles) __attribute__((weak));
#else
void FreePointTiles(PointTiles* tiles);
#endif

uint8_t MakeReturnByte(uint32_t r, uint32_t n)
{
    uint32_t position;
    if (r == 0 && n == 0) {
        r = 1;
        n = 1;
        position = RETURN_SINGLE;
    } else if (r == 1) {
        position = n == 1 ? RETURN_SINGLE : RETURN_FIRST;
    } else if (r == 0) {
        position = RETURN_INTERMEDIATE;
    } else {
        position = r == n ? RETURN_LAST : RETURN_INTERMEDIATE;
    }
    return (uint8_t)((r & 7u) | ((n & 7u) << 3) | (position << 6));
}

int SetGridExtent(DataSet* set)
{
    set->extent = NewPolygon(4);
    if (!set->extent) return 0;
    gpc_vertex* v = set->extent->contour[0].vertex;
    v[0] = {set->minX, set->maxY};
    v[1] = {set->maxX, set->maxY};
    v[2] = {set->maxX, set->minY};
    v[3] = {set->minX, set->minY};
    return 1;
}

DataSet* AllocDataSet()
{
    return (DataSet*)NBLCalloc(1, sizeof(DataSet));
}

// Frees the set and everything it owns; 0 for null.
int FreeDataSet(DataSet* set)
{
    if (!set) return 0;
    if (set->extent) FreePolygon(set->extent);
    if (set->points) NBLFree(set->points);
#if defined(__GNUC__)
    if (set->tiles && FreePointTiles) FreePointTiles(set->tiles);
#else
    if (set->tiles) FreePointTiles(set->tiles);
#endif
    if (set->heights) Free2D(set->heights);
    if (set->magnitudes) Free2D(set->magnitudes);
    if (set->mask) Free2D(set->mask);
    NBLFree(set);
    return 1;
}
