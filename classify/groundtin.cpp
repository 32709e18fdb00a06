// The ground triangulation engine: set-up, switches, pools, the bounding
// triangle, point location, insertion with its flip stack, undo, box removal
// and the output writers.
#include "classify/groundtin.h"
#include "classify/groundtin_screen.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"
#include "base/progress.h"
#include "data/selection.h"
#include "data/data_set.h"
#include <cstdlib>
#include <cstring>
#include <cmath>

PointRecord** GroundPointTable = nullptr;
int32_t       GroundPointCount = 0;
Vertex        GroundFirstVertex = nullptr;

jmp_buf groundAbortJump;

// Any fixed address no flip record can have.
static FlipRecord edgeSplitMarkerRecord;
FlipRecord* const EdgeSplitMarker = &edgeSplitMarkerRecord;

static int32_t groundRandomSeed = 1;

void GroundTinAbort(GroundMesh*)
{
    longjmp(groundAbortJump, 1);
}

static void FreeLocateHints(GroundMesh* m);

// ---- set-up --------------------------------------------------------------------------

void GroundTinExactInit()
{
    ExactInit();
}

void GroundTinInit(GroundMesh* m)
{
    memset(m, 0, sizeof(*m));
    m->recent.tri = nullptr;
    m->samples = 1;
    groundRandomSeed = 1;
    GroundTinExactInit();
}

int32_t GroundTinParseSwitches(int count, const char* const* strings, GroundTinSwitches* b)
{
    memset(b, 0, sizeof(*b));
    b->firstNumber = 1;
    b->l = 1;
    b->order = 1;
    b->S = -1;
    b->aArea = -1.0;
    for (int k = 0; k < count; k++) {
        const char* t = strings[k];
        if (!t) continue;
        for (int j = 0; t[j] != '\0'; j++) {
            switch (t[j]) {
            case 'p': b->p = 1; break;
            case 'r': b->r = 1; break;
            case 'q':
                b->q = 1;
                if ((t[j + 1] >= '0' && t[j + 1] <= '9') || t[j + 1] == '.') {
                    char* end;
                    b->qAngle = strtod(t + j + 1, &end);
                    j = (int)(end - t) - 1;
                } else {
                    b->qAngle = 20.0;
                }
                break;
            case 'a':
                b->q = 1;
                if ((t[j + 1] >= '0' && t[j + 1] <= '9') || t[j + 1] == '.') {
                    char* end;
                    b->aNumber = 1;
                    b->aArea = strtod(t + j + 1, &end);
                    j = (int)(end - t) - 1;
                } else {
                    b->aAlone = 1;
                }
                break;
            case 'u': b->q = 1; b->u = 1; break;
            case 'D': case 'L': b->q = 1; b->DL = 1; break;
            case 'A': b->A = 1; break;
            case 'c': b->c = 1; break;
            case 'w': b->w = 1; break;
            case 'W': b->w = 2; break;
            case 'j': b->j = 1; break;
            case 'z': b->firstNumber = 0; break;
            case 'e': b->e = 1; break;
            case 'v': b->v = 1; break;
            case 'n': b->n = 1; break;
            case 'g': b->g = 1; break;
            case 'B': b->B = 1; break;
            case 'P': b->P = 1; break;
            case 'N': b->N = 1; break;
            case 'E': b->E = 1; break;
            case 'O': b->O = 1; break;
            case 'X': b->X = 1; break;
            case 'i': b->i = 1; break;
            case 'F': b->F = 1; break;
            case 'l': b->l = 0; break;
            case 's': b->s = 1; break;
            case 'C': b->C = 1; break;
            case 'Q': b->Q = 1; break;
            case 'V': b->V++; break;
            case 'Y': b->Y++; break;
            case 'o':
                if (t[j + 1] == '2') { b->order = 2; j++; }
                break;
            case 'S':
                b->S = 0;
                while (t[j + 1] >= '0' && t[j + 1] <= '9') b->S = b->S * 10 + (t[++j] - '0');
                break;
            default: break;
            }
        }
    }
    b->segmentFlag = b->p || b->r || b->q || b->c;
    if (b->r) b->A = 0;
    if (!b->p) b->A = 0;
    if (b->aAlone && !b->p && !b->r) b->aAlone = 0;
    if (b->p || b->q) b->w = 0;
    return b->r;
}

void GroundTinInitVertexPool(GroundMesh* m, GroundTinSwitches* b)
{
    int attributeBytes = (2 + m->pointAttributes) * 8;
    m->markerIndex = (attributeBytes + 3) / 4;
    m->pWordIndex = (attributeBytes + 11) / 4;
    int bytes = attributeBytes + 8 + (b->p ? 4 : 0);
    m->heightIndex = bytes / 4;
    bytes += 8;
    int first = m->inputCount > 4092 ? m->inputCount : 4092;
    // A vertex within one cache line is one miss, and a power-of-two size
    // makes a vertex's input index a shift.
    int alignment = 8;
    if (bytes <= 64)
        while (alignment < bytes) alignment *= 2;
    GroundTinPoolInit(&m->vertices, bytes, 4092, first, alignment);
    m->vertexShift = -1;
    for (int shift = 0; shift < 7; shift++)
        if (m->vertices.itemBytes == 1 << shift) m->vertexShift = shift;
    if (!m->vertices.firstBlock) GroundTinAbort(m);
}

void GroundTinTransferNodes(GroundMesh* m, GroundTinSwitches* b, const double* points, const double* attributes,
                            const int32_t* markers, int32_t count, int32_t attributeCount)
{
    m->inputCount = count;
    m->pointAttributes = attributeCount;
    if (attributeCount == 0) b->w = 0;
    GroundTinInitVertexPool(m, b);
    for (int32_t i = 0; i < count; i++) {
        Vertex v = (Vertex)GroundTinPoolAlloc(&m->vertices);
        if (!v) GroundTinAbort(m);
        double x = points[2 * (int64_t)i], y = points[2 * (int64_t)i + 1];
        v[0] = x;
        v[1] = y;
        for (int32_t k = 0; k < attributeCount; k++) v[2 + k] = attributes[(int64_t)i * attributeCount + k];
        GroundVertexMarker(m, v) = markers ? markers[i] : 0;
        GroundVertexType(m, v) = GROUND_VERTEX_NORMAL;
        if (i == 0) {
            m->xmin = m->xmax = x;
            m->ymin = m->ymax = y;
        } else {
            if (x < m->xmin) m->xmin = x;
            if (x > m->xmax) m->xmax = x;
            if (y < m->ymin) m->ymin = y;
            if (y > m->ymax) m->ymax = y;
        }
    }
}

