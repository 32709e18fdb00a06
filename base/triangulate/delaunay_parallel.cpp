// The divide-and-conquer triangulation on several threads.
//
// The points are sorted by key on every thread (a sample sort with the vertex
// as the last key, so that the order is the same on any number of threads) and
// cut by ranks as the one-thread run cuts them; the parts of the recursion
// below its first few levels are built on worker threads, each into the pool
// slots its records take, and merged on the calling thread. Which of a set of
// equal points stays in the mesh is what the one-thread sort decides: the same
// quicksort with the same random pivots runs on the points' ranks, on a thread
// of its own while the mesh is built, and only when there are equal points (or
// a later phase draws from the random numbers it leaves).
#include "base/triangulate/delaunay_parallel.h"
#include "base/triangulate/delaunay.h"
#include "base/triangulate/mesh.h"
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "base/parallel.h"
#include "base/progress.h"
#include <algorithm>
#include <atomic>

namespace {
// Hands out the numbers 0 .. count - 1 to the threads that ask, in turn.
struct Queue {
    std::atomic<int64_t> next{ 0 };
    int64_t count;
    bool Take(int64_t* k) { return (*k = next.fetch_add(1)) < count; }
};
}

static inline bool KeyVertexLess(const SortItem& a, const SortItem& b)
{
    if (a.x[0] != b.x[0]) return a.x[0] < b.x[0];
    if (a.x[1] != b.x[1]) return a.x[1] < b.x[1];
    return a.v < b.v;
}

static inline bool SameKey(const SortItem& a, const SortItem& b) { return a.x[0] == b.x[0] && a.x[1] == b.x[1]; }

static const int kBucketsPerPart = 8;
static const int kMaxBuckets = kBucketsPerPart * kMaxParallelParts;
static_assert(kMaxBuckets <= 256, "bucket numbers are bytes");

// Sorts items[0 .. n) by key and vertex into sorted[0 .. n): each thread
// puts its stretch of items into buckets between splitters drawn from a
// sample, then the buckets are sorted one by one. False when memory runs short.

static bool SampleSort(const SortItem* items, SortItem* sorted, int64_t n, int parts)
{
    const int kPerBucket = 32;
    int buckets = kBucketsPerPart * parts;
    int samples = buckets * kPerBucket;
    if (n < 4 * (int64_t)samples) buckets = 1;
    uint8_t* bucketOf = buckets > 1 ? (uint8_t*)TriLargeAlloc((uint64_t)n) : nullptr;
    int64_t* counts = (int64_t*)NBLCalloc((uint64_t)parts * buckets, sizeof(int64_t));
    if ((buckets > 1 && !bucketOf) || !counts) {
        NBLFree(bucketOf);
        NBLFree(counts);
        return false;
    }
    SortItem splitters[kMaxBuckets];
    if (buckets > 1) {
        SortItem sample[kMaxBuckets * kPerBucket];
        for (int k = 0; k < samples; k++) sample[k] = items[(2 * k + 1) * n / (2 * samples)];
        std::sort(sample, sample + samples, KeyVertexLess);
        for (int q = 1; q < buckets; q++) splitters[q - 1] = sample[q * kPerBucket];
    }
    auto count = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        int64_t* c = counts + (int64_t)part * buckets;
        for (int64_t i = first; i < end; i++) {
            int k = (int)(std::upper_bound(splitters, splitters + buckets - 1, items[i], KeyVertexLess) - splitters);
            bucketOf[i] = (uint8_t)k;
            c[k]++;
        }
    };
    int64_t starts[kMaxBuckets + 1];
    if (buckets > 1) {
        ForParts(parts, count);
        int64_t at = 0;
        for (int k = 0; k < buckets; k++) {
            starts[k] = at;
            for (int p = 0; p < parts; p++) {
                int64_t c = counts[(int64_t)p * buckets + k];
                counts[(int64_t)p * buckets + k] = at;
                at += c;
            }
        }
        auto scatter = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(n, part, parts, &first, &end);
            int64_t* at = counts + (int64_t)part * buckets;
            for (int64_t i = first; i < end; i++) sorted[at[bucketOf[i]]++] = items[i];
        };
        ForParts(parts, scatter);
    } else {
        starts[0] = 0;
        std::copy(items, items + n, sorted);
    }
    starts[buckets] = n;
    Queue queue;
    queue.count = buckets;
    auto sortBuckets = [&](int, int) {
        int64_t k;
        while (queue.Take(&k)) std::sort(sorted + starts[k], sorted + starts[k + 1], KeyVertexLess);
    };
    ForParts(buckets > 1 ? parts : 1, sortBuckets);
    NBLFree(bucketOf);
    NBLFree(counts);
    return true;
}

