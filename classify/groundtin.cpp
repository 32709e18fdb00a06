// The ground triangulation engine: set-up, switches, pools, triangles and
// predicates, and the driver. Its other parts lie beside it: the bounding
// triangle (groundtin_box), point location (groundtin_locate), insertion and
// undo (groundtin_insert) and the output writers (groundtin_output).
#include "classify/groundtin.h"
#include "classify/groundtin_locate.h"
#include "classify/groundtin_screen.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"
#include "base/progress.h"
#include "base/vector.h"
#include "data/selection.h"
#include "data/data_set.h"
#include <cstdlib>
#include <cstring>
#include <cmath>

PointRecord** GroundPointTable = nullptr;
int32_t       GroundPointCount = 0;
Vertex        GroundFirstVertex = nullptr;
const float*  GroundHeightTable = nullptr;

jmp_buf groundAbortJump;

// Any fixed address no flip record can have.
static FlipRecord edgeSplitMarkerRecord;
FlipRecord* const EdgeSplitMarker = &edgeSplitMarkerRecord;

static int32_t groundRandomSeed = 1;

// The blocks a tear-down held for the next walk (GroundTinKeepBlocks). The
// keep is started and ended outside the triangulation lock, so each thread
// has its own: a walk of one thread never takes or frees another's blocks.
static thread_local bool keepBlocks = false;
static thread_local GroundTriangle* keptRecords = nullptr;
static thread_local uint32_t keptCapacity = 0;
static thread_local MeshPool keptVertices;
static thread_local int keptVertexShape[3];   // item bytes, first-block items, alignment asked for
static thread_local bool hasKeptVertices = false;

static void FreeKeptRecords()
{
    NBLFree(keptRecords);
    keptRecords = nullptr;
    keptCapacity = 0;
}

static void FreeKeptVertices()
{
    if (hasKeptVertices) GroundTinPoolDeinit(&keptVertices);
    hasKeptVertices = false;
}

void GroundTinKeepBlocks(bool keep)
{
    keepBlocks = keep;
    if (!keep) {
        FreeKeptRecords();
        FreeKeptVertices();
    }
}

void GroundTinAbort(GroundMesh*)
{
    longjmp(groundAbortJump, 1);
}

// ---- set-up --------------------------------------------------------------------------

void GroundTinExactInit()
{
    ExactInit();
}

void GroundTinInit(GroundMesh* m)
{
    memset(m, 0, sizeof(*m));
    m->hasRecent = false;
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
    // Links and corners are 32-bit indices: a set whose triangles they
    // cannot number is refused as memory running out would be.
    if (m->inputCount < 0 || 2 * (int64_t)m->inputCount + 16 >= (int64_t)kGroundMaxTriangles) GroundTinAbort(m);
    int attributeBytes = (2 + m->pointAttributes) * 8;
    m->markerIndex = (attributeBytes + 3) / 4;
    m->pWordIndex = (attributeBytes + 11) / 4;
    int bytes = attributeBytes + 8 + (b->p ? 4 : 0);
    m->heightIndex = bytes / 4;
    bytes += 8;
    // The inputs and, after them, the three bounding vertices.
    int first = m->inputCount + 3 > 4092 ? m->inputCount + 3 : 4092;
    // A vertex within one cache line is one miss, and a power-of-two size
    // makes a vertex's input index a shift.
    int alignment = 8;
    if (bytes <= 64)
        while (alignment < bytes) alignment *= 2;
    if (hasKeptVertices && keptVertexShape[0] == bytes && keptVertexShape[1] == first &&
        keptVertexShape[2] == alignment) {
        // Every field of a vertex is written before it is read.
        m->vertices = keptVertices;
        hasKeptVertices = false;
        GroundTinPoolRestart(&m->vertices);
    } else {
        FreeKeptVertices();
        GroundTinPoolInit(&m->vertices, bytes, 4092, first, alignment);
        keptVertexShape[0] = bytes;
        keptVertexShape[1] = first;
        keptVertexShape[2] = alignment;
    }
    m->vertexShift = -1;
    for (int shift = 0; shift < 7; shift++)
        if (m->vertices.itemBytes == 1 << shift) m->vertexShift = shift;
    if (!m->vertices.firstBlock) GroundTinAbort(m);
    m->vertexBase = PoolFirstSlot(&m->vertices);
    m->vertexBytes = m->vertices.itemBytes;
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
    }
    PlaneBounds(points, count, &m->xmin, &m->xmax, &m->ymin, &m->ymax);
}

void GroundTinInitTriPools(GroundMesh* m, GroundTinSwitches* b)
{
    GroundTrianglePool* pool = &m->triangles;
    int64_t first = m->inputCount > 2047 ? 2 * (int64_t)m->inputCount - 2 : 4092;
    if (first < 4092) first = 4092;
    pool->itemsFirstBlock = first;
    pool->itemsPerBlock = 4092;
    // A finished mesh with its bounding triangle has 2n + 1 triangles.
    int64_t capacity = 1 + (2 * (int64_t)m->inputCount + 8 > first ? 2 * (int64_t)m->inputCount + 8 : first);
    if (keptRecords && keptCapacity >= capacity) {
        // Each triangle is written whole when it is made.
        pool->records = keptRecords;
        capacity = keptCapacity;
        keptRecords = nullptr;
        keptCapacity = 0;
    } else {
        FreeKeptRecords();
        pool->records = (GroundTriangle*)NBLMalloc((uint64_t)capacity * sizeof(GroundTriangle));
    }
    if (!pool->records) GroundTinAbort(m);
    pool->capacity = (uint32_t)capacity;
    pool->handedOut = 0;
    pool->liveItems = 0;
    pool->freeTop = kGroundNoTriangle;
    pool->traversal = 1;
    if (b->segmentFlag) {
        GroundTinPoolInit(&m->segments, 9 * (int)sizeof(Word), 508, 508, 4);
        if (!m->segments.firstBlock) GroundTinAbort(m);
    }
    GroundTinDummyInit(m, b);
}

