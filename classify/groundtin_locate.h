// What the parts of the ground triangulation engine share with point
// location (classify/groundtin_locate.cpp).
#pragma once
#include "classify/groundtin.h"

// The walks ahead start from hint cells: they end with them.
void FreeLocateHints(GroundMesh* m);
// Starts the walk ahead for a vertex some places after the one the vertex
// traversal returns next.
void LaunchLocateScout(GroundMesh* m);
// Keeps a triangle of a new vertex as the hint of its cell.
void RememberHint(GroundMesh* m, const GroundHandle& t);

// The far corners of the triangles across three edges (the outer space has
// no corners and is passed over). The three records are read at once, so
// their loads overlap, and so do the corners'.
static inline void PrefetchFarCorners(const GroundMesh* m, const GroundHandle& a, const GroundHandle& b,
                                      const GroundHandle& c)
{
    uint32_t fa = ApexIndex(m, a), fb = ApexIndex(m, b), fc = ApexIndex(m, c);
    if (fa != kGroundNoVertex) __builtin_prefetch(GroundVertexAt(m, fa));
    if (fb != kGroundNoVertex) __builtin_prefetch(GroundVertexAt(m, fb));
    if (fc != kGroundNoVertex) __builtin_prefetch(GroundVertexAt(m, fc));
}
