// Block pools, mesh records and the two sentinels that stand for the outside.
#include "base/triangulate/mesh.h"
#include "base/triangulate/predicates.h"
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "base/progress.h"
#include <cstring>

const int plus1mod3[3] = { 1, 2, 0 };
const int minus1mod3[3] = { 2, 0, 1 };

// Run state is per thread: separate threads may triangulate at the same time.
thread_local jmp_buf triAbortJump;
static thread_local long randomSeed = 1;

void TriAbort(TriMesh* m)
{
    m->failed = 1;
    longjmp(triAbortJump, 1);
}

void TriInternalError(TriMesh* m)
{
    TriAbort(m);
}

// ---- pools ---------------------------------------------------------------------

static char* FirstSlot(Word* block, int alignment)
{
    uintptr_t p = (uintptr_t)(block + 1);
    return (char*)(p + (uintptr_t)alignment - (p % (uintptr_t)alignment));
}

// The pools' first blocks, the sort array and the outputs are sized to the
// whole input. They are plain heap blocks: asking Linux for huge pages there
// (madvise) makes a page fault wait for memory compaction whenever the
// machine's memory is fragmented, which on a busy machine cost more than a
// third of a 5 M point run.
void* TriLargeAlloc(uint64_t bytes)
{
    return NBLMalloc(bytes);
}

static Word* AllocBlock(const MemoryPool* pool, int64_t items)
{
    uint64_t bytes;
    if (!CheckedBytes((uint64_t)items, (uint64_t)pool->itemBytes, &bytes)) return nullptr;
    bytes += (uint64_t)pool->alignment + sizeof(Word);
    Word* block = (Word*)TriLargeAlloc(bytes);
    if (block) block[0] = 0;
    return block;
}

void PoolInit(MemoryPool* pool, int itemBytes, int64_t itemsPerBlock, int64_t itemsFirstBlock,
              int doubleWords, int alignment)
{
    memset(pool, 0, sizeof(*pool));
    int word = doubleWords ? 8 : (int)sizeof(Word);
    pool->doubleWords = doubleWords;
    if (alignment < word) alignment = word;
    if (alignment < 4) alignment = 4;
    pool->alignment = alignment;
    pool->itemWords = ((itemBytes + alignment - 1) / alignment) * (alignment / word);
    pool->itemBytes = pool->itemWords * word;
    pool->itemsPerBlock = itemsPerBlock;
    pool->itemsFirstBlock = itemsFirstBlock == 0 ? itemsPerBlock : itemsFirstBlock;
    pool->firstBlock = AllocBlock(pool, pool->itemsFirstBlock);
    if (pool->firstBlock) PoolRestart(pool);
}

void PoolRestart(MemoryPool* pool)
{
    pool->liveItems = 0;
    pool->handedOut = 0;
    pool->currentBlock = pool->firstBlock;
    pool->nextSlot = FirstSlot(pool->firstBlock, pool->alignment);
    pool->freeInBlock = pool->itemsFirstBlock;
    pool->deadStack = nullptr;
}

void PoolDeinit(MemoryPool* pool)
{
    Word* block = pool->firstBlock;
    while (block) {
        Word* next = (Word*)block[0];
        NBLFree(block);
        block = next;
    }
    pool->firstBlock = nullptr;
}

void* PoolAlloc(MemoryPool* pool)
{
    void* item;
    if (pool->deadStack) {
        item = pool->deadStack;
        pool->deadStack = (Word*)*pool->deadStack;
    } else {
        if (pool->freeInBlock == 0) {
            Word* next = (Word*)pool->currentBlock[0];
            if (!next) {
                next = AllocBlock(pool, pool->itemsPerBlock);
                if (!next) return nullptr;
                pool->currentBlock[0] = (Word)next;
            }
            pool->currentBlock = next;
            pool->nextSlot = FirstSlot(next, pool->alignment);
            pool->freeInBlock = pool->itemsPerBlock;
        }
        item = pool->nextSlot;
        pool->nextSlot += pool->itemBytes;
        pool->freeInBlock--;
        pool->handedOut++;
    }
    pool->liveItems++;
    return item;
}

void PoolDealloc(MemoryPool* pool, void* item)
{
    *(Word**)item = pool->deadStack;
    pool->deadStack = (Word*)item;
    pool->liveItems--;
}

char* PoolFirstSlot(const MemoryPool* pool) { return FirstSlot(pool->firstBlock, pool->alignment); }