// The y order of the n distinct points of a (in x order), as SortByY gives
// it: a stable radix sort whose passes each thread counts and scatters for
// its own range of keys (the first count of every digit only finds the
// digits that all keys share). room holds 2 n keys; counts, zeroed, holds
// YSortCounts(parts), taken before the mesh is touched.
static const int kYSortBits = 11, kYSortDigits = 6;
static uint64_t YSortCounts(int parts) { return (uint64_t)parts * kYSortDigits * (1 << kYSortBits); }
static void SortByYInParallel(const SortItem* a, int64_t n, KeyIndex* room, uint32_t* order, int parts, uint32_t* counts)
{
    const int kBits = kYSortBits, kDigits = kYSortDigits, kBuckets = 1 << kBits;
    KeyIndex* from = room;
    KeyIndex* to = room + n;
    auto keys = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        uint32_t* c = counts + (int64_t)part * kDigits * kBuckets;
        for (int64_t i = first; i < end; i++) {
            uint64_t key = OrderedBits(a[i].x[1]);
            from[i].key = key;
            from[i].index = (uint32_t)i;
            for (int d = 0; d < kDigits; d++) c[d * kBuckets + ((key >> (d * kBits)) & (kBuckets - 1))]++;
        }
    };
    ForParts(parts, keys);
    for (int d = 0; d < kDigits; d++) {
        uint64_t shared = (from[0].key >> (d * kBits)) & (kBuckets - 1);
        uint64_t inShared = 0;
        for (int p = 0; p < parts; p++) inShared += counts[((int64_t)p * kDigits + d) * kBuckets + shared];
        if (inShared == (uint64_t)n) continue;
        // each part's count of this digit in its range of the keys as they
        // lie now, then the places its keys go to
        auto count = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(n, part, parts, &first, &end);
            uint32_t* c = counts + ((int64_t)part * kDigits + d) * kBuckets;
            std::fill(c, c + kBuckets, 0u);
            for (int64_t i = first; i < end; i++) c[(from[i].key >> (d * kBits)) & (kBuckets - 1)]++;
        };
        if (d > 0) ForParts(parts, count);
        uint32_t at = 0;
        for (int k = 0; k < kBuckets; k++) {
            for (int p = 0; p < parts; p++) {
                uint32_t& c = counts[((int64_t)p * kDigits + d) * kBuckets + k];
                uint32_t t = c;
                c = at;
                at += t;
            }
        }
        auto scatter = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(n, part, parts, &first, &end);
            uint32_t* c = counts + ((int64_t)part * kDigits + d) * kBuckets;
            for (int64_t i = first; i < end; i++) to[c[(from[i].key >> (d * kBits)) & (kBuckets - 1)]++] = from[i];
        };
        ForParts(parts, scatter);
        std::swap(from, to);
    }
    auto write = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        for (int64_t i = first; i < end; i++) order[i] = from[i].index;
    };
    ForParts(parts, write);
}

// RankSplit on several threads: the first levels' cuts each on a thread of
// its own, then the parts below them, each with its own stretch of scratch
// (a part of k points needs k / 2 + 1 <= k pairs; scratch holds n).
struct RankPart {
    int64_t first, n;
    int axis;
};

