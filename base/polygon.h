// Outline records shared by the whole program.
//
// RingPolygon: plane rings of X, Y vertices in the gpc layout, used for data
// extents, tile outlines, overlap tests and clipping. Polyline: the editable
// line or polygon with heights, colour and comment used for AOI polygons,
// contour lines, the edit line and the profile box.
//
// <windows.h> declares a GDI function named Polyline, which hides the record's
// name wherever both are visible: write `struct Polyline` for the record.
#pragma once
#include <cstdint>
#include <cstddef>

#include "base/gpc.h"
#include "base/vector.h"

typedef gpc_polygon     RingPolygon;
typedef gpc_vertex_list PolygonRing;
typedef gpc_vertex      RingVertex;

#pragma pack(push, 1)
struct Polyline {
    int32_t vertexCount;
    int32_t type;          // AOI: class code of its AOI type; contours: 3 index, 4 intermediate; 1 at creation
    int32_t typePosition;  // AOI: position of its type in the view's AOI-type table, -1 when none
    union {
        int32_t valid;     // 1 once the AOI tools or reader have given it its vertices
        int32_t closed;    // the same word as the views read it: 1 for a closed polygon
    };
    uint32_t color;        // COLORREF, red in the low byte
    union {
        int32_t deleted;   // used by the AOI code; 0 at creation
        uint8_t reserved[4];
    };
    Vec3*        vertices;
    RingPolygon* ring;     // X, Y outline made by PolylineToGpcPolygon; not owned by the line
    char*        comment;  // 256 characters for AOI polygons, else null
};
#pragma pack(pop)
// The bytes of an AOI polygon's comment.
constexpr size_t kAOICommentBytes = 256;
static_assert(offsetof(struct Polyline, vertices) == 24, "Polyline head");
static_assert(sizeof(struct Polyline) == 24 + 3 * sizeof(void*), "Polyline layout");

RingPolygon* NewPolygonRings(int32_t rings);
RingPolygon* NewPolygon(int32_t vertices);
// One ring of four corners: left-top, right-top, right-bottom, left-bottom.
RingPolygon* NewBoxPolygon(double left, double top, double right, double bottom);
int          FreePolygon(RingPolygon* polygon);
RingPolygon* CopyGpcPolygon(const RingPolygon* polygon);

struct Polyline*    CreatePolyline(int32_t vertices);
int32_t      AddPolylineVertex(struct Polyline* line, const Vec3* vertex);
void         FreePolyline(struct Polyline* line);
RingPolygon* PolylineToGpcPolygon(const struct Polyline* line);

int          PointInPolygon(const PolygonRing* ring, double x, double y);
int          PolygonsOverlap(RingPolygon* a, RingPolygon* b);
int          PolygonCentroid(const RingPolygon* polygon, double* cx, double* cy);
RingPolygon* GrowPolygon(const RingPolygon* polygon, int32_t margin);
