// Divide-and-conquer Delaunay triangulation with alternating cuts.
//
// A partial triangulation is wrapped in a ring of ghost triangles: records
// whose apex is null, one across every hull edge, bonded to each other around
// the hull (clockwise seen from inside). A ghost is always kept at orientation
// 0, so its origin and destination are the hull edge and corner 0 is null.
// Merging two triangulations walks up the seam between them turning ghosts
// into real triangles; no record is freed until the ring is dropped at the end,
// so the output order is the order in which records were made. A part of n
// points makes 2 n - 2 records whatever its points (a merge makes two), so
// every part's records have their place in the pool before it is built, and
// parts built on separate threads fill the pool exactly as one thread would.
#include "base/triangulate/mesh.h"
#include "base/triangulate/predicates.h"
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "base/progress.h"
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

struct Run {
    TriMesh* m;
    const TriSwitches* b;
    int noExact;
    char* next;          // slot of the next record this run makes
    int progressWeight;  // progress events a record stands for
};

inline double Orient(const Run& r, const double* a, const double* b, const double* c)
{
    return OrientationTest(r.noExact, a, b, c);
}

inline double InCircle(const Run& r, const double* a, const double* b, const double* c, const double* d)
{
    return InCircleTest(r.noExact, a, b, c, d);
}

// Lexicographic order by the axis coordinate, then the other one.
inline bool KeyLess(const double* a, const double* b, int axis)
{
    int o = 1 - axis;
    return a[axis] < b[axis] || (a[axis] == b[axis] && a[o] < b[o]);
}

inline OrientedTriangle NextGhost(const OrientedTriangle& g) { return Lnext(Sym(Lnext(g))); }
inline OrientedTriangle PrevGhost(const OrientedTriangle& g) { return Lprev(Sym(Lprev(g))); }

inline bool IsGhostRecord(const Word* tri) { return tri[3] == 0; }

OrientedTriangle NewRecord(Run& r)
{
    Word* tri = (Word*)r.next;
    r.next += r.m->triangles.itemBytes;
    InitTriangleRecord(r.m, r.b, tri);
    if (TriShowProgress)
        for (int k = 0; k < r.progressWeight; k++) CountProgressEvent();
    return OrientedTriangle{ tri, 0 };
}

OrientedTriangle MakeGhost(Run& r, Vertex org, Vertex dest)
{
    OrientedTriangle t = NewRecord(r);
    t.tri[4] = (Word)org;
    t.tri[5] = (Word)dest;
    return t;
}

// The ring is convex (or a wrapped chain when collinear), so the key is
// unimodal along it and a greedy walk finds the extreme vertex.
OrientedTriangle GhostToMin(OrientedTriangle g, int axis)
{
    for (;;) {
        OrientedTriangle n = NextGhost(g);
        if (KeyLess(Org(n), Org(g), axis)) { g = n; continue; }
        OrientedTriangle p = PrevGhost(g);
        if (KeyLess(Org(p), Org(g), axis)) { g = p; continue; }
        return g;
    }
}

OrientedTriangle GhostToMax(OrientedTriangle g, int axis)
{
    for (;;) {
        OrientedTriangle n = NextGhost(g);
        if (KeyLess(Org(g), Org(n), axis)) { g = n; continue; }
        OrientedTriangle p = PrevGhost(g);
        if (KeyLess(Org(g), Org(p), axis)) { g = p; continue; }
        return g;
    }
}

} // namespace

// ---- sorting ---------------------------------------------------------------------

// The sort array holds each vertex's coordinates beside its pointer, so the
// sort and the median cuts run over contiguous memory instead of chasing
// vertex pointers (the order and the random pivots are the same either way).
struct SortItem {
    double x[2];
    Vertex v;
};

// While the mesh is built its corners point at the points in cut order, so
// that the predicates read memory that is close together: either at the sort
// items themselves, whose first two fields are x and y, or (after the rank
// cuts) at a packed array of x, y pairs with the vertices in a second array.
// Afterwards the corners are pointed back at the vertex records.
struct CutPoints {
    double* xy;        // point k at xy + stride k
    int stride;        // in doubles: 2 packed, 3 in sort items
    const Vertex* vertices;   // of the packed points; null for sort items
    Vertex At(int64_t k) const { return xy + stride * k; }
    CutPoints Part(int64_t first) const { return CutPoints{ xy + stride * first, stride, vertices }; }
};

static CutPoints ItemPoints(SortItem* a)
{
    static_assert(sizeof(SortItem) == 3 * sizeof(double), "sort items are three doubles wide");
    return CutPoints{ a[0].x, 3, nullptr };
}

static void PointCornersAtVertices(TriMesh* m, const CutPoints& points)
{
    TraversalInit(&m->triangles);
    Word* tri;
    while ((tri = (Word*)Traverse(&m->triangles)) != nullptr) {
        for (int k = 3; k < 6; k++) {
            if (!tri[k]) continue;
            if (points.vertices) tri[k] = (Word)points.vertices[((double*)tri[k] - points.xy) / 2];
            else tri[k] = (Word)((SortItem*)tri[k])->v;
        }
    }
}

// The sort's item with each point's key replaced by its rank among the
// distinct keys: sorted by the same steps, it comes out in the same order as
// the sort items (the same points first among equal keys) in a third of the
// memory.
struct RankItem {
    uint32_t rank;
    uint32_t index;   // of the point in the sort array
};

