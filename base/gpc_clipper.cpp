// The gpc calls of the program, carried out by Clipper.
//
// Clipper works on 64-bit integer coordinates. Survey coordinates (UTM
// eastings of 500,000 and northings of 4,000,000 in metres or feet) would
// lose their fractions if simply rounded, so every operation works in a
// frame of its own: the vertices of both operands are moved so that the
// centre of their common bounding box (rounded down to a whole unit, so the
// move itself is exact) lies at the origin, and scaled by a power of two that
// brings the largest offset just below 2^50. A 10 km tile then keeps a
// resolution of a few picometres, and vertices that come through a clip
// unchanged come back bit for bit in the usual case.
//
// Results are allocated with the program's heap helpers and released with
// gpc_free_polygon.
#include "base/gpc.h"
#include "base/heap.h"

#include <polyclipping/clipper.hpp>

#include <cmath>
#include <new>

namespace {

struct ClipFrame {
    double cx = 0.0;
    double cy = 0.0;
    double scale = 1.0;
};

struct Bounds {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
};

// Widens the bounds by every vertex of the polygon; false on a coordinate
// that is not finite (such a polygon cannot be clipped).
bool AddBounds(const gpc_polygon* p, Bounds* b)
{
    if (!p || p->num_contours <= 0 || !p->contour) return true;
    for (int32_t r = 0; r < p->num_contours; r++) {
        const gpc_vertex_list& ring = p->contour[r];
        if (ring.num_vertices <= 0 || !ring.vertex) continue;
        for (int32_t i = 0; i < ring.num_vertices; i++) {
            double x = ring.vertex[i].x, y = ring.vertex[i].y;
            if (!std::isfinite(x) || !std::isfinite(y)) return false;
            if (!b->any) {
                b->minX = b->maxX = x;
                b->minY = b->maxY = y;
                b->any = true;
                continue;
            }
            if (x < b->minX) b->minX = x;
            if (x > b->maxX) b->maxX = x;
            if (y < b->minY) b->minY = y;
            if (y > b->maxY) b->maxY = y;
        }
    }
    return true;
}

bool MakeFrame(const gpc_polygon* a, const gpc_polygon* b, ClipFrame* f)
{
    Bounds bb;
    if (!AddBounds(a, &bb) || !AddBounds(b, &bb)) return false;
    if (!bb.any) return true;
    f->cx = std::floor(bb.minX + (bb.maxX - bb.minX) / 2);
    f->cy = std::floor(bb.minY + (bb.maxY - bb.minY) / 2);
    double half = std::fmax(std::fmax(bb.maxX - f->cx, f->cx - bb.minX),
                            std::fmax(bb.maxY - f->cy, f->cy - bb.minY));
    if (!std::isfinite(half)) return false;
    int e = 0;
    if (half > 0) std::frexp(half, &e);  // half < 2^e
    int shift = 50 - e;
    if (shift > 1000) shift = 1000;
    f->scale = std::ldexp(1.0, shift);
    return true;
}

void ToPaths(const gpc_polygon* p, const ClipFrame& f, ClipperLib::Paths* out)
{
    if (!p || p->num_contours <= 0 || !p->contour) return;
    for (int32_t r = 0; r < p->num_contours; r++) {
        const gpc_vertex_list& ring = p->contour[r];
        if (ring.num_vertices < 3 || !ring.vertex) continue;
        ClipperLib::Path path;
        path.reserve((size_t)ring.num_vertices);
        for (int32_t i = 0; i < ring.num_vertices; i++) {
            path.emplace_back((ClipperLib::cInt)std::llround((ring.vertex[i].x - f.cx) * f.scale),
                              (ClipperLib::cInt)std::llround((ring.vertex[i].y - f.cy) * f.scale));
        }
        out->push_back(std::move(path));
    }
}

void EmptyResult(gpc_polygon* result)
{
    result->num_contours = 0;
    result->hole = nullptr;
    result->contour = nullptr;
}

// Copies Clipper's rings into the result; false (result emptied) when the
// heap runs out.
bool FromPaths(const ClipperLib::Paths& paths, const ClipFrame& f, gpc_polygon* result)
{
    EmptyResult(result);
    int32_t count = 0;
    for (const auto& path : paths)
        if (path.size() >= 3) count++;
    if (count == 0) return true;

    result->contour = (gpc_vertex_list*)NBLCalloc((uint64_t)count, sizeof(gpc_vertex_list));
    result->hole = (int32_t*)NBLCalloc((uint64_t)count, sizeof(int32_t));
    if (!result->contour || !result->hole) {
        gpc_free_polygon(result);
        return false;
    }
    result->num_contours = count;
    int32_t r = 0;
    for (const auto& path : paths) {
        if (path.size() < 3) continue;
        gpc_vertex_list& ring = result->contour[r];
        ring.vertex = (gpc_vertex*)NBLMalloc((uint64_t)path.size() * sizeof(gpc_vertex));
        if (!ring.vertex) {
            gpc_free_polygon(result);
            return false;
        }
        ring.num_vertices = (int32_t)path.size();
        for (size_t i = 0; i < path.size(); i++) {
            ring.vertex[i].x = f.cx + (double)path[i].X / f.scale;
            ring.vertex[i].y = f.cy + (double)path[i].Y / f.scale;
        }
        // Clipper returns outer rings counter-clockwise and holes clockwise.
        result->hole[r] = ClipperLib::Orientation(path) ? 0 : 1;
        r++;
    }
    return true;
}

}  // namespace

void gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result)
{
    if (!result) return;

    ClipperLib::ClipType type;
    switch (op) {
    case GPC_DIFF:  type = ClipperLib::ctDifference; break;
    case GPC_INT:   type = ClipperLib::ctIntersection; break;
    case GPC_XOR:   type = ClipperLib::ctXor; break;
    case GPC_UNION: type = ClipperLib::ctUnion; break;
    default: EmptyResult(result); return;
    }

    ClipFrame frame;
    if (!MakeFrame(subject, clip, &frame)) {
        EmptyResult(result);
        return;
    }

    // Clipper reports range errors and exhausted memory by exceptions; here
    // they become an empty result, as nothing may escape into Win32 callers.
    // The operands are read before the result is written, so a caller may
    // pass one of them as the result record.
    try {
        ClipperLib::Paths subj, clp, solution;
        ToPaths(subject, frame, &subj);
        ToPaths(clip, frame, &clp);
        EmptyResult(result);
        ClipperLib::Clipper clipper;
        clipper.AddPaths(subj, ClipperLib::ptSubject, true);
        clipper.AddPaths(clp, ClipperLib::ptClip, true);
        if (!clipper.Execute(type, solution, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd))
            return;
        FromPaths(solution, frame, result);
    } catch (...) {
        EmptyResult(result);  // FromPaths does not throw: nothing was placed in result yet
    }
}

void gpc_free_polygon(gpc_polygon* polygon)
{
    if (!polygon) return;
    if (polygon->contour) {
        for (int32_t r = 0; r < polygon->num_contours; r++)
            if (polygon->contour[r].vertex) NBLFree(polygon->contour[r].vertex);
        NBLFree(polygon->contour);
    }
    if (polygon->hole) NBLFree(polygon->hole);
    EmptyResult(polygon);
}