void GroundTinInitTriPools(GroundMesh* m, GroundTinSwitches* b)
{
    const int word = (int)sizeof(Word);
    m->extraCornerIndex = b->segmentFlag ? 9 : 6;
    int corners = (b->order + 1) * (b->order + 2) / 2;
    int bytesBefore = (corners + m->extraCornerIndex - 3) * word;
    m->attributeIndex = (bytesBefore + 7) / 8;
    m->areaIndex = m->attributeIndex + m->triangleAttributes + (b->A ? 1 : 0);
    int bytes = bytesBefore;
    if (b->aAlone) bytes = (m->areaIndex + 1) * 8;
    else if (m->triangleAttributes > 0 || b->A) bytes = m->areaIndex * 8;
    if ((b->v || b->n) && bytes < 7 * word) bytes = 7 * word;
    int first = m->inputCount > 2047 ? 2 * m->inputCount - 2 : 4092;
    if (first < 4092) first = 4092;
    GroundTinPoolInit(&m->triangles, bytes, 4092, first, 4);
    if (!m->triangles.firstBlock) GroundTinAbort(m);
    if (b->segmentFlag) {
        GroundTinPoolInit(&m->segments, 9 * word, 508, 508, 4);
        if (!m->segments.firstBlock) GroundTinAbort(m);
    }
    GroundTinDummyInit(m, b);
}

void GroundTinDummyInit(GroundMesh* m, GroundTinSwitches* b)
{
    m->outerSpace = AlignedSentinel(m->triangles.itemBytes, m->triangles.alignment, &m->outerSpaceBase);
    if (!m->outerSpace) GroundTinAbort(m);
    memset(m->outerSpace, 0, (size_t)m->triangles.itemBytes);
    m->outerSpace[0] = m->outerSpace[1] = m->outerSpace[2] = (Word)m->outerSpace;
    if (b->segmentFlag) {
        m->outerSegment = AlignedSentinel(m->segments.itemBytes, m->segments.alignment, &m->outerSegmentBase);
        if (!m->outerSegment) GroundTinAbort(m);
        memset(m->outerSegment, 0, (size_t)m->segments.itemBytes);
        m->outerSegment[0] = m->outerSegment[1] = (Word)m->outerSegment;
        m->outerSegment[6] = m->outerSegment[7] = (Word)m->outerSpace;
        for (int i = 0; i < 3; i++) m->outerSpace[6 + i] = (Word)m->outerSegment;
    }
}

void GroundTinDeinit(GroundMesh* m, GroundTinSwitches* b)
{
    GroundTinPoolDeinit(&m->triangles);
    if (m->outerSpaceBase) NBLFree(m->outerSpaceBase);
    m->outerSpaceBase = m->outerSpace = nullptr;
    if (b->segmentFlag) {
        GroundTinPoolDeinit(&m->segments);
        if (m->outerSegmentBase) NBLFree(m->outerSegmentBase);
        m->outerSegmentBase = m->outerSegment = nullptr;
    }
    GroundTinPoolDeinit(&m->vertices);
    GroundTinPoolDeinit(&m->flips);
    FreeLocateHints(m);
    GroundFirstVertex = nullptr;
    for (int i = 0; i < 3; i++) {
        if (m->box[i]) NBLFree(m->box[i]);
        m->box[i] = nullptr;
    }
}

void GroundTinInitFlipPool(GroundMesh* m)
{
    GroundTinPoolInit(&m->flips, (int)sizeof(FlipRecord), 252, 252, 4);
    if (!m->flips.firstBlock) GroundTinAbort(m);
    m->flipTop = nullptr;
}

void GroundTinFreeFlipPool(GroundMesh* m)
{
    GroundTinPoolDeinit(&m->flips);
    m->flipTop = nullptr;
}

// ---- pools -------------------------------------------------------------------------------

void GroundTinPoolInit(MeshPool* pool, int itemBytes, int itemsPerBlock, int firstBlockItems, int alignment)
{
    PoolInit(pool, itemBytes, itemsPerBlock, firstBlockItems, alignment >= 8 ? 1 : 0, alignment);
}

void GroundTinPoolRestart(MeshPool* pool) { PoolRestart(pool); }
void* GroundTinPoolAlloc(MeshPool* pool) { return PoolAlloc(pool); }
void GroundTinPoolFree(MeshPool* pool, void* item) { PoolDealloc(pool, item); }
void GroundTinPoolDeinit(MeshPool* pool) { PoolDeinit(pool); }
void GroundTinTraversalInit(MeshPool* pool) { TraversalInit(pool); }
void* GroundTinPoolTraverse(MeshPool* pool) { return Traverse(pool); }

static void LaunchLocateScout(GroundMesh* m);

Vertex GroundTinVertexTraverse(GroundMesh* m)
{
    Vertex v;
    do {
        LaunchLocateScout(m);
        v = (Vertex)Traverse(&m->vertices);
        if (!v) return nullptr;
    } while (GroundVertexType(m, v) == GROUND_VERTEX_DELETED);
    return v;
}

Word* GroundTinTriangleTraverse(GroundMesh* m)
{
    Word* t;
    do {
        t = (Word*)Traverse(&m->triangles);
        if (!t) return nullptr;
    } while (IsDeadTri(t));
    return t;
}

// ---- triangles, predicates, random numbers -------------------------------------------------

void GroundTinMakeTriangle(GroundMesh* m, GroundTinSwitches* b, OrientedTriangle* out)
{
    Word* tri = (Word*)PoolAlloc(&m->triangles);
    if (!tri) GroundTinAbort(m);
    Word outer = (Word)m->outerSpace;
    tri[0] = tri[1] = tri[2] = outer;
    tri[3] = tri[4] = tri[5] = 0;
    if (b->segmentFlag) tri[6] = tri[7] = tri[8] = (Word)m->outerSegment;
    out->tri = tri;
    out->orient = 0;
}

void GroundTinTriangleFree(GroundMesh* m, Word* triangle)
{
    triangle[1] = 0;
    triangle[3] = 0;
    PoolDealloc(&m->triangles, triangle);
}

double GroundTinOrient(GroundMesh* m, GroundTinSwitches* b, Vertex a, Vertex bv, Vertex c)
{
    m->orientCount++;
    return OrientationTest(b->X, a, bv, c);
}

double GroundTinInCircle(GroundMesh* m, GroundTinSwitches* b, Vertex a, Vertex bv, Vertex c, Vertex d)
{
    m->inCircleCount++;
    return InCircleTest(b->X, a, bv, c, d);
}

