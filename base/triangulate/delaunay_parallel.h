// The divide-and-conquer triangulation on several threads: the same mesh as
// the one-thread run (delaunay.cpp) makes, record for record.
#pragma once
#include "base/triangulate/mesh.h"
#include <cstdint>

// The whole of the divide-and-conquer triangulation on `parts` threads. False,
// with the mesh untouched, when the vertices are not all in the pool's first
// block, a coordinate is not a number, or memory runs short: the one-thread
// path then runs.
bool DivideAndConquerInParallel(TriMesh* m, const TriSwitches* b, int parts, int64_t* hullOut);
