// Polygon clipping interface in the layout of the gpc library.
//
// The program's own polygons (RingPolygon, base/polygon.h) are laid out as
// gpc_polygon so they can be handed to the clipper without conversion. The
// clipping itself is done by Clipper in base/gpc_clipper.cpp; nothing else in
// the program talks to Clipper.
#pragma once
#include <cstdint>

struct gpc_vertex {
    double x;
    double y;
};

struct gpc_vertex_list {
    int32_t     num_vertices;
    gpc_vertex* vertex;
};

struct gpc_polygon {
    int32_t          num_contours;
    int32_t*         hole;      // null in the program's own polygons; 1 per hole ring in clip results
    gpc_vertex_list* contour;
};

enum gpc_op {
    GPC_DIFF  = 0,
    GPC_INT   = 1,
    GPC_XOR   = 2,
    GPC_UNION = 3
};

// Clips subject by clip with the operation and stores the outcome in *result
// (whose previous contents are not freed). Both inputs are read with the
// even-odd rule; hole flags of the inputs are ignored. Result rings are
// implicitly closed; a ring is flagged as a hole when it runs clockwise.
// On bad input or an exhausted heap the result is empty (0 rings).
// Free the result with gpc_free_polygon.
void gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result);

// Frees the rings and hole flags of a clip result and empties it; the record
// itself belongs to the caller.
void gpc_free_polygon(gpc_polygon* polygon);