int32_t GroundTinRandom(int32_t n)
{
    groundRandomSeed = (groundRandomSeed * 1366 + 150889) % 714025;
    return groundRandomSeed / (714025 / n + 1);
}

// ---- bounding triangle ------------------------------------------------------------------------

void GroundTinBoundingBox(GroundMesh* m, GroundTinSwitches* b)
{
    double width = m->xmax - m->xmin;
    if (m->ymax - m->ymin > width) width = m->ymax - m->ymin;
    if (width == 0.0) width = 1.0;
    for (int i = 0; i < 3; i++) {
        m->box[i] = (Vertex)NBLMalloc((uint64_t)m->vertices.itemBytes);
        if (!m->box[i]) GroundTinAbort(m);
        memset(m->box[i], 0, (size_t)m->vertices.itemBytes);
    }
    m->box[0][0] = m->xmin - 50.0 * width;
    m->box[0][1] = m->ymin - 40.0 * width;
    m->box[1][0] = m->xmax + 50.0 * width;
    m->box[1][1] = m->ymin - 40.0 * width;
    m->box[2][0] = 0.5 * (m->xmin + m->xmax);
    m->box[2][1] = m->ymax + 60.0 * width;
    // About four points a hint cell (a finer grid starts the walks nearer;
    // its cells are loaded ahead); no hints is only slower.
    double cells = m->inputCount / 4.0 + 1.0;
    double side = width / std::sqrt(cells);
    m->hintCellsPerUnit = 1.0 / side;
    m->hintColumns = (int32_t)((m->xmax - m->xmin) * m->hintCellsPerUnit) + 1;
    m->hintRows = (int32_t)((m->ymax - m->ymin) * m->hintCellsPerUnit) + 1;
    m->hints = (Word*)NBLCalloc((uint64_t)m->hintColumns * (uint64_t)m->hintRows, sizeof(Word));
    OrientedTriangle t;
    GroundTinMakeTriangle(m, b, &t);
    SetOrg(t, m->box[0]);
    SetDest(t, m->box[1]);
    SetApex(t, m->box[2]);
    m->outerSpace[0] = EncodeTri(t);
}

int32_t GroundTinRemoveBox(GroundMesh* m, GroundTinSwitches* b)
{
    OrientedTriangle next = Sym(OrientedTriangle{ m->outerSpace, 0 });
    OrientedTriangle finalEdge = Lprev(next);
    next = Sym(Lnext(next));
    // Move the start handle onto a triangle of the real mesh: the current
    // one has a bounding vertex and goes.
    OrientedTriangle search = Sym(Lprev(next));
    OrientedTriangle check = Sym(Lnext(next));
    if (IsOuterSpace(m, check)) search = Sym(Lprev(search));
    m->outerSpace[0] = EncodeTri(search);
    int32_t hull = -2;
    while (!SameTri(next, finalEdge)) {
        hull++;
        OrientedTriangle dissolve = Sym(Lprev(next));
        // With every point on one line all triangles touch the box.
        if (!b->p && !IsOuterSpace(m, dissolve)) {
            Vertex origin = Org(dissolve);
            if (GroundVertexMarker(m, origin) == 0) GroundVertexMarker(m, origin) = 1;
        }
        dissolve.tri[dissolve.orient] = (Word)m->outerSpace;
        OrientedTriangle dead = Lnext(next);
        next = Sym(dead);
        GroundTinTriangleFree(m, dead.tri);
        if (IsOuterSpace(m, next)) next = dissolve;
    }
    GroundTinTriangleFree(m, finalEdge.tri);
    FreeLocateHints(m);
    for (int i = 0; i < 3; i++) {
        NBLFree(m->box[i]);
        m->box[i] = nullptr;
    }
    return hull;
}

// ---- point location -------------------------------------------------------------------------------

static inline bool SamePoint(const double* a, const double* b) { return a[0] == b[0] && a[1] == b[1]; }

// Starts loading a triangle the code will read soon. Inputs in height order
// are spatially random, so nearly every triangle a walk reaches is out of the
// cache; loading both candidates of the next step while the apex is still on
// its way overlaps two waits that would otherwise follow each other.
static inline void PrefetchTri(Word link)
{
    // A record of six words can straddle two cache lines: load both ends.
    const Word* tri = (const Word*)(link & ~(Word)3);
    __builtin_prefetch(tri);
    __builtin_prefetch(tri + 5);
}

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

int GroundTinPreciseLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle)
{
    Vertex origin = Org(*handle), destination = Dest(*handle), apex = Apex(*handle);
    for (;;) {
        PrefetchTri(handle->tri[plus1mod3[handle->orient]]);
        PrefetchTri(handle->tri[minus1mod3[handle->orient]]);
        if (SamePoint(apex, point)) {
            *handle = Lprev(*handle);
            return GROUND_ON_VERTEX;
        }
        double alpha = GroundTinOrient(m, b, origin, apex, (Vertex)point);
        double beta = GroundTinOrient(m, b, apex, destination, (Vertex)point);
        bool moveLeft;
        if (alpha > 0.0) {
            if (beta > 0.0)
                moveLeft = (apex[0] - point[0]) * (destination[0] - origin[0]) +
                           (apex[1] - point[1]) * (destination[1] - origin[1]) > 0.0;
            else
                moveLeft = true;
        } else if (beta > 0.0) {
            moveLeft = false;
        } else {
            if (alpha == 0.0) {
                *handle = Lprev(*handle);
                return GROUND_ON_EDGE;
            }
            if (beta == 0.0) {
                *handle = Lnext(*handle);
                return GROUND_ON_EDGE;
            }
            return GROUND_IN_TRIANGLE;
        }
        OrientedTriangle back;
        if (moveLeft) {
            back = Lprev(*handle);
            destination = apex;
        } else {
            back = Lnext(*handle);
            origin = apex;
        }
        *handle = Sym(back);
        if (IsOuterSpace(m, *handle)) {
            *handle = back;
            return GROUND_OUTSIDE;
        }
        apex = Apex(*handle);
    }
}

static inline double SquaredDistance(const double* a, const double* b)
{
    double dx = a[0] - b[0], dy = a[1] - b[1];
    return dx * dx + dy * dy;
}

static int FinishLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle);

static inline Word* HintSlot(const GroundMesh* m, const double* point)
{
    if (!m->hints) return nullptr;
    int64_t column = (int64_t)((point[0] - m->xmin) * m->hintCellsPerUnit);
    int64_t row = (int64_t)((point[1] - m->ymin) * m->hintCellsPerUnit);
    if (column < 0 || row < 0 || column >= m->hintColumns || row >= m->hintRows) return nullptr;
    return &m->hints[row * m->hintColumns + column];
}

