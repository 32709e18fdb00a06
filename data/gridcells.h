// Cell ranges of elevation grids: which rows and columns a polygon's
// bounding box covers.
#pragma once
#include "base/gpc.h"

struct DataSet;

// The rows and columns of the grid under the bounding box of the polygon's
// first contour, each clamped into the grid; returns 1.
int PolygonBounds(gpc_polygon* polygon, DataSet* grid, int* rowMin, int* rowMax, int* columnMin, int* columnMax);
