// Triangulated surfaces over point sets: triangles, normals, Z ranges,
// neighbours and the adjacency lists of the ground classification.
#pragma once
#include <cstdint>
#include "base/vector.h"

struct PointSelection;
struct TriangulateIO;

// One neighbour of a point: the point joined to it and the edge joining them.
struct AdjacencyNode {
    int32_t point;
    int32_t edge;
    AdjacencyNode* next;
};

struct PointAdjacency {
    int32_t count;
    AdjacencyNode* head;
};

struct TriangleNode {
    int32_t triangle;
    TriangleNode* next;
};

// The triangles that use each point.
struct PointTriangleLists {
    int32_t count;              // number of points
    TriangleNode** heads;       // one list a point
};

struct TINModel {
    PointSelection* points;     // vertex indices below index its items
    double   minZ, maxZ;        // over all triangle vertices
    int32_t  triangleCount;
    int32_t* triangles;         // 3 vertex indices a triangle
    Vec3*    normals;           // 1 a triangle
    float*   planeOffsets;      // 1 a triangle (ground classification)
    float*   zRanges;           // 2 a triangle: lowest, highest vertex Z
    int32_t* pointMarkers;      // 1 a point; non-zero on the hull
    int32_t* neighbors;         // 3 a triangle; k opposite vertex k, -1 at the hull
    int32_t  edgeCount;
    int32_t* edges;             // 2 vertex indices an edge
    PointAdjacency*     adjacency;       // 1 a point (ground classification)
    PointTriangleLists* pointTriangles;  // (ground classification)
};

// Told when a TIN is asked of a selection that found nothing.
extern const char kNoTINPointsText[];

// Delaunay TIN ("nQz") of the selection's X, Y with normals and Z ranges.
// A null selection (nothing found) beeps and says kNoTINPointsText; fewer
// than 3 points give null silently.
TINModel* BuildTINFromPoints(PointSelection* points);
// showProgress 0 keeps the progress bars for a caller that runs many small ones.
TINModel* TriangulateSelection(PointSelection* points, const char* switches, int showProgress = 1);
int       ComputeTriangleNormals(TINModel* tin);
// Frees the TIN; with withPoints non-zero also its source selection. 0 for null.
int       FreeTINModel(TINModel* tin, int32_t withPoints);
void      FreeVertexAdjacency(int32_t pointCount, PointAdjacency* lists);
void      FreeTriangleLists(PointTriangleLists* lists);
void      FreeTriangulateIO(TriangulateIO* io);