// The hint of the point's cell, else of a neighbouring cell; null when none is live.
static Word* LiveHint(const GroundMesh* m, const double* point)
{
    if (!m->hints) return nullptr;
    int64_t column = (int64_t)((point[0] - m->xmin) * m->hintCellsPerUnit);
    int64_t row = (int64_t)((point[1] - m->ymin) * m->hintCellsPerUnit);
    if (column < 0 || row < 0 || column >= m->hintColumns || row >= m->hintRows) return nullptr;
    for (int ring = 0; ring <= 1; ring++) {
        for (int64_t r = row - ring; r <= row + ring; r++) {
            if (r < 0 || r >= m->hintRows) continue;
            for (int64_t c = column - ring; c <= column + ring; c++) {
                if (c < 0 || c >= m->hintColumns) continue;
                Word* slot = &m->hints[r * m->hintColumns + c];
                if (*slot && !IsDeadTri(DecodeTri(*slot).tri)) return slot;
            }
        }
    }
    return nullptr;
}

// ---- walks ahead ------------------------------------------------------------------------------------
//
// Inputs in height order are spatially random, so nearly every triangle and
// vertex a location and its flips read is out of the cache, and a walk waits
// for each load before it knows the next. So the location of each coming
// vertex is walked ahead of time, one step per location of the vertices
// before it, and every step reads only what the step before asked to have
// loaded. A step on a triangle asks for its new corner and for the records
// of both triangles the walk may enter next, so the walk crosses one
// triangle per step. Where it ends, the records around the triangle that
// holds the point are already loaded: the step asks for their far corners
// and for the records behind them (the triangles the insertion's first flips
// test), and a last step asks for those records' far corners. Testing which
// of them the flips will reach costs more than loading them all. The steps
// write nothing but their own record; a walk that meets a changed mesh (a
// dead triangle, a missing corner) just stops. When the vertex's turn comes,
// its location starts from the triangle its walk ahead found.
enum { SCOUT_IDLE, SCOUT_HINT, SCOUT_NEAR_HINT, SCOUT_START, SCOUT_FIRST_SIDE, SCOUT_STEP, SCOUT_SECOND_RING };

static inline double PlainOrient(const double* a, const double* b, const double* c)
{
    return (a[0] - c[0]) * (b[1] - c[1]) - (a[1] - c[1]) * (b[0] - c[0]);
}

// Adds the triangle across a side to the walk's frontier and asks for its record.
static inline void AddToFrontier(const GroundMesh* m, GroundLocateScout* s, Word link)
{
    OrientedTriangle t = DecodeTri(link);
    if (!t.tri || t.tri == m->outerSpace || s->frontierCount >= kGroundScoutFrontier) return;
    PrefetchTri(link);
    s->frontier[s->frontierCount++] = t;
}

// The first hint among the point's cell and the eight around it, in the
// order LiveHint reads them (LiveHint also passes over dead ones).
static Word* FirstNearHint(const GroundMesh* m, const Word* own)
{
    int64_t at = own - m->hints, row = at / m->hintColumns, column = at % m->hintColumns;
    for (int64_t r = row - 1; r <= row + 1; r++) {
        if (r < 0 || r >= m->hintRows) continue;
        for (int64_t c = column - 1; c <= column + 1; c++) {
            if (c < 0 || c >= m->hintColumns) continue;
            Word* slot = &m->hints[r * m->hintColumns + c];
            if (*slot) return slot;
        }
    }
    return nullptr;
}

// The three rows of hint cells FirstNearHint reads.
static void PrefetchNearHints(const GroundMesh* m, const Word* own)
{
    int64_t at = own - m->hints, row = at / m->hintColumns, column = at % m->hintColumns;
    int64_t first = column > 0 ? column - 1 : 0;
    for (int64_t r = row - 1; r <= row + 1; r++)
        if (r >= 0 && r < m->hintRows) __builtin_prefetch(&m->hints[r * m->hintColumns + first]);
}

// A triangle a walk ahead may read: the mesh may have changed since the step
// that found it (an undo frees triangles), so nothing is taken for granted.
static inline bool LiveTri(const GroundMesh* m, const Word* t)
{
    return t && t != m->outerSpace && !IsDeadTri(t);
}

// Origin, destination and apex of the walk's triangle, when it is still whole.
static inline bool WalkCorners(const GroundMesh* m, const GroundLocateScout* s, Vertex corner[3])
{
    if (!LiveTri(m, s->at.tri)) return false;
    corner[0] = Org(s->at);
    corner[1] = Dest(s->at);
    corner[2] = Apex(s->at);
    return corner[0] && corner[1] && corner[2];
}

// The walk has entered s->at, whose record is loaded: ask for its new corner
// and for the records across its two other sides.
static inline bool EnterTriangle(const GroundMesh* m, GroundLocateScout* s)
{
    if (!LiveTri(m, s->at.tri) || ++s->moves > 64) return false;
    __builtin_prefetch(Apex(s->at));
    PrefetchTri(s->at.tri[plus1mod3[s->at.orient]]);
    PrefetchTri(s->at.tri[minus1mod3[s->at.orient]]);
    s->phase = SCOUT_STEP;
    return true;
}

// One step of the walk from s->at, whose corners and neighbours are loaded.
// False when the walk stops.
static bool WalkStep(GroundMesh* m, GroundLocateScout* s, Vertex origin, Vertex destination, Vertex apex)
{
    const double* point = s->point;
    double alpha = PlainOrient(origin, apex, point), beta = PlainOrient(apex, destination, point);
    bool moveLeft;
    if (alpha > 0.0) {
        moveLeft = beta <= 0.0 || (apex[0] - point[0]) * (destination[0] - origin[0]) +
                                          (apex[1] - point[1]) * (destination[1] - origin[1]) > 0.0;
    } else if (beta > 0.0) {
        moveLeft = false;
    } else {
        // There. The records around it are loaded: ask for their far
        // corners and for the two records behind each.
        s->found = s->at;
        s->frontierCount = 0;
        for (int k = 0; k < 3; k++) {
            OrientedTriangle t = DecodeTri(s->at.tri[k]);
            if (!LiveTri(m, t.tri)) continue;
            __builtin_prefetch(Apex(t));
            AddToFrontier(m, s, t.tri[plus1mod3[t.orient]]);
            AddToFrontier(m, s, t.tri[minus1mod3[t.orient]]);
        }
        if (!s->frontierCount) return false;
        s->phase = SCOUT_SECOND_RING;
        return true;
    }
    s->at = Sym(moveLeft ? Lprev(s->at) : Lnext(s->at));
    if (!s->at.tri || IsOuterSpace(m, s->at)) return false;
    return EnterTriangle(m, s);
}