void TraversalInit(MemoryPool* pool)
{
    pool->traversalBlock = pool->firstBlock;
    pool->traversalSlot = FirstSlot(pool->firstBlock, pool->alignment);
    pool->traversalLeft = pool->itemsFirstBlock;
    pool->traversalSeen = 0;
}

void* Traverse(MemoryPool* pool)
{
    if (pool->traversalSeen >= pool->handedOut) return nullptr;
    if (pool->traversalLeft == 0) {
        pool->traversalBlock = (Word*)pool->traversalBlock[0];
        pool->traversalSlot = FirstSlot(pool->traversalBlock, pool->alignment);
        pool->traversalLeft = pool->itemsPerBlock;
    }
    void* item = pool->traversalSlot;
    pool->traversalSlot += pool->itemBytes;
    pool->traversalLeft--;
    pool->traversalSeen++;
    return item;
}

Word* TriangleTraverse(TriMesh* m)
{
    Word* t;
    do {
        t = (Word*)Traverse(&m->triangles);
        if (!t) return nullptr;
    } while (IsDeadTri(t));
    return t;
}

Word* SubsegTraverse(TriMesh* m)
{
    Word* s;
    do {
        s = (Word*)Traverse(&m->subsegs);
        if (!s) return nullptr;
    } while (IsDeadSub(s));
    return s;
}

Vertex VertexTraverse(TriMesh* m)
{
    Vertex v;
    do {
        v = (Vertex)Traverse(&m->vertices);
        if (!v) return nullptr;
    } while (VertexType(m, v) == DEADVERTEX);
    return v;
}

Vertex GetVertex(TriMesh* m, const TriSwitches* b, int number)
{
    MemoryPool* pool = &m->vertices;
    int64_t index = (int64_t)number - b->firstNumber;
    if (index < 0 || index >= pool->handedOut) return nullptr;
    Word* block = pool->firstBlock;
    int64_t inBlock = pool->itemsFirstBlock;
    while (index >= inBlock) {
        index -= inBlock;
        block = (Word*)block[0];
        inBlock = pool->itemsPerBlock;
    }
    return (Vertex)(FirstSlot(block, pool->alignment) + index * pool->itemBytes);
}

// ---- mesh --------------------------------------------------------------------------

long RandomSeed() { return randomSeed; }
void SetRandomSeed(long seed) { randomSeed = seed; }

int NextRandom(int n)
{
    randomSeed = (randomSeed * 1366l + 150889l) % 714025l;
    return (int)(randomSeed / (714025l / n + 1));
}

void CountProgressEvent()
{
    if (!TriShowProgress) return;
    TriProgressCounter++;
    if (TriProgressCounter % 16384 == 0) StepProgress();
}

void MeshInit(TriMesh* m)
{
    memset(m, 0, sizeof(*m));
    m->samples = 1;
    randomSeed = 1;
    ExactInit();
}

void InitializeVertexPool(TriMesh* m, const TriSwitches* b)
{
    int attribBytes = (2 + m->pointAttributeCount) * 8;
    m->vertexMarkerIndex = attribBytes / 4;
    m->vertexTriIndex = (attribBytes + 8 + (int)sizeof(Word) - 1) / (int)sizeof(Word);
    int bytes = attribBytes + 8;
    if (b->pslg) bytes = (m->vertexTriIndex + 1) * (int)sizeof(Word);
    int64_t first = m->inputPoints > 4092 ? m->inputPoints : 4092;
    PoolInit(&m->vertices, bytes, 4092, first, 1, 8);
    if (!m->vertices.firstBlock) TriAbort(m);
}

void InitializeTriSubPools(TriMesh* m, const TriSwitches* b)
{
    m->highOrderIndex = 6 + (b->useSegments ? 3 : 0);
    int corners = (b->order + 1) * (b->order + 2) / 2;
    int words = corners + m->highOrderIndex - 3;
    m->elemAttribIndex = (words * (int)sizeof(Word) + 7) / 8;
    int bytes = (m->elemAttribIndex + m->triangleAttributeCount + (b->regionAttributes ? 1 : 0)) * 8;
    // Output numbers of triangles: the Voronoi writer needs the corners along
    // with them, so they get a word of their own; the neighbour writer comes
    // last and may put them over a corner.
    if (b->writeVoronoi && bytes < 7 * (int)sizeof(Word)) bytes = 7 * (int)sizeof(Word);
    m->triNumberIndex = b->writeVoronoi ? 6 : 3;
    int64_t first = 2 * m->inputPoints - 2;
    if (first < 4092) first = 4092;
    PoolInit(&m->triangles, bytes, 4092, first, 0, 4);
    if (!m->triangles.firstBlock) TriAbort(m);
    if (b->useSegments) {
        PoolInit(&m->subsegs, 7 * (int)sizeof(Word), 508, 508, 0, 4);
        if (!m->subsegs.firstBlock) TriAbort(m);
    }
    DummyInit(m, b);
}