static void RankSplitInParallel(RankPair* xs, RankPair* ys, int64_t n, RankPair* scratch, int parts)
{
    RankPart level[64], next[64];
    int count = 1;
    level[0] = RankPart{ 0, n, 0 };
    while (count < 4 * parts && 2 * count <= 64) {
        int64_t largest = 0;
        for (int k = 0; k < count; k++) largest = std::max(largest, level[k].n);
        if (largest <= 3) break;
        auto cut = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(count, part, parts, &first, &end);
            for (int64_t k = first; k < end; k++) {
                const RankPart& p = level[k];
                if (p.n > 3) RankCut(xs + p.first, ys + p.first, p.n, p.axis, scratch + p.first);
            }
        };
        ForParts(std::min(parts, count), cut);
        int made = 0;
        for (int k = 0; k < count; k++) {
            const RankPart& p = level[k];
            if (p.n <= 3) continue;
            int64_t divider = p.n / 2;
            next[made++] = RankPart{ p.first, divider, 1 - p.axis };
            next[made++] = RankPart{ p.first + divider, p.n - divider, 1 - p.axis };
        }
        std::copy(next, next + made, level);
        count = made;
    }
    Queue queue;
    queue.count = count;
    auto split = [&](int, int) {
        int64_t k;
        while (queue.Take(&k)) {
            const RankPart& p = level[k];
            RankSplit(xs + p.first, ys + p.first, p.n, p.axis, scratch + p.first);
        }
    };
    ForParts(parts, split);
}

// A part of the recursion built on a worker thread.
struct MeshPart {
    CutPoints a;
    int64_t n;
    int axis;
    char* slot;   // of its first record
    OrientedTriangle farLeft, farRight;
};

// The parts `depth` levels down the recursion (or where it stops); a part
// of n points takes 2 n - 2 slots from `slot` on.
static void PlanMeshParts(MeshPart* parts, int* count, const CutPoints& a, int64_t n, int axis, char* slot,
                          int itemBytes, int depth)
{
    if (depth == 0 || n < 4) {
        parts[(*count)++] = MeshPart{ a, n, axis, slot, {}, {} };
        return;
    }
    int64_t divider = n / 2;
    PlanMeshParts(parts, count, a, divider, 1 - axis, slot, itemBytes, depth - 1);
    PlanMeshParts(parts, count, a.Part(divider), n - divider, 1 - axis, slot + (2 * divider - 2) * itemBytes,
                  itemBytes, depth - 1);
}

// Merges the built parts as DivideAndConquerStep would have, each merge's two
// records in their slots.
static void MergeMeshParts(Run& r, const MeshPart* parts, int* next, int64_t n, int axis, char* slot, int depth,
                           OrientedTriangle* farLeft, OrientedTriangle* farRight)
{
    if (depth == 0 || n < 4) {
        const MeshPart& p = parts[(*next)++];
        *farLeft = p.farLeft;
        *farRight = p.farRight;
        return;
    }
    int64_t divider = n / 2;
    int bytes = r.m->triangles.itemBytes;
    OrientedTriangle innerLeft, innerRight;
    MergeMeshParts(r, parts, next, divider, 1 - axis, slot, depth - 1, farLeft, &innerLeft);
    MergeMeshParts(r, parts, next, n - divider, 1 - axis, slot + (2 * divider - 2) * bytes, depth - 1, &innerRight,
                   farRight);
    r.next = slot + (2 * n - 4) * bytes;
    MergeTriangulations(r, farLeft, innerLeft, innerRight, farRight, r.b->alternatingCuts ? axis : 0);
}

static void BuildMeshInParallel(Run& r, const CutPoints& points, int64_t n, int parts, OrientedTriangle* farLeft,
                                OrientedTriangle* farRight)
{
    // Several parts a thread, so that a thread that started late or faulted
    // in more pages does not hold up the others.
    int depth = 0;
    while ((1 << depth) < 8 * parts && depth < 6) depth++;
    MeshPart meshParts[64];
    int count = 0;
    char* first = PoolFirstSlot(&r.m->triangles);
    PlanMeshParts(meshParts, &count, points, n, 0, first, r.m->triangles.itemBytes, depth);
    Queue queue;
    queue.count = count;
    auto build = [&](int part, int parts) {
        Run own = r;
        own.progressWeight = part == 0 ? parts : 0;   // only the calling thread shows progress
        int64_t k;
        while (queue.Take(&k)) {
            MeshPart& p = meshParts[k];
            own.next = p.slot;
            DivideAndConquerStep(own, p.a, p.n, p.axis, &p.farLeft, &p.farRight);
        }
    };
    ForParts(parts, build);
    int next = 0;
    MergeMeshParts(r, meshParts, &next, n, 0, first, depth, farLeft, farRight);
}