static void StepScout(GroundMesh* m, GroundLocateScout* s)
{
    switch (s->phase) {
    case SCOUT_HINT:
        if (m->scoutSkips && m->scoutSkips(m, (Vertex)s->point)) break;
        // fall through
    case SCOUT_NEAR_HINT: {
        Word* slot = s->phase == SCOUT_HINT ? s->slot : FirstNearHint(m, s->slot);
        if (slot && *slot) {
            s->at = DecodeTri(*slot);
            PrefetchTri(*slot);
            s->phase = SCOUT_START;
            return;
        }
        if (s->phase == SCOUT_HINT) {
            PrefetchNearHints(m, s->slot);
            s->phase = SCOUT_NEAR_HINT;
            return;
        }
        break;
    }
    case SCOUT_START: {
        // The start's corners and all three records around it: the location
        // may cross any of its sides first.
        if (!LiveTri(m, s->at.tri)) break;
        for (int k = 0; k < 3; k++) {
            __builtin_prefetch((const void*)s->at.tri[3 + k]);
            PrefetchTri(s->at.tri[k]);
        }
        s->phase = SCOUT_FIRST_SIDE;
        return;
    }
    case SCOUT_FIRST_SIDE:
    case SCOUT_STEP: {
        Vertex corner[3];
        if (!WalkCorners(m, s, corner)) break;
        if (s->phase == SCOUT_FIRST_SIDE && PlainOrient(corner[0], corner[1], s->point) < 0.0) {
            // The start's far side, as the location's first test takes it.
            s->at = Sym(s->at);
            if (s->at.tri && !IsOuterSpace(m, s->at) && EnterTriangle(m, s)) return;
            break;
        }
        if (WalkStep(m, s, corner[0], corner[1], corner[2])) return;
        break;
    }
    case SCOUT_SECOND_RING: {
        for (int32_t k = 0; k < s->frontierCount; k++) {
            OrientedTriangle t = s->frontier[k];
            if (LiveTri(m, t.tri)) __builtin_prefetch(Apex(t));
        }
        break;
    }
    default:
        break;
    }
    s->phase = SCOUT_IDLE;
}

// One step of every walk ahead: called once per location.
static void StepLocateScouts(GroundMesh* m)
{
    if (!m->hints) return;
    for (GroundLocateScout& s : m->scouts)
        if (s.phase != SCOUT_IDLE) StepScout(m, &s);
}

// Starts the walk for the vertex kGroundLocateScouts - 1 places after the one
// the vertex traversal returns next. Its record is the one whose vertex has
// just had its turn.
static void LaunchLocateScout(GroundMesh* m)
{
    if (!m->hints) return;
    const int64_t lead = kGroundLocateScouts - 1;
    MeshPool* pool = &m->vertices;
    int64_t ahead = pool->handedOut - pool->traversalSeen;
    if (pool->traversalLeft < ahead) ahead = pool->traversalLeft;
    GroundLocateScout& s = m->scouts[m->nextScout];
    m->nextScout = (m->nextScout + 1) % kGroundLocateScouts;
    s.phase = SCOUT_IDLE;
    s.found.tri = nullptr;
    if (ahead <= lead) return;
    const double* point = (const double*)(pool->traversalSlot + lead * (int64_t)pool->itemBytes);
    Word* slot = HintSlot(m, point);
    if (!slot) return;
    __builtin_prefetch(slot);
    // The point's record, for the skip test of the first step. Its index is
    // the slot's place in the traversal: the walk's first vertex is not known
    // yet when the walk launches its first walks ahead.
    int64_t index = pool->traversalSeen + lead;
    if (m->scoutSkips && index < GroundPointCount) __builtin_prefetch(GroundPointTable[index]);
    s.point = point;
    s.slot = slot;
    s.moves = 0;
    s.phase = SCOUT_HINT;
}

// The walks ahead start from hint cells: they end with them.
static void FreeLocateHints(GroundMesh* m)
{
    NBLFree(m->hints);
    m->hints = nullptr;
    for (GroundLocateScout& s : m->scouts) s.phase = SCOUT_IDLE;
}

static void RememberHint(GroundMesh* m, const OrientedTriangle& t)
{
    Word* slot = HintSlot(m, Org(t));
    if (slot) *slot = EncodeTri(t);
}

static void StepLocateScouts(GroundMesh* m);

int GroundTinLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle)
{
    StepLocateScouts(m);
    // The walk ahead for this point found its triangle: start there. A mesh
    // changed since then only makes the walk from it longer.
    if (m->hints) {
        const GroundLocateScout& own = m->scouts[m->nextScout];
        if (own.point == point && own.found.tri && !IsDeadTri(own.found.tri)) {
            *handle = own.found;
            return FinishLocate(m, b, point, handle);
        }
    }
    double best = SquaredDistance(point, Org(*handle));
    if (m->recent.tri && !IsDeadTri(m->recent.tri)) {
        Vertex origin = Org(m->recent);
        if (SamePoint(origin, point)) {
            *handle = m->recent;
            return GROUND_ON_VERTEX;
        }
        double d = SquaredDistance(point, origin);
        if (d < best) {
            *handle = m->recent;
            best = d;
        }
    }
    // A live hint from the point's cell makes a start good enough; the random
    // samples are for cells no insertion has reached yet.
    Word* hint = LiveHint(m, point);
    if (hint) {
        OrientedTriangle start = DecodeTri(*hint);
        double d = SquaredDistance(point, Org(start));
        if (d < best) {
            *handle = start;
            best = d;
        }
        return FinishLocate(m, b, point, handle);
    }
    MeshPool* pool = &m->triangles;
    while ((int64_t)11 * m->samples * m->samples * m->samples < pool->liveItems) m->samples++;
    int64_t maxItems = pool->handedOut;
    int64_t perBlock = ((int64_t)m->samples * pool->itemsPerBlock - 1) / maxItems + 1;
    int64_t left = ((int64_t)m->samples * pool->itemsFirstBlock - 1) / maxItems + 1;
    int64_t totalLeft = m->samples;
    int64_t population = pool->itemsFirstBlock;
    int64_t totalPopulation = maxItems;
    Word* block = pool->firstBlock;
    while (totalLeft > 0) {
        if (population > totalPopulation) population = totalPopulation;
        uintptr_t p = (uintptr_t)(block + 1);
        char* first = (char*)(p + (uintptr_t)pool->alignment - (p % (uintptr_t)pool->alignment));
        do {
            Word* tri = (Word*)(first + (int64_t)GroundTinRandom((int32_t)population) * pool->itemBytes);
            if (!IsDeadTri(tri)) {
                OrientedTriangle sample{ tri, 0 };
                double d = SquaredDistance(point, Org(sample));
                if (d < best) {
                    *handle = sample;
                    best = d;
                }
            }
            left--;
            totalLeft--;
        } while (left > 0 && totalLeft > 0);
        if (totalLeft > 0) {
            block = (Word*)block[0];
            left = perBlock;
            totalPopulation -= population;
            population = pool->itemsPerBlock;
        }
    }
    return FinishLocate(m, b, point, handle);
}

