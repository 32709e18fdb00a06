// Internal records of the triangulator: the triangle-edge mesh, its handles,
// the block pools it lives in and the state of one run.
//
// A triangle is an array of pointer-size words: three neighbour links, three
// corner vertices, then (with segments) three subsegment links, (with o2)
// three midpoint nodes, and finally f64 attributes. A link word holds the
// address of the neighbouring record with an orientation 0..2 in its two low
// bits, so records must be at least 4-byte aligned; words are uintptr_t so the
// same layout works with 32- and 64-bit pointers.
#pragma once
#include "base/parallel.h"
#include <cstdint>
#include <cstddef>
#include <csetjmp>

struct TriangulateIO;

typedef uintptr_t Word;

extern const int plus1mod3[3];
extern const int minus1mod3[3];

// ---- switches -------------------------------------------------------------------

struct TriSwitches {
    int pslg;               // p
    int keepConvexHull;     // c
    int regionAttributes;   // A
    int weighted;           // w, W
    int jettison;           // j
    int firstNumber;        // z -> 0
    int writeEdges;         // e
    int writeVoronoi;       // v
    int writeNeighbors;     // n
    int noBoundaryMarkers;  // B
    int noSegmentsOut;      // P
    int noPointsOut;        // N
    int noTrianglesOut;     // E
    int ignoreHoles;        // O
    int noExactArithmetic;  // X
    int order;              // o2
    int alternatingCuts;    // l -> 0
    int verbose;            // V
    int useSegments;        // pslg or keepConvexHull
};

void ParseTriSwitches(int count, const char* const* texts, TriSwitches* s);

// ---- pools -----------------------------------------------------------------------

struct MemoryPool {
    Word*    firstBlock;
    Word*    currentBlock;
    char*    nextSlot;
    Word*    deadStack;
    Word*    traversalBlock;
    char*    traversalSlot;
    int      doubleWords;
    int      alignment;
    int      itemBytes;
    int      itemWords;
    int64_t  itemsPerBlock;
    int64_t  itemsFirstBlock;
    int64_t  liveItems;
    int64_t  handedOut;       // slots ever handed out
    int64_t  freeInBlock;     // free slots left in the current block
    int64_t  traversalLeft;   // slots left in the traversal block
    int64_t  traversalSeen;   // slots visited by the current traversal
};

// The heap block of an array sized to the whole input (see mesh.cpp).
void* TriLargeAlloc(uint64_t bytes);

void  PoolInit(MemoryPool* pool, int itemBytes, int64_t itemsPerBlock, int64_t itemsFirstBlock,
               int doubleWords, int alignment);
void  PoolRestart(MemoryPool* pool);
void  PoolDeinit(MemoryPool* pool);
void* PoolAlloc(MemoryPool* pool);
void  PoolDealloc(MemoryPool* pool, void* item);
void  TraversalInit(MemoryPool* pool);
// The first item slot of the pool's first block.
char* PoolFirstSlot(const MemoryPool* pool);
void* Traverse(MemoryPool* pool);

// ---- handles -----------------------------------------------------------------------

struct OrientedTriangle {
    Word* tri;
    int   orient;
};

struct OrientedSubsegment {
    Word* ss;
    int   orient;
};

inline Word EncodeTri(const OrientedTriangle& t) { return (Word)t.tri | (Word)t.orient; }
inline OrientedTriangle DecodeTri(Word w) { return OrientedTriangle{ (Word*)(w & ~(Word)3), (int)(w & 3) }; }
inline Word EncodeSub(const OrientedSubsegment& s) { return (Word)s.ss | (Word)s.orient; }
inline OrientedSubsegment DecodeSub(Word w) { return OrientedSubsegment{ (Word*)(w & ~(Word)3), (int)(w & 1) }; }

typedef double* Vertex;

inline Vertex Org(const OrientedTriangle& t)  { return (Vertex)t.tri[plus1mod3[t.orient] + 3]; }
inline Vertex Dest(const OrientedTriangle& t) { return (Vertex)t.tri[minus1mod3[t.orient] + 3]; }
inline Vertex Apex(const OrientedTriangle& t) { return (Vertex)t.tri[t.orient + 3]; }
inline void SetOrg(const OrientedTriangle& t, Vertex v)  { t.tri[plus1mod3[t.orient] + 3] = (Word)v; }
inline void SetDest(const OrientedTriangle& t, Vertex v) { t.tri[minus1mod3[t.orient] + 3] = (Word)v; }
inline void SetApex(const OrientedTriangle& t, Vertex v) { t.tri[t.orient + 3] = (Word)v; }