static inline bool Below(const SortItem& s, const SortItem& p)
{
    return s.x[0] < p.x[0] || (s.x[0] == p.x[0] && s.x[1] < p.x[1]);
}
static inline bool Above(const SortItem& s, const SortItem& p)
{
    return s.x[0] > p.x[0] || (s.x[0] == p.x[0] && s.x[1] > p.x[1]);
}
// Without branches.
static inline int NotBelow(const SortItem& s, const SortItem& p)
{
    double x = s.x[0], y = s.x[1];
    return (x > p.x[0]) | ((x == p.x[0]) & (y >= p.x[1]));
}
static inline int NotAbove(const SortItem& s, const SortItem& p)
{
    double x = s.x[0], y = s.x[1];
    return (x < p.x[0]) | ((x == p.x[0]) & (y <= p.x[1]));
}
static inline bool Below(const RankItem& s, const RankItem& p) { return s.rank < p.rank; }
static inline bool Above(const RankItem& s, const RankItem& p) { return s.rank > p.rank; }
static inline int NotBelow(const RankItem& s, const RankItem& p) { return s.rank >= p.rank; }
static inline int NotAbove(const RankItem& s, const RankItem& p) { return s.rank <= p.rank; }
template <typename Item>
static inline void Swap(Item& a, Item& b) { Item t = a; a = b; b = t; }

// One partition of SortVertices' quicksort: the classic loop
//     left = -1, right = n
//     while (left < right) {
//         do left++ while (left <= right && Below(a[left]))
//         do right-- while (left <= right && Above(a[right]))
//         if (left < right) swap a[left], a[right]
//     }
// with the same swaps and the same final left and right (the items equal to
// one another come out in the same order, which decides which duplicate stays).
// The k-th swap pairs the k-th item from the left that is not below the pivot
// with the k-th from the right that is not above it, so both scans can look
// at a block of items at a time without branches and note the positions
// where they would stop; the pairs are then swapped in order until they meet.
// Positions once swapped are never looked at again before the two scans meet:
// a noted position that has moved past the other scan's last stop is bounded
// by that stop, as the loop's guards bound it.
template <typename Item>
static void PartitionAroundPivot(Item* a, int64_t n, const Item pivot, int64_t* leftOut, int64_t* rightOut)
{
    const int kBlock = 128;
    int64_t stopsL[kBlock], stopsR[kBlock];
    int firstL = 0, countL = 0, firstR = 0, countR = 0;
    int64_t nextL = 0, nextR = n - 1;   // next positions the block scans look at
    int64_t lastR = n;                  // the previous swap's right position
    for (;;) {
        while (firstL == countL && nextL < lastR) {
            int64_t end = nextL + kBlock < lastR ? nextL + kBlock : lastR;
            firstL = countL = 0;
            for (int64_t i = nextL; i < end; i++) {
                stopsL[countL] = i;
                countL += NotBelow(a[i], pivot);
            }
            nextL = end;
        }
        int64_t left = firstL < countL && stopsL[firstL] < lastR ? stopsL[firstL] : lastR;
        while (firstR == countR && nextR >= left) {
            int64_t end = nextR - kBlock >= left ? nextR - kBlock : left - 1;
            firstR = countR = 0;
            for (int64_t i = nextR; i > end; i--) {
                stopsR[countR] = i;
                countR += NotAbove(a[i], pivot);
            }
            nextR = end;
        }
        int64_t right = firstR < countR && stopsR[firstR] >= left ? stopsR[firstR] : left - 1;
        if (left >= right) {
            *leftOut = left;
            *rightOut = right;
            return;
        }
        Swap(a[left], a[right]);
        firstL++;
        firstR++;
        lastR = right;
    }
}

template <typename Item>
static void SortVertices(Item* a, int64_t n)
{
    // Recurse into the smaller part and loop on the larger so the stack stays
    // logarithmic even when the pivots are poor.
    while (n > 1) {
        if (n == 2) {
            if (Below(a[1], a[0])) Swap(a[0], a[1]);
            return;
        }
        int64_t p = NextRandom(n > 0x7fffffff ? 0x7fffffff : (int)n);
        const Item pivot = a[p];
        int64_t left = -1, right = n;
        if (n >= 64) {
            PartitionAroundPivot(a, n, pivot, &left, &right);
        } else {
            while (left < right) {
                do { left++; } while (left <= right && Below(a[left], pivot));
                do { right--; } while (left <= right && Above(a[right], pivot));
                if (left < right) Swap(a[left], a[right]);
            }
        }
        int64_t nLeft = left, nRight = n - right - 1;
        Item* rightPart = a + right + 1;
        if (nLeft < nRight) {
            if (nLeft > 1) SortVertices(a, nLeft);
            a = rightPart;
            n = nRight;
        } else {
            if (nRight > 1) SortVertices(rightPart, nRight);
            n = nLeft;
        }
        CountProgressEvent();
    }
}

// The cuts of the alternating-cut recursion: each part is split at its median
// by the cut's axis (lexicographic, then the other coordinate), and parts of
// three or fewer points across x. The array comes sorted by x and every part
// stays so: a cut across y moves the points below the median to the front in
// their x order (a stable partition), and a cut across x is then just the
// middle of the part. The parts are those of a median selection, so the
// triangulation is the same. A cut across y selects the median y; the points
// on that y lie in x order in the part, so the first of them go below.
struct CutScratch {
    SortItem* items;   // room for half of the largest part and two (every point is written here)
    double* ys;        // room for the largest part
};

