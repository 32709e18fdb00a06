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
#include "base/triangulate/delaunay.h"
#include "base/triangulate/delaunay_parallel.h"
#include "base/triangulate/mesh.h"
#include "base/triangulate/predicates.h"
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "base/progress.h"
#include <algorithm>
#include <atomic>
#include <thread>

namespace {

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

void SortRankItems(RankItem* a, int64_t n)
{
    SortVertices(a, n);
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

void RankCut(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch)
{
    int64_t divider = n / 2;
    if (axis == 1) PartitionPairs<true>(xs, n, ys[divider].yr, scratch);
    else PartitionPairs<false>(ys, n, xs[divider].xr, scratch);
}

void RankSplit(RankPair* xs, RankPair* ys, int64_t n, int axis, RankPair* scratch)
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
// Below kRadixSortPoints points the y order is taken by a comparison sort.
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
void MergeTriangulations(Run& r, OrientedTriangle* farLeft, OrientedTriangle innerLeft,
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

void DivideAndConquerStep(Run& r, const CutPoints& a, int64_t n, int axis, OrientedTriangle* farLeft,
                          OrientedTriangle* farRight)
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
int64_t DropGhostTriangles(Run& r, OrientedTriangle farLeft)
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

// The thread is held by pointer: an abort (longjmp) must not pass an object
// with a destructor.
struct PageToucher {
    volatile char* first;
    uint64_t bytes;
    std::atomic<bool> stop;
    std::thread* thread;
};

static void TouchPages(PageToucher* t)
{
    for (uint64_t at = 0; at < t->bytes && !t->stop.load(std::memory_order_relaxed); at += 4096) t->first[at] = 0;
}

static void StartTouchingPages(PageToucher* t, void* first, uint64_t bytes)
{
    t->first = (volatile char*)first;
    t->bytes = bytes;
    t->stop = false;
    t->thread = nullptr;
    if (bytes < kTouchedPoolBytes) return;
    // Without the thread the pages are mapped as the mesh is built.
    try {
        t->thread = new std::thread(TouchPages, t);
    } catch (const std::exception&) {
        t->thread = nullptr;
    }
}

static void StopTouchingPages(PageToucher* t)
{
    if (!t->thread) return;
    t->stop = true;
    t->thread->join();
    delete t->thread;
    t->thread = nullptr;
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
