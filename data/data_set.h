// The in-memory data model: one DataSet per opened file, holding either a
// point cloud as an array of packed PointRecords or an elevation grid.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/polygon.h"

struct PointTiles;  // spatial index of a point set

// One point. The head (x, y, z) has the layout of Vec3.
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
static_assert(offsetof(PointRecord, intensity) == 20, "PointRecord head is a Vec3");
static_assert(offsetof(PointRecord, gpsTime) == 30, "PointRecord layout");

// Return positions (bits 6-7 of the return byte).
enum ReturnPosition : uint8_t {
    RETURN_SINGLE = 0,
    RETURN_FIRST = 1,
    RETURN_INTERMEDIATE = 2,
    RETURN_LAST = 3,
};

enum PointFlag : uint8_t {
    POINT_SCANNER_CHANNEL = 0x03,
    POINT_SYNTHETIC = 0x04,
    POINT_KEY_POINT = 0x08,
    POINT_WITHHELD = 0x10,
    POINT_OVERLAP = 0x20,
};

// The return byte of a point with return number r of n returns, with the
// return position every point loader derives the same way. A point that
// names neither (0 of 0) becomes a single return, 1 of 1.
uint8_t MakeReturnByte(uint32_t returnNumber, uint32_t numberOfReturns);

inline uint32_t ReturnNumberOf(uint8_t returns) { return returns & 7u; }
inline uint32_t NumberOfReturnsOf(uint8_t returns) { return (returns >> 3) & 7u; }
inline uint32_t ReturnPositionOf(uint8_t returns) { return returns >> 6; }

enum DataSetKind : int32_t {
    DATA_NONE = 0,   // reported as unusable when its kind was found: nothing loads it
    DATA_LAS = 1,    // LAS or LAZ points
    DATA_ASCII = 2,  // ASCII points
    DATA_GDAL = 3,   // GDAL elevation grid
    DATA_RADAR = 4,  // radar height grid
};

enum DataSetSource : int32_t {
    SOURCE_ASCII = 1,
    SOURCE_LAS = 3,
    SOURCE_GDAL = 5,
    SOURCE_RADAR = 6,
    SOURCE_LAZ = 7,
};

struct SourceIdEntry {
    uint32_t color;    // display colour of the flight line
    int32_t  present;  // 1 when a point carries this ID
};

constexpr size_t kSourceIdCount = 65536;

// Header values of a radar height set.
struct RadarBlock {
    int32_t cellCount;  // rows x columns
    int32_t utmZone;
    int32_t sch;        // 1 when the header gave a peg position
    double  pegHeading;
    double  pegLongitude;
    double  pegLatitude;
};

// One loaded file, zero-filled at creation; every field a loader does not
// name stays 0. The set owns points, tiles, extent and the three grids.
struct DataSet {
    char     path[256];
    char     title[256];
    int32_t  kind;            // DataSetKind
    int32_t  hasColor;
    int32_t  projectTile;
    int32_t  filePointCount;  // the file's own points, at the start of points
    int32_t  pointCount;      // file points followed by buffer points of neighbouring tiles
    PointRecord* points;
    PointTiles*  tiles;
    double   minX, maxX, minY, maxY;
    float    minZ, maxZ;
    RingPolygon* extent;
    double   loadedMinX, loadedMaxX, loadedMinY, loadedMaxY;
    int32_t  units;           // 1 metres, 3 feet, 0 none, else the GeoTIFF linear unit code
    double   meanZ, sdZ;
    float    rampLowZ, rampHighZ;
    double   rampScale;
    double   meanIntensity, sdIntensity;
    int32_t  intensityLow, intensityHigh;
    double   intensityScale;
    int32_t  classCount;
    int32_t  decimated;
    int32_t  saved;
    int32_t  source;          // DataSetSource
    float    pointSpacing;
    float    meanEdgeLength;
    float    shortEdgeMean, shortEdgeSd;
    SourceIdEntry sourceIdTable[kSourceIdCount];
    int32_t  sourceIdCount;
    int32_t  plainSource;     // 1 when an ASCII or grid loader filled the set; read by nothing here

    // Grid part.
    int32_t  rows, columns;
    double   cellSize;
    double   originX, originY;  // map position of the upper-left post
    RadarBlock radar;
    float**    heights;         // rows x columns, row pointers over one block
    uint8_t**  mask;            // rows x (2 x columns): per-cell marks and shades of the grid drawers
    uint16_t** magnitudes;      // rows x columns, radar magnitude image or null
    double   magnitudeRangeLow;   // lower range factor of the magnitude stretch (4.0 at load)
    double   magnitudeRangeHigh;  // upper range factor (4.0 at load)
    double   magnitudeFitHigh;    // fitted display range (0 at load)
    double   magnitudeFitLow;
    int32_t  magnitudeFitState;   // set by the views once a fitted range is shown
    int32_t  magnitudePlainLow, magnitudePlainHigh;
    void*    contourMarks;        // owned by the grid contour thread, which sets and frees it
    int32_t  fileClassLimit;      // largest class the source file's point format holds (31 or 255); 0 for no limit
    // The LAS source as it was when loaded (or last saved): a save refuses a
    // file whose points changed and asks before replacing one written since.
    uint64_t sourcePointCount;    // the file's own count, not the points kept
    int64_t  sourceSize;
    uint64_t sourceWriteTime;     // FILETIME as one number; 0 when not known
};

DataSet* AllocDataSet();
// The extent of a grid set: the rectangle of its bounds; 0 without memory.
int      SetGridExtent(DataSet* set);
int      FreeDataSet(DataSet* set);
