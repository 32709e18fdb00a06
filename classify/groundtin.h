// The ground triangulation engine: an incremental Delaunay triangulation that
// grows one point at a time inside a large bounding triangle and can take the
// last point out again exactly (every split and flip of an insertion is kept
// on a flip stack). The ground classification walks insert their candidates
// through it and judge each one by the neighbours it gets.
//
// It shares the triangle-edge handles, the block pools and the exact
// predicates of the general triangulator (base/triangulate) but keeps its own
// mesh record. One ground run at a time in the whole process: drivers hold
// the triangulation lock (base/triangulate/triangulate.h) for their run.
#pragma once
#include <cstdint>
#include <csetjmp>
#include "base/triangulate/mesh.h"
#include "base/triangulate/triangulate.h"

struct PointRecord;

typedef MemoryPool MeshPool;

// One entry of the flip stack. The link of an insertion's first record tells
// how the vertex went in: null for a three-way split, EdgeSplitMarker for an
// edge split; later records are flips and link to the record below them.
struct FlipRecord {
    Word        handle;     // encoded OrientedTriangle
    FlipRecord* link;
};
extern FlipRecord* const EdgeSplitMarker;

// Vertex types.
enum {
    GROUND_VERTEX_NORMAL = 0,
    GROUND_VERTEX_LEFT_OUT = -32767,   // in the pool, not in the mesh (duplicate or rejected)
    GROUND_VERTEX_DELETED = -32768,    // skipped by every traversal
};

// Locate results.
enum { GROUND_IN_TRIANGLE = 0, GROUND_ON_EDGE = 1, GROUND_ON_VERTEX = 2, GROUND_OUTSIDE = 3 };

struct GroundTinSwitches {
    int32_t p, r, q, aAlone, aNumber, u, A, c, w, j, firstNumber, e, v, n, g, B, P, N, E, unnamed, O, X,
            DL, i, F, l, s, C, Q, V, segmentFlag, order, Y, S;
    double  qAngle, qDerived1, qDerived2, aArea;
};

// A read-only walk towards a coming vertex: each step only touches memory
// that the step before asked to have loaded.
enum { kGroundLocateScouts = 32 };
enum { kGroundScoutFrontier = 6 };
struct GroundLocateScout {
    const double* point;
    Word*   slot;               // the hint slot of the point's cell
    OrientedTriangle at;
    OrientedTriangle found;     // the triangle that held the point, once the walk got there
    int32_t phase;
    int32_t moves;
    // The ring of triangles around the found one being loaded, each facing it.
    OrientedTriangle frontier[kGroundScoutFrontier];
    int32_t frontierCount;
};

struct GroundMesh {
    MeshPool triangles;
    MeshPool segments;          // made with the segment flag; never filled
    MeshPool vertices;
    MeshPool flips;             // set up by each walk
    FlipRecord* flipTop;        // null when the stack is empty
    double  xmin, xmax, ymin, ymax;
    int32_t inputCount;
    int32_t leftOutCount;       // vertices kept out of the mesh
    bool    numbersByPlace;     // every vertex's number is its place in the pool (set when numbering)
    int32_t edgeCount;          // set by the driver
    int32_t hullEdges;          // set by the driver
    int32_t pointAttributes;
    int32_t triangleAttributes;
    int32_t sValue;
    int32_t markerIndex;        // int32 units from the vertex start; the vertex type follows
    int32_t vertexShift;        // log2 of the vertex size, or -1 when it is not a power of two
    int32_t heightIndex;        // float units from the vertex start: the point's Z, then its screening figure
    int32_t pWordIndex;
    int32_t extraCornerIndex;   // words
    int32_t attributeIndex;     // f64 units
    int32_t areaIndex;
    int32_t samples;            // random samples of point location
    int32_t inCircleCount, orientCount;
    Vertex  box[3];             // the bounding-triangle vertices
    Word*   outerSpace;         // the triangle every side without a real neighbour points to
    Word*   outerSpaceBase;
    Word*   outerSegment;
    Word*   outerSegmentBase;
    OrientedTriangle recent;    // where the last insertion ended or the last duplicate was found
    // Location hints: a coarse grid over the bounds holding, per cell, the
    // handle where the last insertion in that cell ended. Inputs in height
    // order are spatially random, and a nearby start keeps the walks short.
    Word*   hints;
    int32_t hintColumns, hintRows;
    double  hintCellsPerUnit;
    // Walks towards the coming vertices, run ahead one memory step at a time
    // (groundtin.cpp, "walks ahead").
    GroundLocateScout scouts[kGroundLocateScouts];
    int32_t nextScout;
    // Set by a walk that leaves some vertices out without locating them: the
    // walks ahead for those stop at their first step.
    bool  (*scoutSkips)(const GroundMesh* m, Vertex v);
};

// Process-wide values of the running triangulation.
extern PointRecord** GroundPointTable;   // one point a vertex, in input order
extern int32_t       GroundPointCount;
extern Vertex        GroundFirstVertex;

// Exhausted memory inside a driver's run: GroundTinAbort jumps back to the
// driver, which frees the mesh and reports the failure.
extern jmp_buf groundAbortJump;
[[noreturn]] void GroundTinAbort(GroundMesh* m);

