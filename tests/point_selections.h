// Selections over points made in memory; they point at the points, never own them.
#pragma once
#include "data/data_set.h"
#include "data/selection.h"

// The first `n` of the points.
inline PointSelection* SelectPoints(PointRecord* points, int32_t n)
{
    PointSelection* s = CreatePointSelection(n);
    for (int32_t i = 0; i < n; i++) s->items[i] = &points[i];
    return s;
}
inline PointSelection* SelectAllPoints(DataSet* set) { return SelectPoints(set->points, set->pointCount); }
