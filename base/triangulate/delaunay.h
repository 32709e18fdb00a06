// The records and steps of the divide-and-conquer triangulation that the run
// on several threads (delaunay_parallel.cpp) shares with the one-thread run
// (delaunay.cpp), so that both make the same mesh.
#pragma once
#include "base/triangulate/mesh.h"
#include <cstdint>
#include <cstring>

struct Run {
    TriMesh* m;
    const TriSwitches* b;
    int noExact;
    char* next;          // slot of the next record this run makes
    int progressWeight;  // progress events a record stands for
};

// The sort array holds each vertex's coordinates beside its pointer, so the
// sort and the median cuts run over contiguous memory instead of chasing
// vertex pointers (the order and the random pivots are the same either way).
struct SortItem {
    double x[2];
    Vertex v;
};

// While the mesh is built its corners point at the points in cut order, so
// that the predicates read memory that is close together: either at the sort
// items themselves, whose first two fields are x and y, or (after the rank
// cuts) at a packed array of x, y pairs with the vertices in a second array.
// Afterwards the corners are pointed back at the vertex records.
struct CutPoints {
    double* xy;        // point k at xy + stride k
    int stride;        // in doubles: 2 packed, 3 in sort items
    const Vertex* vertices;   // of the packed points; null for sort items
    Vertex At(int64_t k) const { return xy + stride * k; }
    CutPoints Part(int64_t first) const { return CutPoints{ xy + stride * first, stride, vertices }; }
};

// The sort's item with each point's key replaced by its rank among the
// distinct keys: sorted by the same steps, it comes out in the same order as
// the sort items (the same points first among equal keys) in a third of the
// memory.
struct RankItem {
    uint32_t rank;
    uint32_t index;   // of the point in the sort array
};

// A point of the cuts on ranks: its rank in x order and in y order.
struct RankPair {
    uint32_t xr, yr;
};

// A key of the radix sort by y and the index of its point.
#pragma pack(push, 4)
struct KeyIndex {
    uint64_t key;
    uint32_t index;
};
#pragma pack(pop)
static_assert(2 * sizeof(KeyIndex) <= sizeof(SortItem), "the radix sort runs in the room of the cut array");

// The bits of v as an unsigned integer that orders as the numbers do (-0 as +0).
inline uint64_t OrderedBits(double v)
{
    v += 0.0;   // -0 becomes +0: the two compare equal
    uint64_t u;
    memcpy(&u, &v, sizeof u);
    return (u >> 63) ? ~u : (u | 0x8000000000000000ull);
}

// The one-thread run's quicksort (with its random pivots) on ranks.
void SortRankItems(RankItem* a, int64_t n);
// One cut of RankSplit, of a part of more than three points.
void RankCut(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch);
// The alternating cuts of n points on ranks (xs in x order, ys in y order).
void RankSplit(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch);
// Joins two triangulations on either side of a cut along axis.
void MergeTriangulations(Run& r, OrientedTriangle* farLeft, OrientedTriangle innerLeft,
                         OrientedTriangle innerRight, OrientedTriangle* farRight, int axis);
// Triangulates the n points a in cut order, the first cut along axis.
void DivideAndConquerStep(Run& r, const CutPoints& a, int64_t n, int axis, OrientedTriangle* farLeft,
                          OrientedTriangle* farRight);
// Removes the ghost ring; returns the number of hull edges.
int64_t DropGhostTriangles(Run& r, OrientedTriangle farLeft);