// From the chosen start: the start's own corners, its side, then the walk.
static int FinishLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, OrientedTriangle* handle)
{
    Vertex origin = Org(*handle), destination = Dest(*handle);
    if (SamePoint(origin, point)) return GROUND_ON_VERTEX;
    if (SamePoint(destination, point)) {
        *handle = Lnext(*handle);
        return GROUND_ON_VERTEX;
    }
    double ahead = GroundTinOrient(m, b, origin, destination, (Vertex)point);
    if (ahead < 0.0) {
        *handle = Sym(*handle);
    } else if (ahead == 0.0) {
        if (((origin[0] < point[0]) == (point[0] < destination[0])) &&
            ((origin[1] < point[1]) == (point[1] < destination[1])))
            return GROUND_ON_EDGE;
    }
    return GroundTinPreciseLocate(m, b, point, handle);
}

int GroundTinLocateVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* handle)
{
    *handle = Sym(OrientedTriangle{ m->outerSpace, 0 });
    return GroundTinLocate(m, b, v, handle);
}

// ---- insertion -----------------------------------------------------------------------------------

static void PushFlip(GroundMesh* m, const OrientedTriangle& t, FlipRecord* link)
{
    FlipRecord* record = (FlipRecord*)PoolAlloc(&m->flips);
    if (!record) GroundTinAbort(m);
    record->handle = EncodeTri(t);
    record->link = link;
    m->flipTop = record;
}

void GroundTinInsertLocated(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* handle, int located,
                            int record, GroundStarWalk* walk, OrientedTriangle* out)
{
    OrientedTriangle horiz = *handle;
    if (located == GROUND_ON_EDGE || located == GROUND_OUTSIDE) {
        // Cut the triangle on each side of the edge by the line from v to its apex.
        OrientedTriangle botRight = Lprev(horiz);
        OrientedTriangle botRightCasing = Sym(botRight);
        OrientedTriangle topRight = Sym(horiz);
        bool mirror = !IsOuterSpace(m, topRight);
        OrientedTriangle topRightCasing{}, newTopRight{}, newBotRight;
        if (mirror) {
            topRight = Lnext(topRight);
            topRightCasing = Sym(topRight);
            GroundTinMakeTriangle(m, b, &newTopRight);
        }
        GroundTinMakeTriangle(m, b, &newBotRight);
        Vertex right = Org(horiz), bottom = Apex(horiz);
        SetOrg(newBotRight, bottom);
        SetDest(newBotRight, right);
        SetApex(newBotRight, v);
        SetOrg(horiz, v);
        if (mirror) {
            Vertex top = Dest(topRight);
            SetOrg(newTopRight, right);
            SetDest(newTopRight, top);
            SetApex(newTopRight, v);
            SetOrg(topRight, v);
        }
        PrefetchFarCorners(Sym(Lnext(horiz)), botRightCasing, mirror ? topRightCasing : botRightCasing);
        Bond(newBotRight, botRightCasing);
        newBotRight = Lprev(newBotRight);
        Bond(newBotRight, botRight);
        newBotRight = Lprev(newBotRight);
        if (mirror) {
            Bond(newTopRight, topRightCasing);
            newTopRight = Lnext(newTopRight);
            Bond(newTopRight, topRight);
            newTopRight = Lnext(newTopRight);
            Bond(newTopRight, newBotRight);
        }
        if (record) {
            PoolRestart(&m->flips);
            m->flipTop = nullptr;
            PushFlip(m, horiz, EdgeSplitMarker);
        }
        horiz = Lnext(horiz);
    } else {
        // Cut the triangle into three by the lines from v to its corners.
        OrientedTriangle botLeft = Lnext(horiz), botRight = Lprev(horiz);
        OrientedTriangle botLeftCasing = Sym(botLeft), botRightCasing = Sym(botRight);
        OrientedTriangle newBotLeft, newBotRight;
        GroundTinMakeTriangle(m, b, &newBotLeft);
        GroundTinMakeTriangle(m, b, &newBotRight);
        Vertex right = Org(horiz), left = Dest(horiz), bottom = Apex(horiz);
        SetOrg(newBotLeft, left);
        SetDest(newBotLeft, bottom);
        SetApex(newBotLeft, v);
        SetOrg(newBotRight, bottom);
        SetDest(newBotRight, right);
        SetApex(newBotRight, v);
        SetApex(horiz, v);
        Bond(newBotLeft, botLeftCasing);
        Bond(newBotRight, botRightCasing);
        newBotLeft = Lnext(newBotLeft);
        newBotRight = Lprev(newBotRight);
        Bond(newBotLeft, newBotRight);
        newBotLeft = Lnext(newBotLeft);
        Bond(botLeft, newBotLeft);
        newBotRight = Lprev(newBotRight);
        Bond(botRight, newBotRight);
        if (record) {
            PoolRestart(&m->flips);
            m->flipTop = nullptr;
            PushFlip(m, horiz, nullptr);
        }
        // The three edges opposite v are tested next: their far corners are
        // loaded together rather than one after the other.
        PrefetchFarCorners(Sym(horiz), botLeftCasing, botRightCasing);
    }

    // Go around v, flipping every edge opposite it that is not locally Delaunay.
    Vertex first = Org(horiz);
    Vertex right = first;
    Vertex left = Dest(horiz);
    for (;;) {
        bool flip = true;
        OrientedTriangle top = Sym(horiz);
        bool boxEnd = IsBoundingVertex(m, left) || IsBoundingVertex(m, right);
        if (walk && (IsOuterSpace(m, top) || boxEnd)) walk->boundary = 1;
        if (IsOuterSpace(m, top)) {
            flip = false;
        } else {
            Vertex farVertex = Apex(top);
            // Bounding vertices count as infinitely farVertex away.
            if (IsBoundingVertex(m, left))
                flip = GroundTinOrient(m, b, v, right, farVertex) > 0.0;
            else if (IsBoundingVertex(m, right))
                flip = GroundTinOrient(m, b, farVertex, left, v) > 0.0;
            else if (IsBoundingVertex(m, farVertex))
                flip = false;
            else
                flip = GroundTinInCircle(m, b, left, v, right, farVertex) > 0.0;
            if (flip) {
                OrientedTriangle topLeft = Lprev(top), topRight = Lnext(top);
                OrientedTriangle topLeftCasing = Sym(topLeft), topRightCasing = Sym(topRight);
                // The two edges the flip puts opposite v are tested next.
                PrefetchFarCorners(topLeftCasing, topRightCasing, topLeftCasing);
                OrientedTriangle botLeft = Lnext(horiz), botRight = Lprev(horiz);
                OrientedTriangle botLeftCasing = Sym(botLeft), botRightCasing = Sym(botRight);
                Bond(topLeft, botLeftCasing);
                Bond(botLeft, botRightCasing);
                Bond(botRight, topRightCasing);
                Bond(topRight, topLeftCasing);
                SetOrg(horiz, farVertex);
                SetDest(horiz, v);
                SetApex(horiz, right);
                SetOrg(top, v);
                SetDest(top, farVertex);
                SetApex(top, left);
                if (record) PushFlip(m, horiz, m->flipTop);
                horiz = Lprev(horiz);
                left = farVertex;
            }
        }
        if (!flip) {
            horiz = Lnext(horiz);
            OrientedTriangle test = Sym(horiz);
            if (left == first || IsOuterSpace(m, test)) {
                if (walk && !walk->boundary) walk->visit(walk, v, first);
                *out = Lnext(horiz);
                m->recent = *out;
                RememberHint(m, *out);
                return;
            }
            horiz = Lnext(test);
            right = left;
            left = Dest(horiz);
            if (walk && !walk->boundary) walk->visit(walk, v, right);
        }
    }
}

int GroundTinInsertVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, OrientedTriangle* out)
{
    OrientedTriangle handle;
    int located = GroundTinLocateVertex(m, b, v, &handle);
    if (located == GROUND_ON_VERTEX) {
        *out = handle;
        m->recent = handle;
        return 1;
    }
    GroundTinInsertLocated(m, b, v, &handle, located, 0, nullptr, out);
    return 0;
}

int32_t GroundTinRunInsertAll(GroundMesh* m, GroundTinSwitches* b, int32_t)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    GroundTinBoundingBox(m, b);
    GroundTinTraversalInit(&m->vertices);
    for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m)) {
        OrientedTriangle out;
        if (GroundTinInsertVertex(m, b, v, &out) == 1) {
            GroundVertexType(m, v) = GROUND_VERTEX_LEFT_OUT;
            m->leftOutCount++;
        }
    }
    int32_t hull = GroundTinRemoveBox(m, b);
    return m->triangles.liveItems > 0 ? hull : 0;
}

// ---- undo ------------------------------------------------------------------------------------------

void GroundTinUnflip(GroundMesh*, GroundTinSwitches*, OrientedTriangle* edge)
{
    Vertex right = Org(*edge), left = Dest(*edge), bottom = Apex(*edge);
    OrientedTriangle top = Sym(*edge);
    Vertex farVertex = Apex(top);
    OrientedTriangle topLeft = Lprev(top), topRight = Lnext(top);
    OrientedTriangle topLeftCasing = Sym(topLeft), topRightCasing = Sym(topRight);
    OrientedTriangle botLeft = Lnext(*edge), botRight = Lprev(*edge);
    OrientedTriangle botLeftCasing = Sym(botLeft), botRightCasing = Sym(botRight);
    Bond(topLeft, topRightCasing);
    Bond(botLeft, topLeftCasing);
    Bond(botRight, botLeftCasing);
    Bond(topRight, botRightCasing);
    SetOrg(*edge, bottom);
    SetDest(*edge, farVertex);
    SetApex(*edge, left);
    SetOrg(top, farVertex);
    SetDest(top, bottom);
    SetApex(top, right);
}

void GroundTinUndoVertex(GroundMesh* m, GroundTinSwitches* b)
{
    while (m->flipTop) {
        FlipRecord* r = m->flipTop;
        OrientedTriangle flipTri = DecodeTri(r->handle);
        if (r->link == nullptr) {
            // Three triangles back into one.
            OrientedTriangle botLeft = Lnext(Sym(Lnext(flipTri)));   // dprev, then lnext
            OrientedTriangle botRight = Lprev(Sym(Lprev(flipTri)));  // onext, then lprev
            OrientedTriangle botLeftCasing = Sym(botLeft), botRightCasing = Sym(botRight);
            Vertex bottom = Dest(botLeft);
            SetApex(flipTri, bottom);
            flipTri = Lnext(flipTri);
            Bond(flipTri, botLeftCasing);
            flipTri = Lnext(flipTri);
            Bond(flipTri, botRightCasing);
            GroundTinTriangleFree(m, botLeft.tri);
            GroundTinTriangleFree(m, botRight.tri);
        } else if (r->link == EdgeSplitMarker) {
            // Four (or two) triangles back into two (or one).
            OrientedTriangle glue = Lprev(flipTri);
            OrientedTriangle botRight = Lnext(Sym(glue));
            OrientedTriangle botRightCasing = Sym(botRight);
            Vertex right = Dest(botRight);
            SetOrg(flipTri, right);
            Bond(glue, botRightCasing);
            GroundTinTriangleFree(m, botRight.tri);
            glue = Sym(flipTri);
            if (!IsOuterSpace(m, glue)) {
                glue = Lnext(glue);
                OrientedTriangle topRight = Lprev(Sym(glue));   // dnext
                OrientedTriangle topRightCasing = Sym(topRight);
                SetOrg(glue, right);
                Bond(glue, topRightCasing);
                GroundTinTriangleFree(m, topRight.tri);
            }
            r->link = nullptr;
        } else {
            GroundTinUnflip(m, b, &flipTri);
        }
        m->flipTop = r->link;
    }
}

// ---- output -------------------------------------------------------------------------------------------

// Numbering: clears numbersByPlace when the vertex numbered index-th is not
// in the index-th slot of the pool.
static inline void CheckNumberPlace(GroundMesh* m, const char* first, Vertex v, int64_t index)
{
    if ((const char*)v != first + index * m->vertices.itemBytes) m->numbersByPlace = false;
}