static void AlternateAxisSplit(SortItem* a, int64_t n, int axis, const CutScratch& s)
{
    if (n <= 3) axis = 0;
    int64_t divider = n / 2;
    if (axis == 1) {
        double* ys = s.ys;
        for (int64_t i = 0; i < n; i++) ys[i] = a[i].x[1];
        std::nth_element(ys, ys + divider, ys + n);
        const double median = ys[divider];
        int64_t less = 0;
        for (int64_t i = 0; i < divider; i++) less += ys[i] < median;
        int64_t onMedianBelow = divider - less;   // points on the median y that go below
        // Without branches: which side a point goes to is a coin toss that a
        // branch predictor cannot learn, so each point is written to both
        // places and only the count of its own side advances.
        int64_t below = 0, above = 0;
        for (int64_t i = 0; i < n; i++) {
            const SortItem item = a[i];
            double y = item.x[1];
            bool on = y == median;
            bool low = y < median || (on && onMedianBelow > 0);
            onMedianBelow -= on;
            a[below] = item;
            s.items[above] = item;
            below += low;
            above += !low;
        }
        std::copy(s.items, s.items + above, a + below);
    }
    if (n - divider >= 2) {
        if (divider >= 2) AlternateAxisSplit(a, divider, 1 - axis, s);
        AlternateAxisSplit(a + divider, n - divider, 1 - axis, s);
    }
}

// The same cuts on ranks, which all but the smallest inputs take: each point is a
// pair (rank in x order, rank in y order), and every part is kept twice, in
// x order (Xs) and in y order (Ys). A cut across x is the middle of Xs and a
// cut across y the middle of Ys; the other list follows by a stable partition
// against the rank at the cut. The points are then gathered in cut order once:
// no part is selected among and no 24-byte item moves before the end.
// The y order breaks ties by x (the order of the array), as the median cut
// does. From kRankCutPoints points on the cuts are made on ranks; below, the
// median cuts on the items are as fast and need no extra memory. Even inputs of
// a few thousand points are cut faster on ranks than by a selection per cut.
static const int64_t kRankCutPoints = 32;

struct RankPair {
    uint32_t xr, yr;
};

// Stable partition of n pairs: those whose field (yr, or xr) is below limit
// first. Which side a pair goes to is a coin toss to a branch predictor, so
// each is written to both places and only its side's count advances.
template <bool ByY>
static void PartitionPairs(RankPair* p, int64_t n, uint32_t limit, RankPair* scratch)
{
    int64_t below = 0, above = 0;
    for (int64_t i = 0; i < n; i++) {
        const RankPair item = p[i];
        bool low = (ByY ? item.yr : item.xr) < limit;
        p[below] = item;
        scratch[above] = item;
        below += low;
        above += !low;
    }
    std::copy(scratch, scratch + above, p + below);
}

// One cut of RankSplit, of a part of more than three points.
static void RankCut(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch)
{
    int64_t divider = n / 2;
    if (axis == 1) PartitionPairs<true>(xs, n, ys[divider].yr, scratch);
    else PartitionPairs<false>(ys, n, xs[divider].xr, scratch);
}

static void RankSplit(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch)
{
    if (n <= 3) return;   // parts of three or fewer are cut across x and go no deeper
    int64_t divider = n / 2;
    RankCut(xs, ys, n, axis, scratch);
    RankSplit(xs, ys, divider, 1 - axis, scratch);
    RankSplit(xs + divider, ys + divider, n - divider, 1 - axis, scratch);
}

// The y order of the array (stable, so ties keep their x order): a radix sort
// of the coordinates' bit patterns, turned to unsigned integers that order as
// the numbers do (-0 as +0). Digits that every key shares are skipped.
#pragma pack(push, 4)
struct KeyIndex {
    uint64_t key;
    uint32_t index;
};
#pragma pack(pop)
static_assert(2 * sizeof(KeyIndex) <= sizeof(SortItem), "the radix sort runs in the room of the cut array");

static inline uint64_t OrderedBits(double v)
{
    v += 0.0;   // -0 becomes +0: the two compare equal
    uint64_t u;
    memcpy(&u, &v, sizeof u);
    return (u >> 63) ? ~u : (u | 0x8000000000000000ull);
}

// Below this many points the y order is taken by a comparison sort.
static const int64_t kRadixSortPoints = 16384;

// Writes the y order to order[0 .. n); room holds 2 n keys.
static bool SortByY(const SortItem* a, int64_t n, KeyIndex* room, uint32_t* order)
{
    if (n < kRadixSortPoints) {
        // Few points: the radix sort's counting tables would cost more than
        // the points. Sorting by (key, index) gives the same stable order.
        for (int64_t i = 0; i < n; i++) room[i] = KeyIndex{ OrderedBits(a[i].x[1]), (uint32_t)i };
        std::sort(room, room + n, [](const KeyIndex& p, const KeyIndex& q) {
            return p.key < q.key || (p.key == q.key && p.index < q.index);
        });
        for (int64_t i = 0; i < n; i++) order[i] = room[i].index;
        return true;
    }
    const int kBits = 11, kDigits = 6, kBuckets = 1 << kBits;
    uint32_t* counts = (uint32_t*)NBLCalloc((uint64_t)kDigits * kBuckets, sizeof(uint32_t));
    if (!counts) return false;
    KeyIndex* from = room;
    KeyIndex* to = room + n;
    for (int64_t i = 0; i < n; i++) {
        uint64_t key = OrderedBits(a[i].x[1]);
        from[i].key = key;
        from[i].index = (uint32_t)i;
        for (int d = 0; d < kDigits; d++) counts[d * kBuckets + ((key >> (d * kBits)) & (kBuckets - 1))]++;
    }
    for (int d = 0; d < kDigits; d++) {
        uint32_t* c = counts + d * kBuckets;
        uint64_t first = (from[0].key >> (d * kBits)) & (kBuckets - 1);
        if (c[first] == (uint32_t)n) continue;
        uint32_t sum = 0;
        for (int b = 0; b < kBuckets; b++) {
            uint32_t t = c[b];
            c[b] = sum;
            sum += t;
        }
        for (int64_t i = 0; i < n; i++) to[c[(from[i].key >> (d * kBits)) & (kBuckets - 1)]++] = from[i];
        std::swap(from, to);
    }
    for (int64_t i = 0; i < n; i++) order[i] = from[i].index;
    NBLFree(counts);
    return true;
}