// ---- the run, step by step --------------------------------------------------------------

namespace {
// One run on several threads and the arrays it takes, freed together (the cut
// array becomes the mesh's spare block when the run succeeds).
struct ParallelRun {
    TriMesh* m;
    const TriSwitches* b;
    int parts;
    int64_t n;                  // vertices, all in the pool's first block
    const char* firstVertex;
    int vertexBytes;
    int64_t distinct = 0;       // distinct keys among the vertices
    bool exactSort = false;     // the one-thread sort runs on the ranks
    SortItem* items = nullptr;  // the vertices, then the distinct keys in order
    SortItem* sorted = nullptr; // the vertices in key and vertex order
    RankItem* ranks = nullptr;  // each vertex's rank among the keys (exact sort only)
    SortItem* cut = nullptr;    // the packed points in cut order: xy, then vertices
    RankPair* xs = nullptr;
    RankPair* ys = nullptr;
    RankPair* scratch = nullptr;
    uint32_t* yCounts = nullptr;
    double* xy = nullptr;
    Vertex* vertices = nullptr;
    Vertex VertexAt(int64_t i) const { return (Vertex)(firstVertex + i * vertexBytes); }
};
}

static void FreeParallelRun(ParallelRun& p)
{
    NBLFree(p.yCounts);
    NBLFree(p.items);
    NBLFree(p.sorted);
    NBLFree(p.ranks);
    NBLFree(p.cut);
    NBLFree(p.xs);
    NBLFree(p.ys);
    NBLFree(p.scratch);
}

// Copies the vertices into sort items; false when there is no room or a
// coordinate is not a number.
static bool GatherVertices(ParallelRun& p)
{
    p.items = (SortItem*)TriLargeAlloc((uint64_t)p.n * sizeof(SortItem));
    p.sorted = p.items ? (SortItem*)TriLargeAlloc((uint64_t)p.n * sizeof(SortItem)) : nullptr;
    if (!p.sorted) return false;
    std::atomic<bool> notNumbers{ false };
    auto gather = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.n, part, parts, &first, &end);
        bool bad = false;
        for (int64_t i = first; i < end; i++) {
            Vertex v = p.VertexAt(i);
            p.items[i] = SortItem{ { v[0], v[1] }, v };
            bad |= v[0] != v[0] || v[1] != v[1];
        }
        if (bad) notNumbers = true;
    };
    ForParts(p.parts, gather);
    return !notNumbers;
}

// The distinct keys in order (back into items) and, when an exact sort
// follows, each point's rank. The sorted array is then done with: the points
// go there in cut order, its pages already in memory.
static bool RankDistinctKeys(ParallelRun& p)
{
    int64_t distinctBefore[kMaxParallelParts + 1] = {};
    auto countDistinct = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.n, part, parts, &first, &end);
        int64_t c = 0;
        for (int64_t i = first; i < end; i++) c += i == 0 || !SameKey(p.sorted[i], p.sorted[i - 1]);
        distinctBefore[part + 1] = c;
    };
    ForParts(p.parts, countDistinct);
    for (int k = 0; k < p.parts; k++) distinctBefore[k + 1] += distinctBefore[k];
    p.distinct = distinctBefore[p.parts];
    p.exactSort = p.distinct < p.n || p.b->useSegments;
    if (p.exactSort && !(p.ranks = (RankItem*)TriLargeAlloc((uint64_t)p.n * sizeof(RankItem)))) return false;
    auto compact = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.n, part, parts, &first, &end);
        int64_t d = distinctBefore[part];
        for (int64_t i = first; i < end; i++) {
            if (i == 0 || !SameKey(p.sorted[i], p.sorted[i - 1])) p.items[d++] = p.sorted[i];
            if (p.ranks) {
                uint32_t index = (uint32_t)(((const char*)p.sorted[i].v - p.firstVertex) / p.vertexBytes);
                p.ranks[index] = RankItem{ (uint32_t)(d - 1), index };
            }
        }
    };
    ForParts(p.parts, compact);
    p.cut = p.sorted;
    p.sorted = nullptr;
    return true;
}

