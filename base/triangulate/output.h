// Writers that fill the caller's TriangulateIO from the finished mesh.
#pragma once
#include "base/triangulate/mesh.h"

// Output arrays allocated by this run are remembered so that an abandoned run
// can free them again and leave the caller's record as it was.
void OutputBegin();
void OutputRollback();

void WriteOutputPoints(TriMesh* m, const TriSwitches* b, TriangulateIO* out);
void NumberOutputPoints(TriMesh* m, const TriSwitches* b);
void WriteOutputTriangles(TriMesh* m, const TriSwitches* b, TriangulateIO* out);
void WriteOutputSegments(TriMesh* m, const TriSwitches* b, TriangulateIO* out);
void WriteOutputEdges(TriMesh* m, const TriSwitches* b, TriangulateIO* out);
void WriteVoronoiDiagram(TriMesh* m, const TriSwitches* b, TriangulateIO* vor);
void WriteOutputNeighbors(TriMesh* m, const TriSwitches* b, TriangulateIO* out);