// Puts the n points of the x-sorted array *a in cut order, packed: *points
// describes them. They go to a new array of the same size, which replaces *a
// (the old is freed). False when there is no room, with *a as it was. The new
// array is made first and the radix sort runs in it, so its pages are in
// memory when the points are gathered there.
static bool CutByRanks(TriMesh* m, SortItem** a, int64_t n, CutPoints* points)
{
    if (n > 0xffffffffll) return false;
    uint64_t pairBytes = (uint64_t)n * sizeof(RankPair);
    SortItem* cut = (SortItem*)TriLargeAlloc((uint64_t)n * sizeof(SortItem));
    RankPair* xs = cut ? (RankPair*)TriLargeAlloc(pairBytes) : nullptr;
    RankPair* ys = xs ? (RankPair*)TriLargeAlloc(pairBytes) : nullptr;
    RankPair* scratch = ys ? (RankPair*)TriLargeAlloc((uint64_t)(n / 2 + 2) * sizeof(RankPair)) : nullptr;
    // scratch holds the y order only until the pairs are built; it has room
    // for n / 2 + 2 pairs, that is n + 4 ranks.
    bool ok = scratch && SortByY(*a, n, (KeyIndex*)cut, (uint32_t*)scratch);
    if (ok) {
        const uint32_t* order = (const uint32_t*)scratch;
        for (int64_t j = 0; j < n; j++) {
            ys[j].xr = order[j];
            ys[j].yr = (uint32_t)j;
            xs[order[j]].yr = (uint32_t)j;
        }
        for (int64_t i = 0; i < n; i++) xs[i].xr = (uint32_t)i;
        RankSplit(xs, ys, n, 0, scratch);
        const SortItem* from = *a;
        double* xy = (double*)cut;
        Vertex* vertices = (Vertex*)(xy + 2 * n);
        for (int64_t i = 0; i < n; i++) {
            const SortItem& item = from[xs[i].xr];
            xy[2 * i] = item.x[0];
            xy[2 * i + 1] = item.x[1];
            vertices[i] = item.v;
        }
        *points = CutPoints{ xy, 2, vertices };
        NBLFree(*a);
        *a = cut;
        m->spare = cut;
        m->spareBytes = (uint64_t)n * sizeof(SortItem);
    } else {
        NBLFree(cut);
    }
    NBLFree(xs);
    NBLFree(ys);
    NBLFree(scratch);
    return ok;
}

// ---- merging -------------------------------------------------------------------------

