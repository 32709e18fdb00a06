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
void RememberHint(GroundMesh* m, const OrientedTriangle& t);

// The far corners of the triangles across three edges (the outer-space
// record has null corners; loading address zero ahead is harmless). The three
// records are read at once, so their loads overlap, and so do the corners'.
static inline void PrefetchFarCorners(const OrientedTriangle& a, const OrientedTriangle& b, const OrientedTriangle& c)
{
    Vertex fa = Apex(a), fb = Apex(b), fc = Apex(c);
    __builtin_prefetch(fa);
    __builtin_prefetch(fb);
    __builtin_prefetch(fc);
}
