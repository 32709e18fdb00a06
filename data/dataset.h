// Placeholder until the data-set records land: the fields the shell and the
// plan view read, under their final names.
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct PointRecord {
    double   x;
    double   y;
    float    z;
    uint16_t intensity;
    uint8_t  returns;         // bits 0-2 return number, 3-5 number of returns, 6-7 return position
    uint8_t  classification;
    uint16_t pointSourceId;
    uint8_t  flags;           // bits 0-1 scanner channel, 2 synthetic, 3 key point, 4 withheld, 5 overlap
    uint8_t  red;
    uint8_t  green;
    uint8_t  blue;
    double   gpsTime;
};
#pragma pack(pop)
static_assert(sizeof(PointRecord) == 38, "PointRecord is 38 bytes");

// Polygon records in the gpc layout.
struct gpc_vertex { double x, y; };
struct gpc_vertex_list { int num_vertices; gpc_vertex* vertex; };
struct gpc_polygon { int num_contours; int* hole; gpc_vertex_list* contour; };
typedef gpc_polygon RingPolygon;

struct PointSelection {
    double minX, maxX, minY, maxY, minZ, maxZ;
    RingPolygon* polygon;
    int32_t count;
    int32_t capacity;
    PointRecord** items;
    PointRecord* ownedRecords;
    int32_t dataSetCount;
    int32_t* dataSetCounts;
};

struct PointTiles {
    int32_t rows;
    int32_t columns;
    PointSelection*** cells;   // rows x columns, null for an empty cell
};

struct SourceIdEntry {
    uint32_t color;    // display colour of the flight line
    int32_t  present;
};
constexpr size_t kSourceIdCount = 65536;

struct DataSet {
    char     path[256];
    char     title[256];
    int32_t  kind;
    int32_t  pointCount;
    PointRecord* points;
    PointTiles*  tiles;
    double   minX, maxX, minY, maxY;
    float    minZ, maxZ;
    float    rampLowZ, rampHighZ;
    int32_t  intensityLow, intensityHigh;
    double   intensityScale;
    SourceIdEntry sourceIdTable[kSourceIdCount];
};