// Joins the left triangulation (ring handles farLeft .. innerLeft) and the right
// one (innerRight .. farRight), which lie on either side of a cut along axis.
// On return farLeft and farRight are the ghosts leaving the least and greatest
// vertex in x order.
static void MergeTriangulations(Run& r, OrientedTriangle* farLeft, OrientedTriangle innerLeft,
                                OrientedTriangle innerRight, OrientedTriangle* farRight, int axis)
{
    if (axis == 1) {
        innerLeft = GhostToMax(innerLeft, 1);
        innerRight = GhostToMin(innerRight, 1);
    }
    Vertex p = Org(innerLeft), q = Org(innerRight);
    // lower common tangent
    for (;;) {
        bool moved = false;
        Vertex next = Dest(innerLeft);
        if (Orient(r, p, q, next) < 0.0) {
            innerLeft = NextGhost(innerLeft);
            p = next;
            moved = true;
        }
        OrientedTriangle before = PrevGhost(innerRight);
        Vertex prev = Org(before);
        if (Orient(r, p, q, prev) < 0.0) {
            innerRight = before;
            q = prev;
            moved = true;
        }
        if (!moved) break;
    }

    OrientedTriangle leftCand = PrevGhost(innerLeft);     // upper-left -> lower-left
    OrientedTriangle rightCand = innerRight;              // lower-right -> upper-right
    OrientedTriangle arriveRight = PrevGhost(innerRight);
    OrientedTriangle base = MakeGhost(r, q, p);           // lower-right -> lower-left, ghost below
    Bond(Lnext(base), Lprev(innerLeft));
    Bond(Lprev(base), Lnext(arriveRight));
    OrientedTriangle keepLeft = *farLeft, keepRight = *farRight;

    Vertex ll = p, lr = q;
    Vertex ul = Org(leftCand), ur = Dest(rightCand);
    for (;;) {
        bool leftValid = Orient(r, ll, lr, ul) > 0.0;
        bool rightValid = Orient(r, ll, lr, ur) > 0.0;
        if (leftValid) {
            // Remove left edges ll-ul whose triangle has its third vertex inside
            // the circle of the candidate: the triangle joins the ghost ring.
            for (;;) {
                OrientedTriangle t = Sym(leftCand);
                Vertex v = Apex(t);
                if (!v || InCircle(r, ll, lr, ul, v) <= 0.0) break;
                OrientedTriangle n1 = Sym(Lnext(t));
                OrientedTriangle n2 = Sym(Lprev(t));
                OrientedTriangle gp = Sym(Lprev(leftCand));
                OrientedTriangle upper{ t.tri, 0 }, lower{ leftCand.tri, 0 };
                upper.tri[3] = 0; upper.tri[4] = (Word)ul; upper.tri[5] = (Word)v;
                lower.tri[3] = 0; lower.tri[4] = (Word)v; lower.tri[5] = (Word)ll;
                Bond(upper, n1);
                Bond(Lnext(upper), Lprev(lower));
                Bond(Lprev(upper), gp);
                Bond(lower, n2);
                Dissolve(r.m, Lnext(lower));
                leftCand = lower;
                ul = v;
            }
        }
        if (rightValid) {
            for (;;) {
                OrientedTriangle t = Sym(rightCand);
                Vertex v = Apex(t);
                if (!v || InCircle(r, ll, lr, ur, v) <= 0.0) break;
                OrientedTriangle n1 = Sym(Lnext(t));
                OrientedTriangle n2 = Sym(Lprev(t));
                OrientedTriangle gn = Sym(Lnext(rightCand));
                OrientedTriangle lower{ rightCand.tri, 0 }, upper{ t.tri, 0 };
                lower.tri[3] = 0; lower.tri[4] = (Word)lr; lower.tri[5] = (Word)v;
                upper.tri[3] = 0; upper.tri[4] = (Word)v; upper.tri[5] = (Word)ur;
                Bond(lower, n1);
                Bond(Lnext(lower), Lprev(upper));
                Dissolve(r.m, Lprev(lower));
                Bond(upper, n2);
                Bond(Lnext(upper), gn);
                rightCand = lower;
                ur = v;
            }
        }
        leftValid = Orient(r, ll, lr, ul) > 0.0;
        rightValid = Orient(r, ll, lr, ur) > 0.0;
        if (!leftValid && !rightValid) {
            OrientedTriangle top = MakeGhost(r, ll, lr);
            Bond(top, base);
            Bond(Lnext(top), Lprev(rightCand));
            Bond(Lprev(top), Lnext(leftCand));
            if (!IsGhostRecord(keepLeft.tri)) keepLeft = top;
            if (!IsGhostRecord(keepRight.tri)) keepRight = top;
            *farLeft = GhostToMin(keepLeft, 0);
            *farRight = GhostToMax(keepRight, 0);
            return;
        }
        if (!leftValid || (rightValid && InCircle(r, ul, ll, lr, ur) > 0.0)) {
            OrientedTriangle next = NextGhost(rightCand);
            rightCand.tri[3] = (Word)ll;                  // (lr, ur, ll)
            Bond(Lprev(rightCand), base);
            base = Lnext(rightCand);
            lr = ur;
            rightCand = next;
            ur = Dest(next);
        } else {
            OrientedTriangle prev = PrevGhost(leftCand);
            leftCand.tri[3] = (Word)lr;                   // (ul, ll, lr)
            Bond(Lnext(leftCand), base);
            base = Lprev(leftCand);
            ll = ul;
            leftCand = prev;
            ul = Org(prev);
        }
    }
}

static void DivideAndConquerStep(Run& r, const CutPoints& a, int64_t n, int axis,
                                 OrientedTriangle* farLeft, OrientedTriangle* farRight)
{
    if (n == 2) {
        OrientedTriangle t1 = MakeGhost(r, a.At(0), a.At(1));
        OrientedTriangle t2 = MakeGhost(r, a.At(1), a.At(0));
        Bond(t1, t2);
        Bond(Lnext(t1), Lprev(t2));
        Bond(Lnext(t2), Lprev(t1));
        *farLeft = t1;
        *farRight = t2;
        return;
    }
    if (n == 3) {
        Vertex a0 = a.At(0), a1 = a.At(1), a2 = a.At(2);
        double o = Orient(r, a0, a1, a2);
        if (o == 0.0) {
            OrientedTriangle g[4];
            g[0] = MakeGhost(r, a0, a1);
            g[1] = MakeGhost(r, a1, a2);
            g[2] = MakeGhost(r, a2, a1);
            g[3] = MakeGhost(r, a1, a0);
            Bond(g[0], g[3]);
            Bond(g[1], g[2]);
            for (int i = 0; i < 4; i++) Bond(Lnext(g[i]), Lprev(g[(i + 1) & 3]));
            *farLeft = g[0];
            *farRight = g[2];
            return;
        }
        Vertex p0 = a0, p1 = o > 0.0 ? a1 : a2, p2 = o > 0.0 ? a2 : a1;
        OrientedTriangle mid = NewRecord(r);
        mid.tri[4] = (Word)p0; mid.tri[5] = (Word)p1; mid.tri[3] = (Word)p2;
        OrientedTriangle gA = MakeGhost(r, p1, p0);
        OrientedTriangle gB = MakeGhost(r, p2, p1);
        OrientedTriangle gC = MakeGhost(r, p0, p2);
        Bond(mid, gA);
        Bond(Lnext(mid), gB);
        Bond(Lprev(mid), gC);
        Bond(Lnext(gC), Lprev(gB));
        Bond(Lnext(gB), Lprev(gA));
        Bond(Lnext(gA), Lprev(gC));
        *farLeft = gC;
        *farRight = o > 0.0 ? gB : gA;
        return;
    }
    int64_t divider = n / 2;
    OrientedTriangle innerLeft, innerRight;
    DivideAndConquerStep(r, a, divider, 1 - axis, farLeft, &innerLeft);
    DivideAndConquerStep(r, a.Part(divider), n - divider, 1 - axis, &innerRight, farRight);
    MergeTriangulations(r, farLeft, innerLeft, innerRight, farRight, r.b->alternatingCuts ? axis : 0);
}