void GroundTinWriteNodes(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                         int32_t** markerList)
{
    int64_t live = m->vertices.liveItems;
    int32_t attributes = m->pointAttributes;
    if (!*pointList) *pointList = (double*)NBLMalloc((uint64_t)live * 16);
    if (!*attributeList && attributes > 0) *attributeList = (double*)NBLMalloc((uint64_t)live * attributes * 8);
    if (!*markerList && !b->B) *markerList = (int32_t*)NBLMalloc((uint64_t)live * 4);
    double* points = *pointList;
    double* attributeOut = *attributeList;
    int32_t* markers = *markerList;
    if (!points || (attributes > 0 && !attributeOut) || (!b->B && !markers)) GroundTinAbort(m);
    GroundTinTraversalInit(&m->vertices);
    int32_t number = b->firstNumber;
    int64_t k = 0;
    const char* first = PoolFirstSlot(&m->vertices);
    m->numbersByPlace = true;
    for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m), k++, number++) {
        points[2 * k] = v[0];
        points[2 * k + 1] = v[1];
        for (int32_t a = 0; a < attributes; a++) attributeOut[k * attributes + a] = v[2 + a];
        if (!b->B) markers[k] = GroundVertexMarker(m, v);
        GroundVertexMarker(m, v) = number;
        CheckNumberPlace(m, first, v, k);
    }
}

void GroundTinWriteNodesAlt(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                            int32_t** markerList)
{
    GroundTinWriteNodes(m, b, pointList, attributeList, markerList);
}

void GroundTinWriteElements(GroundMesh* m, GroundTinSwitches* b, int32_t** triangleList,
                            double** triangleAttributeList)
{
    int corners = (b->order + 1) * (b->order + 2) / 2;
    int64_t live = m->triangles.liveItems;
    if (!*triangleList) *triangleList = (int32_t*)NBLMalloc((uint64_t)corners * live * 4 + 4);
    if (!*triangleAttributeList && m->triangleAttributes > 0)
        *triangleAttributeList = (double*)NBLMalloc((uint64_t)live * m->triangleAttributes * 8 + 8);
    int32_t* out = *triangleList;
    if (!out || (m->triangleAttributes > 0 && !*triangleAttributeList)) GroundTinAbort(m);
    GroundTinTraversalInit(&m->triangles);
    int64_t k = 0, a = 0;
    // Inputs in height order are spread over the whole vertex pool: when the
    // numbers follow the pool, a corner's number comes from its address
    // rather than from a read of the vertex.
    const char* first = PoolFirstSlot(&m->vertices);
    const bool byPlace = m->numbersByPlace && m->vertexShift >= 0;
    const int32_t shift = m->vertexShift, firstNumber = b->firstNumber;
    auto number = [&](Vertex v) {
        return byPlace ? firstNumber + (int32_t)(((const char*)v - first) >> shift) : GroundVertexMarker(m, v);
    };
    for (Word* tri = GroundTinTriangleTraverse(m); tri; tri = GroundTinTriangleTraverse(m)) {
        OrientedTriangle t{ tri, 0 };
        out[k++] = number(Org(t));
        out[k++] = number(Dest(t));
        out[k++] = number(Apex(t));
        if (b->order == 2) {
            // No mid-edge nodes are made: the extra corners repeat the edge ends' numbers.
            for (int c = 0; c < 3; c++, k++) out[k] = out[k - 3];
        }
        double* attributes = (double*)tri + m->attributeIndex;
        for (int32_t i = 0; i < m->triangleAttributes; i++) (*triangleAttributeList)[a++] = attributes[i];
    }
}

void GroundTinFillOutput(GroundMesh* m, GroundTinSwitches* b, TriangulateIO* out, int32_t hull)
{
    out->pointCount = (int32_t)m->vertices.liveItems;
    out->pointAttributeCount = m->pointAttributes;
    out->cornerCount = (b->order + 1) * (b->order + 2) / 2;
    out->triangleCount = (int32_t)m->triangles.liveItems;
    out->triangleAttributeCount = 0;
    m->edgeCount = (int32_t)((hull + 3 * (int64_t)out->triangleCount) / 2);
    m->hullEdges = hull;
    out->edgeCount = m->edgeCount;
    out->segmentCount = hull;
    // N and E leave the lists out as they do for the triangulator: a walk
    // that wants only its classes does not write millions of triangles.
    if (!b->N) {
        GroundTinWriteNodes(m, b, &out->points, &out->pointAttributes, &out->pointMarkers);
    } else if (!b->E) {
        GroundTinTraversalInit(&m->vertices);
        int32_t number = b->firstNumber;
        const char* first = PoolFirstSlot(&m->vertices);
        m->numbersByPlace = true;
        for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m)) {
            CheckNumberPlace(m, first, v, (int64_t)number - b->firstNumber);
            GroundVertexMarker(m, v) = number++;
        }
    }
    if (!b->E) GroundTinWriteElements(m, b, &out->triangles, &out->triangleAttributes);
}

// ---- the driver ------------------------------------------------------------------------------------------

// Static so that the abandon path sees the values current at the jump.
static GroundMesh driveMesh;
static GroundTinSwitches driveSwitches;

int GroundTinDrive(const char* switches, TriangulateIO* in, TriangulateIO* out, PointSelection* selection,
                   GroundTinRunRoutine run, int32_t n)
{
    LockTriangulation();
    GroundMesh* m = &driveMesh;
    GroundTinSwitches* b = &driveSwitches;
    GroundPointTable = selection->items;
    GroundPointCount = selection->count;
    GroundTinInit(m);
    if (setjmp(groundAbortJump)) {
        GroundTinDeinit(m, b);
        EndSecondProgress();
        out->pointCount = out->triangleCount = out->edgeCount = out->segmentCount = 0;
        UnlockTriangulation();
        return 0;
    }
    const char* texts[1] = { switches };
    GroundTinParseSwitches(1, texts, b);
    m->sValue = b->S;
    GroundTinTransferNodes(m, b, in->points, in->pointAttributes, in->pointMarkers, in->pointCount,
                           in->pointAttributeCount);
    char* slot = PoolFirstSlot(&m->vertices);
    int32_t count = selection->count < in->pointCount ? selection->count : in->pointCount;
    // The selection is in height order, its records at random places in the
    // data set: each is asked for some way ahead.
    const int32_t ahead = 32;
    for (int32_t k = 0; k < count; k++, slot += m->vertices.itemBytes) {
        if (k + ahead < count && selection->items[k + ahead]) __builtin_prefetch(selection->items[k + ahead]);
        GroundVertexHeight(m, (Vertex)slot) = selection->items[k] ? selection->items[k]->z : 0.0f;
        GroundVertexFigure(m, (Vertex)slot) = PointSlopeTable ? PointSlopeTable[k] : 0.0f;
    }
    int32_t hull = run(m, b, n);
    m->box[0] = m->box[1] = m->box[2] = nullptr;
    GroundTinFillOutput(m, b, out, hull);
    GroundTinDeinit(m, b);
    UnlockTriangulation();
    return 1;
}
