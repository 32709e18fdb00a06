// Point selections and the spatial tiles of a point data set (the records
// only, as the drawing code reads them).
#pragma once
#include <windows.h>
#include <cstdint>
#include "base/polygon.h"
#include "data/dataset.h"

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