// Removes the ghost ring; returns the number of hull edges (0 when every
// point lies on one line and no real triangle was made).
static int64_t DropGhostTriangles(Run& r, OrientedTriangle farLeft)
{
    OrientedTriangle start = farLeft;
    bool real = Apex(Sym(start)) != nullptr;
    if (real) r.m->dummyTri[0] = EncodeTri(Sym(start));
    int64_t hull = 0;
    OrientedTriangle g = start;
    do {
        OrientedTriangle next = NextGhost(g);
        if (real) {
            hull++;
            OrientedTriangle t = Sym(g);
            if (!r.b->pslg) {
                Vertex v = Org(g);
                if (VertexMarker(r.m, v) == 0) VertexMarker(r.m, v) = 1;
            }
            Dissolve(r.m, t);
        }
        TriangleDealloc(r.m, g.tri);
        g = next;
    } while (!SameTri(g, start));
    return hull;
}

// The triangle pool's first block is sized to the whole mesh and is first
// written while the mesh is built, each new page a fault that maps memory.
// A thread touches the block's pages while the points are sorted and cut,
// and stops (and is waited for) before the first triangle is made, so the
// two never write the block at the same time.
static const uint64_t kTouchedPoolBytes = 64u << 20;

struct PageToucher {
    volatile char* first;
    uint64_t bytes;
    std::atomic<bool> stop;
    HANDLE thread;
};

static DWORD WINAPI TouchPages(LPVOID parameter)
{
    PageToucher* t = (PageToucher*)parameter;
    for (uint64_t at = 0; at < t->bytes && !t->stop.load(std::memory_order_relaxed); at += 4096) t->first[at] = 0;
    return 0;
}

static void StartTouchingPages(PageToucher* t, void* first, uint64_t bytes)
{
    t->first = (volatile char*)first;
    t->bytes = bytes;
    t->stop = false;
    t->thread = bytes >= kTouchedPoolBytes ? CreateThread(nullptr, 0, TouchPages, t, 0, nullptr) : nullptr;
}

static void StopTouchingPages(PageToucher* t)
{
    if (!t->thread) return;
    t->stop = true;
    WaitForSingleObject(t->thread, INFINITE);
    CloseHandle(t->thread);
    t->thread = nullptr;
}

// ---- on several threads ----------------------------------------------------------------
//
// The points are sorted by key on every thread (a sample sort with the vertex
// as the last key, so that the order is the same on any number of threads) and cut by
// ranks as above; the parts of the recursion below its first few levels are
// built on worker threads, each into the pool slots its records take, and
// merged on the calling thread. Which of a set of equal points stays in the
// mesh is what the one-thread sort decides: the same quicksort with the same
// random pivots runs on the points' ranks, on a thread of its own while the
// mesh is built, and only when there are equal points (or a later phase
// draws from the random numbers it leaves).

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

