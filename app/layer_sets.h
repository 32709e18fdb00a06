// The layer records a view owns: reference files (shapefiles and images),
// the POI set and the AOI set. The AOI set has the layout of a reference file;
// its polygons are the list of lines.
#pragma once
#include <cstdint>

struct Polyline;
struct Vec3;

// A list of lines: count and an array of Polyline pointers.
struct PolylineList {
    int32_t count;
    struct Polyline** items;
};

// A geo-referenced image as read by the reference loader.
struct ReferenceImage {
    int32_t rows;
    int32_t columns;
    int32_t bytesPerPixel;   // 1 grey, 3 colour (blue, green, red)
    double  minX, maxX, minY, maxY;
    double  pixelWidth, pixelHeight;
    double  geoTransform[6];
    uint8_t** pixels;        // rows x (columns x bytesPerPixel)
};

// Reference file kinds and shape kinds.
enum { REFERENCE_SHAPEFILE = 2, REFERENCE_LAS = 3, REFERENCE_IMAGE = 5 };
enum { SHAPES_LINES = 1, SHAPES_POLYGONS = 2, SHAPES_POINTS = 3 };

struct ReferenceFile {
    char     path[256];
    char     title[256];
    int32_t  kind;          // REFERENCE_*
    int32_t  shapeKind;     // SHAPES_* (shapefiles only)
    int32_t  visible;
    int32_t  saved;         // used by the AOI set only
    uint32_t color;         // COLORREF
    int32_t  width;         // line width or point size in pixels, 1 to 6
    double   minX, maxX, minY, maxY;
    PolylineList* lines;    // line and polygon shapefiles; the AOI polygons
    int32_t  pointCount;
    struct Vec3* points;    // point shapefiles
    ReferenceImage* image;
};

struct POIRecord {
    double   x, y;
    float    z;
    uint32_t color;         // COLORREF
    char     comment[256];
    char     name[32];
    int32_t  deleted;
};

struct POISet {
    char     path[256];     // empty until loaded or saved
    char     title[256];
    int      saved;         // nonzero when nothing is unsaved
    int32_t  count;         // records, deleted ones included
    POIRecord* records;
};

struct AOISet : ReferenceFile {};