// The rank pairs of the cuts and the radix sort's counts, taken before the
// mesh is touched.
static bool AllocateCutArrays(ParallelRun& p)
{
    uint64_t pairBytes = (uint64_t)p.distinct * sizeof(RankPair);
    p.xs = (RankPair*)TriLargeAlloc(pairBytes);
    p.ys = p.xs ? (RankPair*)TriLargeAlloc(pairBytes) : nullptr;
    p.scratch = p.ys ? (RankPair*)TriLargeAlloc(pairBytes + 2 * sizeof(RankPair)) : nullptr;
    if (!p.scratch) return false;
    if (p.b->alternatingCuts && !(p.yCounts = (uint32_t*)NBLCalloc(YSortCounts(p.parts), sizeof(uint32_t))))
        return false;
    return true;
}

// Cuts the distinct keys by ranks: xs ends in cut order.
static void CutByRanksInParallel(ParallelRun& p)
{
    const int64_t distinct = p.distinct;
    RankPair* xs = p.xs;
    RankPair* ys = p.ys;
    if (!p.b->alternatingCuts) {
        for (int64_t i = 0; i < distinct; i++) xs[i].xr = (uint32_t)i;
        return;
    }
    SortByYInParallel(p.items, distinct, (KeyIndex*)p.cut, (uint32_t*)p.scratch, p.parts, p.yCounts);
    const uint32_t* order = (const uint32_t*)p.scratch;
    auto pairs = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(distinct, part, parts, &first, &end);
        for (int64_t j = first; j < end; j++) {
            ys[j].xr = order[j];
            ys[j].yr = (uint32_t)j;
            xs[order[j]].yr = (uint32_t)j;
        }
    };
    ForParts(p.parts, pairs);
    auto xRanks = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(distinct, part, parts, &first, &end);
        for (int64_t i = first; i < end; i++) xs[i].xr = (uint32_t)i;
    };
    ForParts(p.parts, xRanks);
    RankSplitInParallel(xs, ys, distinct, p.scratch, p.parts);
}

// Packs the points into the cut array in cut order.
static void PlaceInCutOrder(ParallelRun& p)
{
    auto place = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.distinct, part, parts, &first, &end);
        for (int64_t i = first; i < end; i++) {
            const SortItem& item = p.items[p.xs[i].xr];
            p.xy[2 * i] = item.x[0];
            p.xy[2 * i + 1] = item.x[1];
            p.vertices[i] = item.v;
        }
    };
    ForParts(p.parts, place);
}

// Cuts the points and builds the mesh of ghost-ringed parts, merged. Runs on
// the calling thread, which alone shows progress.
static void CutAndBuild(ParallelRun& p, Run& r, OrientedTriangle* farLeft, OrientedTriangle* farRight)
{
    CutByRanksInParallel(p);
    PlaceInCutOrder(p);
    if (TriShowProgress) {
        EndProgress();
        TriProgressCounter = 0;
        StartProgress((unsigned)(2 * (int64_t)TriPointCount / 16384 + 2), "Create Mesh");
    }
    if (p.distinct >= 2)
        BuildMeshInParallel(r, CutPoints{ p.xy, 2, p.vertices }, p.distinct, p.parts, farLeft, farRight);
    if (TriShowProgress) EndProgress();
}

