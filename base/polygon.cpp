// RingPolygon and Polyline construction, release and tests.
#include "base/polygon.h"
#include "base/heap.h"

#include <cmath>
#include <cstring>

RingPolygon* NewPolygonRings(int32_t rings)
{
    RingPolygon* p = (RingPolygon*)NBLCalloc(1, sizeof(RingPolygon));
    if (!p) return nullptr;
    if (rings > 0) {
        // Zeroed although the callers fill every ring at once: a half-built
        // polygon can then be released with FreePolygon.
        p->contour = (PolygonRing*)NBLCalloc((uint64_t)rings, sizeof(PolygonRing));
        if (!p->contour) {
            NBLFree(p);
            return nullptr;
        }
        p->num_contours = rings;
    }
    return p;
}

RingPolygon* NewPolygon(int32_t vertices)
{
    RingPolygon* p = NewPolygonRings(1);
    if (!p) return nullptr;
    if (vertices > 0) {
        p->contour[0].vertex = (RingVertex*)NBLMalloc((uint64_t)vertices * sizeof(RingVertex));
        if (!p->contour[0].vertex) {
            FreePolygon(p);
            return nullptr;
        }
        p->contour[0].num_vertices = vertices;
    }
    return p;
}

RingPolygon* NewBoxPolygon(double left, double top, double right, double bottom)
{
    RingPolygon* p = NewPolygon(4);
    if (!p) return nullptr;
    RingVertex* v = p->contour[0].vertex;
    v[0] = {left, top};
    v[1] = {right, top};
    v[2] = {right, bottom};
    v[3] = {left, bottom};
    return p;
}

int FreePolygon(RingPolygon* polygon)
{
    if (!polygon) return 0;
    if (polygon->contour) {
        for (int32_t r = 0; r < polygon->num_contours; r++)
            if (polygon->contour[r].vertex) NBLFree(polygon->contour[r].vertex);
        NBLFree(polygon->contour);
    }
    if (polygon->hole) NBLFree(polygon->hole);
    NBLFree(polygon);
    return 1;
}

// Deep copy on the program's heap; how a gpc result or a tile outline is
// kept. Hole flags are not carried over.
RingPolygon* CopyGpcPolygon(const RingPolygon* polygon)
{
    if (!polygon) return nullptr;
    int32_t rings = polygon->contour ? polygon->num_contours : 0;
    RingPolygon* copy = NewPolygonRings(rings);
    if (!copy) return nullptr;
    for (int32_t r = 0; r < rings; r++) {
        const PolygonRing& src = polygon->contour[r];
        int32_t n = src.vertex ? src.num_vertices : 0;
        if (n <= 0) continue;
        copy->contour[r].vertex = (RingVertex*)NBLCalloc((uint64_t)n, sizeof(RingVertex));
        if (!copy->contour[r].vertex) {
            FreePolygon(copy);
            return nullptr;
        }
        std::memcpy(copy->contour[r].vertex, src.vertex, (size_t)n * sizeof(RingVertex));
        copy->contour[r].num_vertices = n;
    }
    return copy;
}

struct Polyline* CreatePolyline(int32_t vertices)
{
    struct Polyline* line = (struct Polyline*)NBLCalloc(1, sizeof(struct Polyline));
    if (!line) return nullptr;
    line->type = 1;
    if (vertices > 0) {
        line->vertices = (Vec3*)NBLCalloc((uint64_t)vertices, sizeof(Vec3));
        if (!line->vertices) {
            NBLFree(line);
            return nullptr;
        }
        line->vertexCount = vertices;
    }
    return line;
}

// Appends a copy of the vertex; on an exhausted heap the line is unchanged
// and the old count comes back.
int32_t AddPolylineVertex(struct Polyline* line, const Vec3* vertex)
{
    uint64_t bytes = ((uint64_t)line->vertexCount + 1) * sizeof(Vec3);
    Vec3* grown = line->vertices ? (Vec3*)NBLReMalloc(line->vertices, bytes)
                                 : (Vec3*)NBLMalloc(bytes);
    if (!grown) return line->vertexCount;
    line->vertices = grown;
    line->vertices[line->vertexCount] = *vertex;
    return ++line->vertexCount;
}

void FreePolyline(struct Polyline* line)
{
    if (!line) return;
    if (line->vertices) NBLFree(line->vertices);
    NBLFree(line);
}

RingPolygon* PolylineToGpcPolygon(const struct Polyline* line)
{
    int32_t n = line->vertices ? line->vertexCount : 0;
    RingPolygon* p = NewPolygon(n);
    if (!p) return nullptr;
    for (int32_t i = 0; i < n; i++) {
        p->contour[0].vertex[i].x = line->vertices[i].x;
        p->contour[0].vertex[i].y = line->vertices[i].y;
    }
    return p;
}

