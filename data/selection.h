// Point selections, the common result of every spatial point query, and the
// spatial tiles of a point data set that those queries walk.
#pragma once
#include <windows.h>
#include <cstdint>
#include "base/polygon.h"
#include "data/dataset.h"

// Bounds of a selection before any point widened them.
constexpr double kSelectionEmptyMin = 3.37e38;
constexpr double kSelectionEmptyMax = -3.37e38;

// Points a tile is built for, and the size thinned query results keep.
constexpr int32_t kTilePoints = 262144;
constexpr int32_t kTileGrowth = 65536;

struct PointSelection {
    double  minX, maxX, minY, maxY, minZ, maxZ;
    RingPolygon* polygon;          // 4 vertices; a tile keeps its cell rectangle here
    int32_t count;                 // entries of items in use
    int32_t capacity;              // entries items holds
    PointRecord** items;           // point the data sets' records (not owned)
    PointRecord*  ownedRecords;    // records the selection owns (grid cells), or null
    int32_t  dataSetCount;         // entries of dataSetCounts, 0 when there is none
    int32_t* dataSetCounts;        // running number of items from data sets 0 .. k
};

struct PointTiles {
    int32_t rows;                  // row 0 is the northern row
    int32_t columns;               // column 0 is the western column
    PointSelection*** cells;       // rows x columns, null where no point fell
};

PointSelection* CreatePointSelection(int32_t n);
int             FreePointSelection(PointSelection* selection);

PointTiles* BuildPointTiles(DataSet* set);
void        FreePointTiles(PointTiles* tiles);

// Points of one class inside the rectangle (edges inclusive).
PointSelection* SelectClassPointsInBox(DataSet* set, double left, double top, double right, double bottom,
                                       int32_t classCode);

// Queries on a plan view's data sets (its window's record).
PointSelection* LocateTINData(HWND view);
PointSelection* CollectTINPoints(HWND view);
PointSelection* LocatePointData(HWND view, RingPolygon* polygon);
PointSelection* LocatePointDataByFile(HWND view, RingPolygon* polygon);
PointSelection* SelectPointsInPolygon(HWND view, struct Polyline* line);
PointSelection* SelectViewPointsInPolygon(HWND view, struct Polyline* line);
PointSelection* SelectGridCellsInPolygon(HWND view, struct Polyline* line);

// The even step by which a result of n points is thinned (1: kept whole).
int32_t ThinningStep(int32_t n);