void GroundTinDummyInit(GroundMesh* m, GroundTinSwitches* b)
{
    GroundTriangle& outer = m->triangles.records[kGroundOuterSpace];
    outer.link[0] = outer.link[1] = outer.link[2] = EncodeGround(GroundHandle{ kGroundOuterSpace, 0 });
    outer.corner[0] = outer.corner[1] = outer.corner[2] = kGroundNoVertex;
    if (b->segmentFlag) {
        m->outerSegment = AlignedSentinel(m->segments.itemBytes, m->segments.alignment, &m->outerSegmentBase);
        if (!m->outerSegment) GroundTinAbort(m);
        memset(m->outerSegment, 0, (size_t)m->segments.itemBytes);
        m->outerSegment[0] = m->outerSegment[1] = (Word)m->outerSegment;
    }
}

void GroundTinDeinit(GroundMesh* m, GroundTinSwitches* b)
{
    if (keepBlocks && m->triangles.records) {
        FreeKeptRecords();
        keptRecords = m->triangles.records;
        keptCapacity = m->triangles.capacity;
    } else {
        NBLFree(m->triangles.records);
    }
    m->triangles.records = nullptr;
    m->triangles.capacity = m->triangles.handedOut = 0;
    m->triangles.liveItems = 0;
    if (b->segmentFlag) {
        GroundTinPoolDeinit(&m->segments);
        if (m->outerSegmentBase) NBLFree(m->outerSegmentBase);
        m->outerSegmentBase = m->outerSegment = nullptr;
    }
    if (keepBlocks && m->vertices.firstBlock) {
        FreeKeptVertices();
        keptVertices = m->vertices;
        hasKeptVertices = true;
        m->vertices.firstBlock = nullptr;
    } else {
        GroundTinPoolDeinit(&m->vertices);
    }
    GroundTinPoolDeinit(&m->flips);
    FreeLocateHints(m);
    GroundFirstVertex = nullptr;
    // The bounding vertices live in the vertex pool.
    for (int i = 0; i < 3; i++) m->box[i] = nullptr;
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

void GroundTinTraversalInit(GroundTrianglePool* pool) { pool->traversal = 1; }

GroundTriangle* GroundTinTriangleTraverse(GroundMesh* m)
{
    GroundTrianglePool* pool = &m->triangles;
    while (pool->traversal <= pool->handedOut) {
        GroundTriangle* t = &pool->records[pool->traversal++];
        if (!IsDeadTri(*t)) return t;
    }
    return nullptr;
}

// ---- triangles, predicates, random numbers -------------------------------------------------

void GroundTinMakeTriangle(GroundMesh* m, GroundTinSwitches*, GroundHandle* out)
{
    GroundTrianglePool* pool = &m->triangles;
    uint32_t index = pool->freeTop;
    if (index != kGroundNoTriangle) {
        pool->freeTop = pool->records[index].link[0];
    } else {
        if (pool->handedOut + 1 >= pool->capacity) {
            uint64_t grown = (uint64_t)pool->capacity + 4092;
            if (grown > kGroundMaxTriangles) GroundTinAbort(m);
            GroundTriangle* records = (GroundTriangle*)NBLReMalloc(pool->records, grown * sizeof(GroundTriangle));
            if (!records) GroundTinAbort(m);
            pool->records = records;
            pool->capacity = (uint32_t)grown;
        }
        index = ++pool->handedOut;
    }
    pool->liveItems++;
    GroundTriangle& t = pool->records[index];
    t.link[0] = t.link[1] = t.link[2] = EncodeGround(GroundHandle{ kGroundOuterSpace, 0 });
    t.corner[0] = t.corner[1] = t.corner[2] = kGroundNoVertex;
    out->tri = index;
    out->orient = 0;
}

void GroundTinTriangleFree(GroundMesh* m, uint32_t triangle)
{
    GroundTrianglePool* pool = &m->triangles;
    GroundTriangle& t = pool->records[triangle];
    t.link[1] = kGroundDeadLink;
    t.corner[0] = kGroundNoVertex;
    t.link[0] = pool->freeTop;
    pool->freeTop = triangle;
    pool->liveItems--;
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
    // The plain Delaunay run reads no heights or figures.
    if (run == GroundTinRunInsertAll) count = 0;
    // The selection is in height order, its records at random places in the
    // data set: each is asked for some way ahead.
    const int32_t ahead = 32;
    for (int32_t k = 0; k < count; k++, slot += m->vertices.itemBytes) {
        if (GroundHeightTable) {
            GroundVertexHeight(m, (Vertex)slot) = GroundHeightTable[k];
        } else {
            if (k + ahead < count && selection->items[k + ahead]) __builtin_prefetch(selection->items[k + ahead]);
            GroundVertexHeight(m, (Vertex)slot) = selection->items[k] ? selection->items[k]->z : 0.0f;
        }
        GroundVertexFigure(m, (Vertex)slot) = PointSlopeTable ? PointSlopeTable[k] : 0.0f;
    }
    int32_t hull = run(m, b, n);
    m->box[0] = m->box[1] = m->box[2] = nullptr;
    GroundTinFillOutput(m, b, out, hull);
    GroundTinDeinit(m, b);
    UnlockTriangulation();
    return 1;
}
