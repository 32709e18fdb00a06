// The ground triangulation engine: an incremental Delaunay triangulation that
// grows one point at a time inside a large bounding triangle and can take the
// last point out again exactly (every split and flip of an insertion is kept
// on a flip stack). The ground classification walks insert their candidates
// through it and judge each one by the neighbours it gets.
//
// It shares the block pools (for vertices and flip records) and the exact
// predicates of the general triangulator (base/triangulate) but keeps its own
// mesh record and compact triangle records. One ground run at a time in the whole process: drivers hold
// the triangulation lock (base/triangulate/triangulate.h) for their run.
#pragma once
#include <cstdint>
#include <csetjmp>
#include "base/triangulate/mesh.h"
#include "base/triangulate/triangulate.h"

struct PointRecord;

typedef MemoryPool MeshPool;

// A triangle record: the links across its three sides and its three corners.
// A link is the index of the triangle across the side times four plus that
// side's orientation in it; a corner is a vertex's place in the vertex pool.
// Inputs in height order reach triangles at random places in the whole mesh:
// 24 bytes rather than six pointers halve the memory the walks wait on.
struct GroundTriangle {
    uint32_t link[3];
    uint32_t corner[3];
};

// A triangle with one of its sides: orientation k is the side opposite corner k.
struct GroundHandle {
    uint32_t tri;
    int32_t  orient;
};

enum : uint32_t {
    kGroundOuterSpace = 0,              // record 0: what every side without a real neighbour links to
    kGroundNoVertex = 0xFFFFFFFFu,      // corner of the outer space and of dead records
    kGroundDeadLink = 0xFFFFFFFFu,      // link 1 of a freed record
    kGroundNoTriangle = 0xFFFFFFFFu,    // end of the free list
    kGroundMaxTriangles = 1u << 30,     // links hold index * 4 + orientation in 32 bits
};

// The triangle records in one array, record 0 the outer space. Freed records
// are reused last freed first; handedOut counts the records ever handed out
// (without the outer space). Point location draws its random samples from
// them as from block pools of itemsFirstBlock, then itemsPerBlock records.
struct GroundTrianglePool {
    GroundTriangle* records;
    uint32_t capacity;          // records, with the outer space
    uint32_t handedOut;
    uint32_t freeTop;           // last freed record, kGroundNoTriangle when none
    uint32_t traversal;         // next record of a traversal
    int64_t  liveItems;
    int64_t  itemsFirstBlock, itemsPerBlock;   // the sample blocks of point location
};

// One entry of the flip stack. The link of an insertion's first record tells
// how the vertex went in: null for a three-way split, EdgeSplitMarker for an
// edge split; later records are flips and link to the record below them.
struct FlipRecord {
    Word        handle;     // encoded GroundHandle
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
    uint32_t* slot;             // the hint slot of the point's cell
    GroundHandle at;
    GroundHandle found;         // the triangle that held the point, once the walk got there
    int32_t phase;
    int32_t moves;
    bool    hasFound;
    // The ring of triangles around the found one being loaded, each facing it.
    GroundHandle frontier[kGroundScoutFrontier];
    int32_t frontierCount;
};