// Crossings-multiply test with its half-open rule (Haines, "Point in Polygon
// Strategies", Graphics Gems IV). A point on a horizontal edge is inside; a
// point on any other edge may come out either way.
int PointInPolygon(const PolygonRing* ring, double x, double y)
{
    int32_t n = ring->num_vertices;
    if (n <= 0 || !ring->vertex) return 0;
    const RingVertex* v = ring->vertex;
    const RingVertex* p = &v[n - 1];
    int inside = 0;
    bool flagP = (y <= p->y);
    for (int32_t i = 0; i < n; i++) {
        const RingVertex* c = &v[i];
        if (p->y == c->y && y == p->y &&
            ((p->x <= x && x <= c->x) || (c->x <= x && x <= p->x)))
            return 1;
        bool flagC = (y <= c->y);
        if (flagP != flagC) {
            double a = (c->y - y) * (p->x - c->x);
            double b = (c->x - x) * (p->y - c->y);
            if ((a >= b) == flagC) inside = !inside;
        }
        p = c;
        flagP = flagC;
    }
    return inside;
}

static int IntersectionRings(RingPolygon* a, RingPolygon* b)
{
    gpc_polygon result;
    gpc_polygon_clip(GPC_INT, a, b, &result);
    int rings = result.num_contours;
    gpc_free_polygon(&result);
    return rings;
}

// Non-zero (the ring count of the intersection) when the polygons share
// area; polygons that only touch give 0.
int PolygonsOverlap(RingPolygon* a, RingPolygon* b)
{
    int rings = IntersectionRings(a, b);
    if (rings != 0) return rings;
    return IntersectionRings(b, a);
}

// Centroid of the first ring. The sums are taken relative to the ring's first
// vertex: with survey coordinates the cross products of absolute eastings and
// northings are of order 1e12 and their rounding would move the centroid of a
// small polygon by metres. The result is the same point.
int PolygonCentroid(const RingPolygon* polygon, double* cx, double* cy)
{
    if (!polygon || polygon->num_contours <= 0 || !polygon->contour) return 0;
    const PolygonRing& ring = polygon->contour[0];
    int32_t n = ring.vertex ? ring.num_vertices : 0;
    if (n <= 0) return 0;
    double ox = ring.vertex[0].x, oy = ring.vertex[0].y;
    double s = 0, sx = 0, sy = 0;
    for (int32_t i = 0; i < n; i++) {
        int32_t j = (i + 1 == n) ? 0 : i + 1;
        double xi = ring.vertex[i].x - ox, yi = ring.vertex[i].y - oy;
        double xj = ring.vertex[j].x - ox, yj = ring.vertex[j].y - oy;
        double c = xi * yj - xj * yi;
        s += c;
        sx += c * (xi + xj);
        sy += c * (yi + yj);
    }
    if (s == 0.0) return 0;
    *cx = ox + sx / (3.0 * s);
    *cy = oy + sy / (3.0 * s);
    return 1;
}

// A new one-ring polygon: the first ring scaled about its centroid so that
// its bounding box grows by the margin on every side. A ring without width,
// height or area cannot be scaled that way and is copied unchanged.
RingPolygon* GrowPolygon(const RingPolygon* polygon, int32_t margin)
{
    if (!polygon) return nullptr;
    if (polygon->num_contours <= 0 || !polygon->contour) return NewPolygon(0);
    const PolygonRing& ring = polygon->contour[0];
    int32_t n = ring.vertex ? ring.num_vertices : 0;
    RingPolygon* grown = NewPolygon(n);
    if (!grown || n == 0) return grown;
    RingVertex* out = grown->contour[0].vertex;

    double minX = ring.vertex[0].x, maxX = minX, minY = ring.vertex[0].y, maxY = minY;
    for (int32_t i = 1; i < n; i++) {
        minX = std::fmin(minX, ring.vertex[i].x);
        maxX = std::fmax(maxX, ring.vertex[i].x);
        minY = std::fmin(minY, ring.vertex[i].y);
        maxY = std::fmax(maxY, ring.vertex[i].y);
    }
    double w = maxX - minX, h = maxY - minY;
    double cx, cy;
    if (w <= 0 || h <= 0 || !PolygonCentroid(polygon, &cx, &cy)) {
        std::memcpy(out, ring.vertex, (size_t)n * sizeof(RingVertex));
        return grown;
    }
    double sx = (w + 2.0 * (double)margin) / w;
    double sy = (h + 2.0 * (double)margin) / h;
    for (int32_t i = 0; i < n; i++) {
        out[i].x = sx * (ring.vertex[i].x - cx);
        out[i].y = sy * (ring.vertex[i].y - cy);
    }
    double ncx = 0, ncy = 0;
    PolygonCentroid(grown, &ncx, &ncy);  // the scaled ring has area, as the original has
    for (int32_t i = 0; i < n; i++) {
        out[i].x += cx - ncx;
        out[i].y += cy - ncy;
    }
    return grown;
}