inline OrientedTriangle Sym(const OrientedTriangle& t) { return DecodeTri(t.tri[t.orient]); }
inline OrientedTriangle Lnext(const OrientedTriangle& t) { return OrientedTriangle{ t.tri, plus1mod3[t.orient] }; }
inline OrientedTriangle Lprev(const OrientedTriangle& t) { return OrientedTriangle{ t.tri, minus1mod3[t.orient] }; }
// next edge counterclockwise around the origin / clockwise around the origin
inline OrientedTriangle Onext(const OrientedTriangle& t) { return Sym(Lprev(t)); }
inline OrientedTriangle Oprev(const OrientedTriangle& t) { return Lnext(Sym(t)); }
// around the destination

inline void Bond(const OrientedTriangle& a, const OrientedTriangle& b)
{
    a.tri[a.orient] = EncodeTri(b);
    b.tri[b.orient] = EncodeTri(a);
}
inline bool SameTri(const OrientedTriangle& a, const OrientedTriangle& b)
{
    return a.tri == b.tri && a.orient == b.orient;
}
inline bool IsDeadTri(const Word* tri) { return tri[1] == 0; }

// subsegments: two subsegment links, two endpoints, two triangle links, marker
inline Vertex SOrg(const OrientedSubsegment& s)  { return (Vertex)s.ss[2 + s.orient]; }
inline Vertex SDest(const OrientedSubsegment& s) { return (Vertex)s.ss[3 - s.orient]; }
inline int&   SMark(const OrientedSubsegment& s) { return *(int*)&s.ss[6]; }
inline OrientedSubsegment SSym(const OrientedSubsegment& s) { return OrientedSubsegment{ s.ss, 1 - s.orient }; }
inline bool IsDeadSub(const Word* ss) { return ss[1] == 0; }

// ---- vertex types ------------------------------------------------------------------

enum {
    INPUTVERTEX = 0,
    SEGMENTVERTEX = 1,       // second-order node inside the mesh or on a segment
    FREEVERTEX = 2,          // second-order node on the hull
    DEADVERTEX = -32768,
    UNDEADVERTEX = -32767    // duplicate, or left without triangles by hole removal
};

// ---- the run ------------------------------------------------------------------------

struct TriMesh {
    MemoryPool triangles;
    MemoryPool subsegs;
    MemoryPool vertices;
    MemoryPool viri;             // triangle stack of hole removal
    int64_t inputPoints;
    int pointAttributeCount;
    int triangleAttributeCount;
    double xmin, xmax, ymin, ymax;
    int64_t undeads;
    int64_t hullSize;
    int64_t edges;
    int holes, regions;
    int vertexMarkerIndex;       // in int32 units from the vertex start
    int vertexTriIndex;          // in words
    int highOrderIndex;          // word index of the first subsegment link or node
    int elemAttribIndex;         // in f64 units
    int triNumberIndex;          // word of a triangle that holds its output number while the outputs are written
    void* spare;                 // a block done with (the sort array): an output array of no more bytes takes it
    uint64_t spareBytes;         //   over, whose pages are then touched already; freed with the mesh otherwise
    Word* dummyTri;
    Word* dummyTriBase;
    Word* dummySub;
    Word* dummySubBase;
    OrientedTriangle recentTri;
    int samples;
    int segmentsPresent;
    int failed;                  // set when a run is abandoned (memory, inconsistent mesh)
};

inline int&  VertexMarker(const TriMesh* m, Vertex v) { return ((int*)v)[m->vertexMarkerIndex]; }
inline int&  VertexType(const TriMesh* m, Vertex v)   { return ((int*)v)[m->vertexMarkerIndex + 1]; }
inline Word& VertexTri(const TriMesh* m, Vertex v)    { return ((Word*)v)[m->vertexTriIndex]; }

inline bool IsDummy(const TriMesh* m, const OrientedTriangle& t) { return t.tri == m->dummyTri; }
inline void Dissolve(const TriMesh* m, const OrientedTriangle& t) { t.tri[t.orient] = (Word)m->dummyTri; }