// The mesh is built while, when it is wanted, the one-thread sort runs on the
// ranks on a thread of its own, from and to the random numbers the calling
// thread would have used.
static void BuildBesideExactSort(ParallelRun& p, Run& r, OrientedTriangle* farLeft, OrientedTriangle* farRight)
{
    long seed = RandomSeed();
    auto buildBesideSort = [&](int part, int) {
        if (part == 0) {
            CutAndBuild(p, r, farLeft, farRight);
        } else {
            SetRandomSeed(seed);
            SortRankItems(p.ranks, p.n);
            seed = RandomSeed();
        }
    };
    ForParts(p.exactSort ? 2 : 1, buildBesideSort);
    if (p.exactSort) SetRandomSeed(seed);
}

// The first point of each rank in the exact order stays; the others are
// duplicates, as in the one-thread path, and the mesh's corners are pointed
// at the points that stay.
static void MarkDuplicates(ParallelRun& p)
{
    uint32_t* keeper = (uint32_t*)p.ys;
    const RankItem* ranks = p.ranks;
    auto keep = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.n, part, parts, &first, &end);
        for (int64_t j = first; j < end; j++) {
            if (j == 0 || ranks[j].rank != ranks[j - 1].rank) keeper[ranks[j].rank] = ranks[j].index;
            else VertexType(p.m, p.VertexAt(ranks[j].index)) = UNDEADVERTEX;
        }
    };
    ForParts(p.parts, keep);
    p.m->undeads += p.n - p.distinct;
    auto revertex = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(p.distinct, part, parts, &first, &end);
        for (int64_t i = first; i < end; i++) p.vertices[i] = p.VertexAt(keeper[p.xs[i].xr]);
    };
    ForParts(p.parts, revertex);
}

// Points the corners of the mesh's 2 distinct - 2 records back at the vertex
// records, claims the records and drops the ghost ring; returns the number of
// hull edges.
static int64_t FinishMesh(ParallelRun& p, Run& r, OrientedTriangle farLeft)
{
    TriMesh* m = p.m;
    int64_t records = 2 * p.distinct - 2;
    char* firstSlot = PoolFirstSlot(&m->triangles);
    int bytes = m->triangles.itemBytes;
    auto corners = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(records, part, parts, &first, &end);
        for (int64_t s = first; s < end; s++) {
            Word* tri = (Word*)(firstSlot + s * bytes);
            for (int k = 3; k < 6; k++)
                if (tri[k]) tri[k] = (Word)p.vertices[((double*)tri[k] - p.xy) / 2];
        }
    };
    ForParts(p.parts, corners);
    ClaimFirstSlots(&m->triangles, records);
    return DropGhostTriangles(r, farLeft);
}

bool DivideAndConquerInParallel(TriMesh* m, const TriSwitches* b, int parts, int64_t* hullOut)
{
    const MemoryPool& pool = m->vertices;
    int64_t n = pool.liveItems;
    if (n < 2 || n != pool.handedOut || n > pool.itemsFirstBlock || n > 0xffffffffll) return false;
    ParallelRun p{ m, b, parts, n, PoolFirstSlot(&pool), pool.itemBytes };
    if (!GatherVertices(p) || !SampleSort(p.items, p.sorted, n, parts) || !RankDistinctKeys(p) ||
        !AllocateCutArrays(p)) {
        FreeParallelRun(p);
        return false;
    }

    // No page toucher: the threads that build the parts first write their
    // own stretches of the pool.
    if (TriShowProgress) StartProgress(1, "Data Prep");
    p.xy = (double*)p.cut;
    p.vertices = (Vertex*)(p.xy + 2 * p.distinct);
    Run r{ m, b, b->noExactArithmetic, PoolFirstSlot(&m->triangles), 1 };
    OrientedTriangle farLeft{}, farRight{};
    BuildBesideExactSort(p, r, &farLeft, &farRight);
    if (p.distinct < n) MarkDuplicates(p);
    int64_t hull = p.distinct >= 2 ? FinishMesh(p, r, farLeft) : 0;
    m->spare = p.cut;
    m->spareBytes = (uint64_t)n * sizeof(SortItem);
    p.cut = nullptr;
    FreeParallelRun(p);
    *hullOut = hull;
    return true;
}