// Sorts items[0 .. n) by key and vertex into sorted[0 .. n): each thread
// puts its stretch of items into buckets between splitters drawn from a
// sample, then the buckets are sorted one by one. False when memory runs short.
static bool SampleSort(const SortItem* items, SortItem* sorted, int64_t n, int parts)
{
    const int kPerBucket = 32;
    int buckets = 8 * parts;
    int samples = buckets * kPerBucket;
    if (n < 4 * (int64_t)samples) buckets = 1;
    uint8_t* bucketOf = buckets > 1 ? (uint8_t*)TriLargeAlloc((uint64_t)n) : nullptr;
    int64_t* counts = (int64_t*)NBLCalloc((uint64_t)parts * buckets, sizeof(int64_t));
    if ((buckets > 1 && !bucketOf) || !counts) {
        NBLFree(bucketOf);
        NBLFree(counts);
        return false;
    }
    SortItem splitters[64];
    if (buckets > 1) {
        SortItem sample[64 * kPerBucket];
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
    int64_t starts[65];
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

// The whole of DivideAndConquerDelaunay on `parts` threads. False, with the
// mesh untouched, when the vertices are not all in the pool's first block,
// a coordinate is not a number, or memory runs short: the one-thread path
// then runs.
static bool DivideAndConquerInParallel(TriMesh* m, const TriSwitches* b, int parts, int64_t* hullOut)
{
    const MemoryPool& pool = m->vertices;
    int64_t n = pool.liveItems;
    if (n < 2 || n != pool.handedOut || n > pool.itemsFirstBlock || n > 0xffffffffll) return false;
    const char* firstVertex = PoolFirstSlot(&pool);
    const int vertexBytes = pool.itemBytes;
    auto vertexAt = [&](int64_t i) { return (Vertex)(firstVertex + i * vertexBytes); };

    SortItem* items = (SortItem*)TriLargeAlloc((uint64_t)n * sizeof(SortItem));
    SortItem* sorted = items ? (SortItem*)TriLargeAlloc((uint64_t)n * sizeof(SortItem)) : nullptr;
    RankItem* ranks = nullptr;
    SortItem* cut = nullptr;
    RankPair *xs = nullptr, *ys = nullptr, *scratch = nullptr;
    uint32_t* yCounts = nullptr;
    auto fail = [&]() {
        NBLFree(yCounts);
        NBLFree(items);
        NBLFree(sorted);
        NBLFree(ranks);
        NBLFree(cut);
        NBLFree(xs);
        NBLFree(ys);
        NBLFree(scratch);
        return false;
    };
    if (!sorted) return fail();
    std::atomic<bool> notNumbers{ false };
    auto gather = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        bool bad = false;
        for (int64_t i = first; i < end; i++) {
            Vertex v = vertexAt(i);
            items[i] = SortItem{ { v[0], v[1] }, v };
            bad |= v[0] != v[0] || v[1] != v[1];
        }
        if (bad) notNumbers = true;
    };
    ForParts(parts, gather);
    if (notNumbers || !SampleSort(items, sorted, n, parts)) return fail();

    // The distinct keys in order (back into items) and, when an exact sort
    // follows, each point's rank.
    int64_t distinctBefore[9] = {};
    auto countDistinct = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        int64_t c = 0;
        for (int64_t i = first; i < end; i++) c += i == 0 || !SameKey(sorted[i], sorted[i - 1]);
        distinctBefore[part + 1] = c;
    };
    ForParts(parts, countDistinct);
    for (int p = 0; p < parts; p++) distinctBefore[p + 1] += distinctBefore[p];
    const int64_t distinct = distinctBefore[parts];
    const bool exactSort = distinct < n || b->useSegments;
    if (exactSort && !(ranks = (RankItem*)TriLargeAlloc((uint64_t)n * sizeof(RankItem)))) return fail();
    auto compact = [&](int part, int parts) {
        int64_t first, end;
        ParallelRange(n, part, parts, &first, &end);
        int64_t d = distinctBefore[part];
        for (int64_t i = first; i < end; i++) {
            if (i == 0 || !SameKey(sorted[i], sorted[i - 1])) items[d++] = sorted[i];
            if (ranks) {
                uint32_t index = (uint32_t)(((const char*)sorted[i].v - firstVertex) / vertexBytes);
                ranks[index] = RankItem{ (uint32_t)(d - 1), index };
            }
        }
    };
    ForParts(parts, compact);
    cut = sorted;   // done with: the points go there in cut order, its pages already in memory
    sorted = nullptr;

    uint64_t pairBytes = (uint64_t)distinct * sizeof(RankPair);
    xs = (RankPair*)TriLargeAlloc(pairBytes);
    ys = xs ? (RankPair*)TriLargeAlloc(pairBytes) : nullptr;
    scratch = ys ? (RankPair*)TriLargeAlloc(pairBytes + 2 * sizeof(RankPair)) : nullptr;
    if (!scratch) return fail();
    if (b->alternatingCuts && !(yCounts = (uint32_t*)NBLCalloc(YSortCounts(parts), sizeof(uint32_t)))) return fail();

    // No page toucher: the threads that build the parts first write their
    // own stretches of the pool.
    if (TriShowProgress) StartProgress(1, "Data Prep");
    double* xy = (double*)cut;
    Vertex* vertices = (Vertex*)(xy + 2 * distinct);
    Run r{ m, b, b->noExactArithmetic, PoolFirstSlot(&m->triangles), 1 };
    OrientedTriangle farLeft{}, farRight{};
    long seed = RandomSeed();
    auto build = [&]() {
        if (b->alternatingCuts) {
            SortByYInParallel(items, distinct, (KeyIndex*)cut, (uint32_t*)scratch, parts, yCounts);
            const uint32_t* order = (const uint32_t*)scratch;
            auto pairs = [&](int part, int parts) {
                int64_t first, end;
                ParallelRange(distinct, part, parts, &first, &end);
                for (int64_t j = first; j < end; j++) {
                    ys[j].xr = order[j];
                    ys[j].yr = (uint32_t)j;
                    xs[order[j]].yr = (uint32_t)j;
                }
            };
            ForParts(parts, pairs);
            auto xRanks = [&](int part, int parts) {
                int64_t first, end;
                ParallelRange(distinct, part, parts, &first, &end);
                for (int64_t i = first; i < end; i++) xs[i].xr = (uint32_t)i;
            };
            ForParts(parts, xRanks);
            RankSplitInParallel(xs, ys, distinct, scratch, parts);
        } else {
            for (int64_t i = 0; i < distinct; i++) xs[i].xr = (uint32_t)i;
        }
        auto place = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(distinct, part, parts, &first, &end);
            for (int64_t i = first; i < end; i++) {
                const SortItem& item = items[xs[i].xr];
                xy[2 * i] = item.x[0];
                xy[2 * i + 1] = item.x[1];
                vertices[i] = item.v;
            }
        };
        ForParts(parts, place);
        if (TriShowProgress) {
            EndProgress();
            TriProgressCounter = 0;
            StartProgress((unsigned)(2 * (int64_t)TriPointCount / 16384 + 2), "Create Mesh");
        }
        if (distinct >= 2) BuildMeshInParallel(r, CutPoints{ xy, 2, vertices }, distinct, parts, &farLeft, &farRight);
        if (TriShowProgress) EndProgress();
    };
    auto buildBesideSort = [&](int part, int) {
        if (part == 0) {
            build();
        } else {
            SetRandomSeed(seed);
            SortVertices(ranks, n);
            seed = RandomSeed();
        }
    };
    ForParts(exactSort ? 2 : 1, buildBesideSort);
    if (exactSort) SetRandomSeed(seed);

    if (distinct < n) {
        // The first point of each rank in the exact order stays; the others
        // are duplicates, as in the one-thread path.
        uint32_t* keeper = (uint32_t*)ys;
        auto keep = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(n, part, parts, &first, &end);
            for (int64_t j = first; j < end; j++) {
                if (j == 0 || ranks[j].rank != ranks[j - 1].rank) keeper[ranks[j].rank] = ranks[j].index;
                else VertexType(m, vertexAt(ranks[j].index)) = UNDEADVERTEX;
            }
        };
        ForParts(parts, keep);
        m->undeads += n - distinct;
        auto revertex = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(distinct, part, parts, &first, &end);
            for (int64_t i = first; i < end; i++) vertices[i] = vertexAt(keeper[xs[i].xr]);
        };
        ForParts(parts, revertex);
    }
    int64_t hull = 0;
    if (distinct >= 2) {
        int64_t records = 2 * distinct - 2;
        char* firstSlot = PoolFirstSlot(&m->triangles);
        int bytes = m->triangles.itemBytes;
        auto corners = [&](int part, int parts) {
            int64_t first, end;
            ParallelRange(records, part, parts, &first, &end);
            for (int64_t s = first; s < end; s++) {
                Word* tri = (Word*)(firstSlot + s * bytes);
                for (int k = 3; k < 6; k++)
                    if (tri[k]) tri[k] = (Word)vertices[((double*)tri[k] - xy) / 2];
            }
        };
        ForParts(parts, corners);
        ClaimFirstSlots(&m->triangles, records);
        hull = DropGhostTriangles(r, farLeft);
    }
    m->spare = cut;
    m->spareBytes = (uint64_t)n * sizeof(SortItem);
    cut = nullptr;
    fail();   // frees the rest
    *hullOut = hull;
    return true;
}