// subsegment link of a triangle edge; the dummy subsegment when unconstrained
inline OrientedSubsegment TSPivot(const TriMesh* m, const OrientedTriangle& t)
{
    return DecodeSub(t.tri[m->highOrderIndex - 3 + t.orient]);
}
inline void TSBond(const TriMesh* m, const OrientedTriangle& t, const OrientedSubsegment& s)
{
    t.tri[m->highOrderIndex - 3 + t.orient] = EncodeSub(s);
    s.ss[4 + s.orient] = EncodeTri(t);
}
inline void TSDissolve(const TriMesh* m, const OrientedTriangle& t)
{
    t.tri[m->highOrderIndex - 3 + t.orient] = (Word)m->dummySub;
}
inline void STDissolve(const TriMesh* m, const OrientedSubsegment& s) { s.ss[4 + s.orient] = (Word)m->dummyTri; }

inline double* TriAttributes(const TriMesh* m, Word* tri) { return (double*)tri + m->elemAttribIndex; }

// Abandons the run: the driver frees the mesh and returns an empty result.
[[noreturn]] void TriAbort(TriMesh* m);
// The mesh was found inconsistent; the run is abandoned rather than continued.
[[noreturn]] void TriInternalError(TriMesh* m);
extern thread_local jmp_buf triAbortJump;

// ---- mesh set-up (mesh.cpp) ---------------------------------------------------------

void MeshInit(TriMesh* m);
void InitializeVertexPool(TriMesh* m, const TriSwitches* b);
void InitializeTriSubPools(TriMesh* m, const TriSwitches* b);
void DummyInit(TriMesh* m, const TriSwitches* b);
// A block of `bytes` at an aligned address; *base is what to free.
Word* AlignedSentinel(int bytes, int alignment, Word** base);
void MakeTriangle(TriMesh* m, const TriSwitches* b, OrientedTriangle* t);
// The fields of a new triangle record at `tri` (what MakeTriangle writes).
void InitTriangleRecord(const TriMesh* m, const TriSwitches* b, Word* tri);
// Marks the first `count` slots of the pool's first block as handed out and
// live, for records written there in place by their slot number; the pool
// must be fresh and the block must hold them.
void ClaimFirstSlots(MemoryPool* pool, int64_t count);
void MakeSubseg(TriMesh* m, OrientedSubsegment* s);
void TriangleDealloc(TriMesh* m, Word* tri);
void SubsegDealloc(TriMesh* m, Word* ss);
Word* TriangleTraverse(TriMesh* m);
Word* SubsegTraverse(TriMesh* m);
Vertex VertexTraverse(TriMesh* m);
Vertex GetVertex(TriMesh* m, const TriSwitches* b, int number);
void TriangleDeinit(TriMesh* m, const TriSwitches* b);
int  NextRandom(int n);
// The thread's random state, so that work moved to another thread draws the same numbers.
long RandomSeed();
void SetRandomSeed(long seed);
void CountProgressEvent();

// ---- threads ---------------------------------------------------------------------------

// How many threads a run over `items` points or records takes: VELKA_TRI_THREADS
// when set (1 = the calling thread only; at most kMaxParallelParts), else one a processor for
// large runs while no other run has them; small runs take the calling thread
// only (triangulate.cpp).
int TriangulationParts(int64_t items);

// RunParallel with a callable: work(part, parts).
template <typename F>
void ForParts(int parts, F& work)
{
    RunParallel(parts, [](void* context, int part, int parts) { (*(F*)context)(part, parts); }, &work);
}

// ---- phases ----------------------------------------------------------------------------

int64_t BuildDelaunay(TriMesh* m, const TriSwitches* b);                     // delaunay.cpp
void InsertInputSegments(TriMesh* m, const TriSwitches* b, const int32_t* segmentList,
                         const int32_t* markerList, int count);             // segments.cpp
void AddEdgeMidpointNodes(TriMesh* m, const TriSwitches* b);
int  LocatePoint(TriMesh* m, const TriSwitches* b, const double* point, OrientedTriangle* t);
void ProcessHolesAndRegions(TriMesh* m, const TriSwitches* b, const double* holes, int holeCount,
                            const double* regions, int regionCount);        // holes.cpp

enum { LOC_INTRIANGLE = 0, LOC_ONEDGE = 1, LOC_ONVERTEX = 2, LOC_OUTSIDE = 3 };