struct GroundMesh {
    GroundTrianglePool triangles;
    MeshPool segments;          // made with the segment flag; never filled
    MeshPool vertices;
    MeshPool flips;             // set up by each walk
    FlipRecord* flipTop;        // null when the stack is empty
    // The vertex pool's first block holds every input and, after them, the
    // three bounding-triangle vertices: a corner index is a place in it.
    char*   vertexBase;
    int32_t vertexBytes;
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
    int32_t samples;            // random samples of point location
    int32_t inCircleCount, orientCount;
    Vertex  box[3];             // the bounding-triangle vertices
    Word*   outerSegment;
    Word*   outerSegmentBase;
    GroundHandle recent;        // where the last insertion ended or the last duplicate was found
    bool    hasRecent;
    // Location hints: a coarse grid over the bounds holding, per cell, the
    // encoded handle where the last insertion in that cell ended (0: none).
    // Inputs in height order are spatially random, and a nearby start keeps
    // the walks short.
    uint32_t* hints;
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

// ---- handles ------------------------------------------------------------------------

inline uint32_t EncodeGround(const GroundHandle& t) { return t.tri << 2 | (uint32_t)t.orient; }
inline GroundHandle DecodeGround(uint32_t link) { return GroundHandle{ link >> 2, (int32_t)(link & 3) }; }
inline GroundTriangle& TriangleOf(const GroundMesh* m, const GroundHandle& t) { return m->triangles.records[t.tri]; }
inline Vertex GroundVertexAt(const GroundMesh* m, uint32_t index)
{
    return (Vertex)(m->vertexBase + (size_t)index * (size_t)m->vertexBytes);
}
inline uint32_t GroundVertexIndex(const GroundMesh* m, Vertex v)
{
    size_t offset = (size_t)((char*)v - m->vertexBase);
    return (uint32_t)(m->vertexShift >= 0 ? offset >> m->vertexShift : offset / (size_t)m->vertexBytes);
}

// Corner indices.
inline uint32_t OrgIndex(const GroundMesh* m, const GroundHandle& t) { return TriangleOf(m, t).corner[plus1mod3[t.orient]]; }
inline uint32_t DestIndex(const GroundMesh* m, const GroundHandle& t) { return TriangleOf(m, t).corner[minus1mod3[t.orient]]; }
inline uint32_t ApexIndex(const GroundMesh* m, const GroundHandle& t) { return TriangleOf(m, t).corner[t.orient]; }
inline void SetOrg(const GroundMesh* m, const GroundHandle& t, uint32_t v) { TriangleOf(m, t).corner[plus1mod3[t.orient]] = v; }
inline void SetDest(const GroundMesh* m, const GroundHandle& t, uint32_t v) { TriangleOf(m, t).corner[minus1mod3[t.orient]] = v; }
inline void SetApex(const GroundMesh* m, const GroundHandle& t, uint32_t v) { TriangleOf(m, t).corner[t.orient] = v; }
// Corner vertices.
inline Vertex Org(const GroundMesh* m, const GroundHandle& t) { return GroundVertexAt(m, OrgIndex(m, t)); }
inline Vertex Dest(const GroundMesh* m, const GroundHandle& t) { return GroundVertexAt(m, DestIndex(m, t)); }
inline Vertex Apex(const GroundMesh* m, const GroundHandle& t) { return GroundVertexAt(m, ApexIndex(m, t)); }

inline GroundHandle Sym(const GroundMesh* m, const GroundHandle& t) { return DecodeGround(TriangleOf(m, t).link[t.orient]); }
inline GroundHandle Lnext(const GroundHandle& t) { return GroundHandle{ t.tri, plus1mod3[t.orient] }; }
inline GroundHandle Lprev(const GroundHandle& t) { return GroundHandle{ t.tri, minus1mod3[t.orient] }; }
inline void Bond(const GroundMesh* m, const GroundHandle& a, const GroundHandle& b)
{
    TriangleOf(m, a).link[a.orient] = EncodeGround(b);
    TriangleOf(m, b).link[b.orient] = EncodeGround(a);
}
inline bool SameTri(const GroundHandle& a, const GroundHandle& b) { return a.tri == b.tri && a.orient == b.orient; }
inline bool IsDeadTri(const GroundTriangle& t) { return t.link[1] == kGroundDeadLink; }
inline bool IsDeadTri(const GroundMesh* m, uint32_t tri) { return IsDeadTri(m->triangles.records[tri]); }

// Process-wide values of the running triangulation.
extern PointRecord** GroundPointTable;   // one point a vertex, in input order
extern int32_t       GroundPointCount;
extern Vertex        GroundFirstVertex;
// The inputs' heights in input order, or null: the driver reads the records.
extern const float*  GroundHeightTable;

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
inline bool IsOuterSpace(const GroundHandle& t) { return t.tri == kGroundOuterSpace; }
// The bounding vertices follow the inputs in the vertex pool.
inline bool IsBoundingVertex(const GroundMesh* m, uint32_t v) { return v - (uint32_t)m->inputCount < 3u; }

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
// Walks over one selection one after the other: while kept, tear-down holds
// the vertex and triangle blocks for the next walk of the same size, whose
// pages are then mapped already. Ending the keep frees them.
void    GroundTinKeepBlocks(bool keep);
void    GroundTinFreeFlipPool(GroundMesh* m);

// ---- mesh operations ----------------------------------------------------------------
void    GroundTinMakeTriangle(GroundMesh* m, GroundTinSwitches* b, GroundHandle* out);
void    GroundTinTriangleFree(GroundMesh* m, uint32_t triangle);
int     GroundTinLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle);
int     GroundTinPreciseLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle);
int     GroundTinInsertVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out);
void    GroundTinUndoVertex(GroundMesh* m, GroundTinSwitches* b);
void    GroundTinUnflip(GroundMesh* m, GroundTinSwitches* b, GroundHandle* edge);
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
int     GroundTinLocateVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* handle);
// Inserts v at the located handle (result 0, 1 or 3 of the locate), restores
// the Delaunay property and, with record set, keeps the split and every flip
// on the flip stack (the flip pool must be set up). walk may be null.
void    GroundTinInsertLocated(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* handle, int located,
                               int record, GroundStarWalk* walk, GroundHandle* out);

// ---- pools and traversals ------------------------------------------------------------
void    GroundTinPoolInit(MeshPool* pool, int itemBytes, int itemsPerBlock, int firstBlockItems, int alignment);
void    GroundTinPoolRestart(MeshPool* pool);
void*   GroundTinPoolAlloc(MeshPool* pool);
void    GroundTinPoolFree(MeshPool* pool, void* item);
void    GroundTinPoolDeinit(MeshPool* pool);
void    GroundTinTraversalInit(MeshPool* pool);
void*   GroundTinPoolTraverse(MeshPool* pool);
Vertex  GroundTinVertexTraverse(GroundMesh* m);
void    GroundTinTraversalInit(GroundTrianglePool* pool);
GroundTriangle* GroundTinTriangleTraverse(GroundMesh* m);

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