static int64_t DivideAndConquerDelaunay(TriMesh* m, const TriSwitches* b)
{
    int parts = TriangulationParts(m->vertices.liveItems);
    int64_t parallelHull;
    if (parts > 1 && DivideAndConquerInParallel(m, b, parts, &parallelHull)) return parallelHull;
    Run r{ m, b, b->noExactArithmetic, PoolFirstSlot(&m->triangles), 1 };
    int64_t n = m->vertices.liveItems;
    uint64_t bytes;
    if (n < 1 || !CheckedBytes((uint64_t)n, sizeof(SortItem), &bytes)) return 0;
    SortItem* a = (SortItem*)TriLargeAlloc(bytes);
    if (!a) TriAbort(m);
    m->spare = a;
    m->spareBytes = bytes;
    int64_t count = 0;
    TraversalInit(&m->vertices);
    Vertex v;
    while ((v = VertexTraverse(m)) != nullptr && count < n) {
        a[count].x[0] = v[0];
        a[count].x[1] = v[1];
        a[count].v = v;
        count++;
    }
    n = count;
    PageToucher toucher;
    StartTouchingPages(&toucher, PoolFirstSlot(&m->triangles),
                       (uint64_t)m->triangles.itemsFirstBlock * (uint64_t)m->triangles.itemBytes);

    if (TriShowProgress) {
        TriProgressCounter = 0;
        StartProgress((unsigned)(TriPointCount / 16384), "Data Prep");
    }
    SortVertices(a, n);
    int64_t i = 0;
    for (int64_t j = 1; j < n; j++) {
        if (a[j].x[0] == a[i].x[0] && a[j].x[1] == a[i].x[1]) {
            VertexType(m, a[j].v) = UNDEADVERTEX;
            m->undeads++;
        } else {
            i++;
            a[i] = a[j];
        }
    }
    int64_t distinct = n > 0 ? i + 1 : 0;
    CutPoints points = ItemPoints(a);
    bool cutByRanks = b->alternatingCuts && distinct >= kRankCutPoints && CutByRanks(m, &a, distinct, &points);
    if (b->alternatingCuts && !cutByRanks) {
        int64_t divider = distinct / 2;
        if (distinct - divider >= 2) {
            // The largest part below the first cut has distinct - divider points.
            int64_t most = distinct - divider;
            CutScratch s;
            s.items = (SortItem*)TriLargeAlloc((uint64_t)(most / 2 + 2) * sizeof(SortItem));
            s.ys = (double*)TriLargeAlloc((uint64_t)most * sizeof(double));
            if (!s.items || !s.ys) {
                NBLFree(s.items);
                NBLFree(s.ys);
                StopTouchingPages(&toucher);
                TriAbort(m);
            }
            if (divider >= 2) AlternateAxisSplit(a, divider, 1, s);
            AlternateAxisSplit(a + divider, distinct - divider, 1, s);
            NBLFree(s.items);
            NBLFree(s.ys);
        }
    }
    if (TriShowProgress) {
        EndProgress();
        TriProgressCounter = 0;
        StartProgress((unsigned)(2 * (int64_t)TriPointCount / 16384 + 2), "Create Mesh");
    }
    StopTouchingPages(&toucher);
    int64_t hull = 0;
    if (distinct >= 2) {
        OrientedTriangle farLeft, farRight;
        DivideAndConquerStep(r, points, distinct, 0, &farLeft, &farRight);
        ClaimFirstSlots(&m->triangles, 2 * distinct - 2);
        if (TriShowProgress) EndProgress();
        PointCornersAtVertices(m, points);
        hull = DropGhostTriangles(r, farLeft);
    } else if (TriShowProgress) {
        EndProgress();
    }
    return hull;
}

int64_t BuildDelaunay(TriMesh* m, const TriSwitches* b)
{
    m->triangleAttributeCount = 0;
    InitializeTriSubPools(m, b);
    return DivideAndConquerDelaunay(m, b);
}