inline int32_t& GroundVertexMarker(const GroundMesh* m, Vertex v) { return ((int32_t*)v)[m->markerIndex]; }
inline int32_t& GroundVertexType(const GroundMesh* m, Vertex v) { return ((int32_t*)v)[m->markerIndex + 1]; }
// Each vertex carries its point's Z and screening figure (PointSlopeTable's
// entry), set by the driver: the walks read a neighbour's height and figure
// from the cache line that holds its coordinates, not from records or tables
// spread over the whole data set.
inline float& GroundVertexHeight(const GroundMesh* m, Vertex v) { return ((float*)v)[m->heightIndex]; }
inline float& GroundVertexFigure(const GroundMesh* m, Vertex v) { return ((float*)v)[m->heightIndex + 1]; }
inline bool IsOuterSpace(const GroundMesh* m, const OrientedTriangle& t) { return t.tri == m->outerSpace; }
inline bool IsBoundingVertex(const GroundMesh* m, Vertex v) { return v == m->box[0] || v == m->box[1] || v == m->box[2]; }

// ---- set-up and tear-down ---------------------------------------------------------
void    GroundTinInit(GroundMesh* m);
void    GroundTinExactInit();
int32_t GroundTinParseSwitches(int count, const char* const* strings, GroundTinSwitches* b);
void    GroundTinTransferNodes(GroundMesh* m, GroundTinSwitches* b, const double* points, const double* attributes,
                               const int32_t* markers, int32_t count, int32_t attributeCount);
void    GroundTinInitVertexPool(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinInitTriPools(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinDummyInit(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinBoundingBox(GroundMesh* m, GroundTinSwitches* b);
int32_t GroundTinRemoveBox(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinDeinit(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinInitFlipPool(GroundMesh* m);
void    GroundTinFreeFlipPool(GroundMesh* m);

// ---- mesh operations ----------------------------------------------------------------
void    GroundTinMakeTriangle(GroundMesh* m, GroundTinSwitches* b, OrientedTriangle* out);
void    GroundTinTriangleFree(GroundMesh* m, Word* triangle);
int     GroundTinLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle);
int     GroundTinPreciseLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle);
int     GroundTinInsertVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* out);
void    GroundTinUndoVertex(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinUnflip(GroundMesh* m, GroundTinSwitches* b, OrientedTriangle* edge);
double  GroundTinOrient(GroundMesh* m, GroundTinSwitches* b, Vertex a, Vertex bv, Vertex c);
double  GroundTinInCircle(GroundMesh* m, GroundTinSwitches* b, Vertex a, Vertex bv, Vertex c, Vertex d);
int32_t GroundTinRandom(int32_t n);

// What an insertion tells its screening routine: every neighbour of the new
// vertex in the final star, visited once while the boundary flag is clear.
struct GroundStarWalk {
    int32_t boundary;           // the vertex touched the bounding triangle or the hull
    void  (*visit)(GroundStarWalk* walk, Vertex v, Vertex neighbour);
};

// Locates v from the outer-space triangle's start handle (step 1 of every insertion).
int     GroundTinLocateVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* handle);
// Inserts v at the located handle (result 0, 1 or 3 of the locate), restores
// the Delaunay property and, with record set, keeps the split and every flip
// on the flip stack (the flip pool must be set up). walk may be null.
void    GroundTinInsertLocated(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* handle, int located,
                               int record, GroundStarWalk* walk, OrientedTriangle* out);

// ---- pools and traversals ------------------------------------------------------------
void    GroundTinPoolInit(MeshPool* pool, int itemBytes, int itemsPerBlock, int firstBlockItems, int alignment);
void    GroundTinPoolRestart(MeshPool* pool);
void*   GroundTinPoolAlloc(MeshPool* pool);
void    GroundTinPoolFree(MeshPool* pool, void* item);
void    GroundTinPoolDeinit(MeshPool* pool);
void    GroundTinTraversalInit(MeshPool* pool);
void*   GroundTinPoolTraverse(MeshPool* pool);
Vertex  GroundTinVertexTraverse(GroundMesh* m);
Word*   GroundTinTriangleTraverse(GroundMesh* m);

// ---- output writers --------------------------------------------------------------------
void    GroundTinWriteNodes(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                            int32_t** markerList);
void    GroundTinWriteNodesAlt(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                               int32_t** markerList);
void    GroundTinWriteElements(GroundMesh* m, GroundTinSwitches* b, int32_t** triangleList,
                               double** triangleAttributeList);

// The common end of every driver: output counts and lists from the finished
// mesh. hull is the walk's hull edge count.
void    GroundTinFillOutput(GroundMesh* m, GroundTinSwitches* b, TriangulateIO* out, int32_t hull);

// The shared driver of every walk: point table and count from the selection,
// init, switches, nodes, the run routine, output counts and lists, deinit;
// all under the triangulation lock. Returns 1, or 0 when memory ran out (the
// output is then empty).
struct PointSelection;
typedef int32_t (*GroundTinRunRoutine)(GroundMesh* m, GroundTinSwitches* b, int32_t n);
int     GroundTinDrive(const char* switches, TriangulateIO* in, TriangulateIO* out, PointSelection* selection,
                       GroundTinRunRoutine run, int32_t n);
// The plain run routine: every vertex inserted in input order, duplicates left
// out; the Delaunay triangulation of the input.
int32_t GroundTinRunInsertAll(GroundMesh* m, GroundTinSwitches* b, int32_t unused);