Word* AlignedSentinel(int bytes, int alignment, Word** base)
{
    *base = (Word*)NBLMalloc((uint64_t)bytes + (uint64_t)alignment);
    if (!*base) return nullptr;
    uintptr_t p = (uintptr_t)*base;
    return (Word*)(p + (uintptr_t)alignment - (p % (uintptr_t)alignment));
}

void DummyInit(TriMesh* m, const TriSwitches* b)
{
    m->dummyTri = AlignedSentinel(m->triangles.itemBytes, m->triangles.alignment, &m->dummyTriBase);
    if (!m->dummyTri) TriAbort(m);
    memset(m->dummyTri, 0, (size_t)m->triangles.itemBytes);
    m->dummyTri[0] = m->dummyTri[1] = m->dummyTri[2] = (Word)m->dummyTri;
    if (b->useSegments) {
        m->dummySub = AlignedSentinel(m->subsegs.itemBytes, m->subsegs.alignment, &m->dummySubBase);
        if (!m->dummySub) TriAbort(m);
        memset(m->dummySub, 0, (size_t)m->subsegs.itemBytes);
        m->dummySub[0] = m->dummySub[1] = (Word)m->dummySub;
        m->dummySub[4] = m->dummySub[5] = (Word)m->dummyTri;
        for (int i = 0; i < 3; i++) m->dummyTri[m->highOrderIndex - 3 + i] = (Word)m->dummySub;
    }
}

void MakeTriangle(TriMesh* m, const TriSwitches* b, OrientedTriangle* t)
{
    Word* tri = (Word*)PoolAlloc(&m->triangles);
    if (!tri) TriAbort(m);
    InitTriangleRecord(m, b, tri);
    t->tri = tri;
    t->orient = 0;
    CountProgressEvent();
}

void InitTriangleRecord(const TriMesh* m, const TriSwitches* b, Word* tri)
{
    Word dummy = (Word)m->dummyTri;
    tri[0] = tri[1] = tri[2] = dummy;
    tri[3] = tri[4] = tri[5] = 0;
    if (b->useSegments) {
        Word ds = (Word)m->dummySub;
        tri[6] = tri[7] = tri[8] = ds;
    }
    if (b->order == 2) {
        int k = m->highOrderIndex;
        tri[k] = tri[k + 1] = tri[k + 2] = 0;
    }
    int attribs = m->triangleAttributeCount + (b->regionAttributes ? 1 : 0);
    double* a = TriAttributes(m, tri);
    for (int i = 0; i < attribs; i++) a[i] = 0.0;
}

void ClaimFirstSlots(MemoryPool* pool, int64_t count)
{
    pool->liveItems = pool->handedOut = count;
    pool->nextSlot = PoolFirstSlot(pool) + count * pool->itemBytes;
    pool->freeInBlock = pool->itemsFirstBlock - count;
}

void MakeSubseg(TriMesh* m, OrientedSubsegment* s)
{
    Word* ss = (Word*)PoolAlloc(&m->subsegs);
    if (!ss) TriAbort(m);
    ss[0] = ss[1] = (Word)m->dummySub;
    ss[2] = ss[3] = 0;
    ss[4] = ss[5] = (Word)m->dummyTri;
    ss[6] = 0;
    s->ss = ss;
    s->orient = 0;
}

void TriangleDealloc(TriMesh* m, Word* tri)
{
    tri[1] = 0;
    tri[3] = 0;
    PoolDealloc(&m->triangles, tri);
}

void SubsegDealloc(TriMesh* m, Word* ss)
{
    ss[1] = 0;
    ss[2] = 0;
    PoolDealloc(&m->subsegs, ss);
}

void TriangleDeinit(TriMesh* m, const TriSwitches* b)
{
    (void)b;
    PoolDeinit(&m->triangles);
    if (m->dummyTriBase) NBLFree(m->dummyTriBase);
    m->dummyTriBase = nullptr;
    PoolDeinit(&m->subsegs);
    if (m->dummySubBase) NBLFree(m->dummySubBase);
    m->dummySubBase = nullptr;
    PoolDeinit(&m->vertices);
    PoolDeinit(&m->viri);
    NBLFree(m->spare);
    m->spare = nullptr;
}
