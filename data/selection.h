// Point selections, the common result of every spatial point query, and the
// spatial tiles of a point data set that those queries walk.
#pragma once
#include <windows.h>
#include <cstdint>
#include "base/polygon.h"
#include "data/data_set.h"

// Bounds of a selection before any point widened them.
constexpr double kSelectionEmptyMin = 3.37e38;
constexpr double kSelectionEmptyMax = -3.37e38;

// Points a tile is built for, and the size thinned query results keep.
constexpr int32_t kTilePoints = 262144;

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
// Points whose class is flagged in the table, inside the rectangle.
PointSelection* SelectClassesInBox(DataSet* set, double left, double top, double right, double bottom,
                                   const int32_t classes[256]);

// What the view queries read of a plan view: its data sets and filters. The
// shell fills one from a view's record (app/view_selection.h).
struct ViewPointFilter {
    DataSet** dataSets;
    int32_t   dataSetCount;
    int32_t   dataKind;                 // as DataSet kind
    int32_t   showSingleReturns, showFirstReturns, showIntermediateReturns, showLastReturns;
    uint8_t   classDisplay[256];        // the class is drawn
    uint8_t   classTIN[256];            // the class goes into the TIN
    int32_t   zoomLevel;
    double    viewLeft, viewBottom, viewRight, viewTop;
    int32_t   autoDecimateTIN;
};

// Queries on a plan view's data sets.
PointSelection* LocateTINData(const ViewPointFilter* view);
PointSelection* CollectTINPoints(const ViewPointFilter* view);
PointSelection* LocatePointData(const ViewPointFilter* view, RingPolygon* polygon);
PointSelection* LocatePointDataByFile(const ViewPointFilter* view, RingPolygon* polygon);
PointSelection* SelectPointsInPolygon(const ViewPointFilter* view, struct Polyline* line);
PointSelection* SelectViewPointsInPolygon(const ViewPointFilter* view, struct Polyline* line);
PointSelection* SelectGridCellsInPolygon(const ViewPointFilter* view, struct Polyline* line);

// The cell index ranges of a grid that the bounding box of the polygon's
// outer rings covers, clamped to the grid; 0 when the polygon has no vertex.
int PolygonBounds(gpc_polygon* polygon, DataSet* grid, int* rowMin, int* rowMax, int* columnMin, int* columnMax);
// Row and column ranges of the part of a grid's extent inside the polygon;
// false when the two do not overlap.
bool GridRange(DataSet* set, RingPolygon* polygon, int* r0, int* r1, int* c0, int* c1);

// The even step by which a result of n points is thinned (1: kept whole).
int32_t ThinningStep(int32_t n);
