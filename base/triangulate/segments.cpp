// Editing a finished triangulation: point location, edge flips, vertex
// insertion, constrained segment insertion, hull segments and the midpoint
// nodes of second-order triangles.
#include "base/triangulate/mesh.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"

namespace {

enum { WITHIN = 0, LEFTCOLLINEAR = 1, RIGHTCOLLINEAR = 2 };
enum { INSERT_OK = 0, INSERT_VIOLATING = 2, INSERT_DUPLICATE = 3 };

inline bool SamePoint(const double* a, const double* b) { return a[0] == b[0] && a[1] == b[1]; }
inline double Orient(const TriSwitches* b, const double* p, const double* q, const double* r)
{
    return OrientationTest(b->noExactArithmetic, p, q, r);
}
inline double InCircle(const TriSwitches* b, const double* p, const double* q, const double* r, const double* s)
{
    return InCircleTest(b->noExactArithmetic, p, q, r, s);
}
inline bool HasSubseg(const TriMesh* m, const OrientedTriangle& t)
{
    return m->segmentsPresent && TSPivot(m, t).ss != m->dummySub;
}

// Makes a face the outside; the dummy's first link, the start of point
// location and hull walks, follows the latest hull edge so that it never
// names an edge that a flip has moved inside.
inline void DissolveHull(TriMesh* m, const OrientedTriangle& a)
{
    Dissolve(m, a);
    m->dummyTri[0] = EncodeTri(a);
}

// Bonds a to n, or makes a face the outside when n is the dummy.
inline void Link(TriMesh* m, const OrientedTriangle& a, const OrientedTriangle& n)
{
    if (IsDummy(m, n)) DissolveHull(m, a);
    else Bond(a, n);
}

inline void LinkSub(const TriMesh* m, const OrientedTriangle& a, const OrientedSubsegment& s)
{
    if (!m->segmentsPresent) return;
    if (s.ss == m->dummySub) TSDissolve(m, a);
    else TSBond(m, a, s);
}

inline void CopyAttributes(const TriMesh* m, const TriSwitches* b, Word* from, Word* to)
{
    int n = m->triangleAttributeCount + (b->regionAttributes ? 1 : 0);
    const double* s = TriAttributes(m, from);
    double* d = TriAttributes(m, to);
    for (int i = 0; i < n; i++) d[i] = s[i];
}

} // namespace

void BuildVertexToTriangleMap(TriMesh* m)
{
    TraversalInit(&m->triangles);
    Word* tri;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            VertexTri(m, Org(t)) = EncodeTri(t);
        }
    }
}

// Last resort of point location: visits every triangle. Used only when a
// straight walk does not end (it can circle in a constrained mesh).
static int ScanForPoint(TriMesh* m, const TriSwitches* b, const double* point, OrientedTriangle* t)
{
    TraversalInit(&m->triangles);
    Word* tri;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        for (int o = 0; o < 3; o++) {
            OrientedTriangle h{ tri, o };
            if (SamePoint(Org(h), point)) {
                *t = h;
                return LOC_ONVERTEX;
            }
        }
        OrientedTriangle h{ tri, 0 };
        double o0 = Orient(b, Org(h), Dest(h), point);
        double o1 = Orient(b, Dest(h), Apex(h), point);
        double o2 = Orient(b, Apex(h), Org(h), point);
        if (o0 < 0.0 || o1 < 0.0 || o2 < 0.0) continue;
        if (o0 == 0.0) { *t = h; return LOC_ONEDGE; }
        if (o1 == 0.0) { *t = Lnext(h); return LOC_ONEDGE; }
        if (o2 == 0.0) { *t = Lprev(h); return LOC_ONEDGE; }
        *t = h;
        return LOC_INTRIANGLE;
    }
    return LOC_OUTSIDE;
}

int WalkToPoint(TriMesh* m, const TriSwitches* b, const double* point, OrientedTriangle* t, bool stopAtSubsegs)
{
    Vertex org = Org(*t), dest = Dest(*t), apex = Apex(*t);
    for (int64_t guard = m->triangles.liveItems + 8;; guard--) {
        if (guard < 0) {
            if (stopAtSubsegs) return LOC_OUTSIDE;
            return ScanForPoint(m, b, point, t);
        }
        if (SamePoint(apex, point)) {
            *t = Lprev(*t);
            return LOC_ONVERTEX;
        }
        double destOrient = Orient(b, org, apex, point);
        double orgOrient = Orient(b, apex, dest, point);
        bool moveLeft;
        if (destOrient > 0.0) {
            if (orgOrient > 0.0) {
                moveLeft = (apex[0] - point[0]) * (dest[0] - org[0]) + (apex[1] - point[1]) * (dest[1] - org[1]) > 0.0;
            } else {
                moveLeft = true;
            }
        } else if (orgOrient > 0.0) {
            moveLeft = false;
        } else if (destOrient == 0.0) {
            *t = Lprev(*t);
            return LOC_ONEDGE;
        } else if (orgOrient == 0.0) {
            *t = Lnext(*t);
            return LOC_ONEDGE;
        } else {
            return LOC_INTRIANGLE;
        }
        OrientedTriangle edge = moveLeft ? Lprev(*t) : Lnext(*t);
        OrientedTriangle next = Sym(edge);
        if (IsDummy(m, next) || (stopAtSubsegs && HasSubseg(m, edge))) return LOC_OUTSIDE;
        *t = next;
        if (moveLeft) dest = apex;
        else org = apex;
        apex = Apex(*t);
    }
}

static inline double Dist2(const double* a, const double* p)
{
    double dx = a[0] - p[0], dy = a[1] - p[1];
    return dx * dx + dy * dy;
}

int LocatePoint(TriMesh* m, const TriSwitches* b, const double* point, OrientedTriangle* t)
{
    double best = Dist2(Org(*t), point);
    if (m->recentTri.tri && !IsDeadTri(m->recentTri.tri) && m->recentTri.tri[3] != 0) {
        Vertex o = Org(m->recentTri);
        if (o) {
            if (SamePoint(o, point)) {
                *t = m->recentTri;
                return LOC_ONVERTEX;
            }
            double d = Dist2(o, point);
            if (d < best) {
                *t = m->recentTri;
                best = d;
            }
        }
    }
    MemoryPool* pool = &m->triangles;
    while (11.0 * m->samples * m->samples * m->samples < (double)pool->liveItems) m->samples++;
    // random samples, spread over the blocks in use
    int64_t blocks = 1 + (pool->handedOut > pool->itemsFirstBlock
                          ? (pool->handedOut - pool->itemsFirstBlock + pool->itemsPerBlock - 1) / pool->itemsPerBlock : 0);
    int64_t perBlock = (m->samples + blocks - 1) / blocks;
    int64_t visit = m->samples / perBlock;
    Word* block = pool->firstBlock;
    int64_t remaining = pool->handedOut;
    for (int64_t k = 0; k < visit && block && remaining > 0; k++) {
        int64_t inBlock = k == 0 ? pool->itemsFirstBlock : pool->itemsPerBlock;
        if (inBlock > remaining) inBlock = remaining;
        uintptr_t p = (uintptr_t)(block + 1);
        char* first = (char*)(p + (uintptr_t)pool->alignment - (p % (uintptr_t)pool->alignment));
        for (int64_t i = 0; i < perBlock; i++) {
            int64_t slot = NextRandom(inBlock > 0x7fffffff ? 0x7fffffff : (int)inBlock);
            Word* tri = (Word*)(first + slot * pool->itemBytes);
            if (IsDeadTri(tri) || tri[3] == 0) continue;
            OrientedTriangle s{ tri, 0 };
            double d = Dist2(Org(s), point);
            if (d < best) {
                *t = s;
                best = d;
            }
        }
        remaining -= inBlock;
        block = (Word*)block[0];
    }
    Vertex org = Org(*t), dest = Dest(*t);
    if (SamePoint(org, point)) return LOC_ONVERTEX;
    if (SamePoint(dest, point)) {
        *t = Lnext(*t);
        return LOC_ONVERTEX;
    }
    double ahead = Orient(b, org, dest, point);
    if (ahead < 0.0) {
        OrientedTriangle across = Sym(*t);
        if (IsDummy(m, across)) return LOC_OUTSIDE;
        *t = across;
    } else if (ahead == 0.0) {
        if ((org[0] >= point[0]) == (point[0] >= dest[0]) && (org[1] >= point[1]) == (point[1] >= dest[1])) {
            return LOC_ONEDGE;
        }
    }
    return WalkToPoint(m, b, point, t, false);
}

void InsertSubsegment(TriMesh* m, const OrientedTriangle& t, int marker)
{
    Vertex o = Org(t), d = Dest(t);
    if (VertexMarker(m, o) == 0) VertexMarker(m, o) = marker;
    if (VertexMarker(m, d) == 0) VertexMarker(m, d) = marker;
    OrientedSubsegment s = TSPivot(m, t);
    if (s.ss == m->dummySub) {
        MakeSubseg(m, &s);
        s.ss[2] = (Word)d;
        s.ss[3] = (Word)o;
        TSBond(m, t, s);
        OrientedTriangle across = Sym(t);
        OrientedSubsegment r = SSym(s);
        if (!IsDummy(m, across)) TSBond(m, across, r);
        SMark(s) = marker;
    } else if (SMark(s) == 0) {
        SMark(s) = marker;
    }
}

// Replaces the edge of t, (a, b) between triangles (a, b, c) and (b, a, d), by
// the edge (d, c). Afterwards t is (d, c, a): its origin is the far vertex d.
void FlipEdge(TriMesh* m, OrientedTriangle* t)
{
    OrientedTriangle top = Sym(*t);
    Vertex a = Org(*t), b = Dest(*t), c = Apex(*t), d = Apex(top);
    OrientedTriangle nbc = Sym(Lnext(*t)), nca = Sym(Lprev(*t));
    OrientedTriangle nad = Sym(Lnext(top)), ndb = Sym(Lprev(top));
    OrientedSubsegment sbc{}, sca{}, sad{}, sdb{};
    if (m->segmentsPresent) {
        sbc = TSPivot(m, Lnext(*t));
        sca = TSPivot(m, Lprev(*t));
        sad = TSPivot(m, Lnext(top));
        sdb = TSPivot(m, Lprev(top));
    }
    SetOrg(*t, d); SetDest(*t, c); SetApex(*t, a);
    SetOrg(top, c); SetDest(top, d); SetApex(top, b);
    Link(m, Lnext(*t), nca);
    Link(m, Lprev(*t), nad);
    Link(m, Lnext(top), ndb);
    Link(m, Lprev(top), nbc);
    LinkSub(m, Lnext(*t), sca);
    LinkSub(m, Lprev(*t), sad);
    LinkSub(m, Lnext(top), sdb);
    LinkSub(m, Lprev(top), sbc);
}

// Inserts vertex v. With splitSeg the handle's edge is the place and that
// subsegment is split in two. Returns INSERT_OK with t on a triangle whose
// origin is v.
static int InsertVertex(TriMesh* m, const TriSwitches* b, Vertex v, OrientedTriangle* t,
                        const OrientedSubsegment* splitSeg)
{
    int loc;
    if (splitSeg) {
        loc = LOC_ONEDGE;
    } else if (IsDummy(m, *t)) {
        *t = DecodeTri(m->dummyTri[0]);
        loc = LocatePoint(m, b, v, t);
    } else {
        loc = WalkToPoint(m, b, v, t, true);
    }
    if (loc == LOC_ONVERTEX) {
        m->recentTri = *t;
        return INSERT_DUPLICATE;
    }
    if (loc == LOC_OUTSIDE) return INSERT_VIOLATING;
    OrientedTriangle first;
    bool hullStart = false;
    if (loc == LOC_ONEDGE) {
        if (!splitSeg && HasSubseg(m, *t)) return INSERT_VIOLATING;
        Vertex a = Org(*t), bv = Dest(*t), c = Apex(*t);
        OrientedTriangle top = Sym(*t);
        OrientedTriangle nbc = Sym(Lnext(*t));
        OrientedSubsegment sbc = m->segmentsPresent ? TSPivot(m, Lnext(*t)) : OrientedSubsegment{};
        OrientedTriangle n1;
        MakeTriangle(m, b, &n1);
        n1.tri[4] = (Word)v; n1.tri[5] = (Word)bv; n1.tri[3] = (Word)c;     // (v, b, c)
        CopyAttributes(m, b, t->tri, n1.tri);
        SetDest(*t, v);                                                      // (a, v, c)
        Link(m, Lnext(n1), nbc);
        LinkSub(m, Lnext(n1), sbc);
        Bond(Lprev(n1), Lnext(*t));
        if (m->segmentsPresent) TSDissolve(m, Lnext(*t));
        if (!IsDummy(m, top)) {
            Vertex d = Apex(top);
            OrientedTriangle nad = Sym(Lnext(top));
            OrientedSubsegment sad = m->segmentsPresent ? TSPivot(m, Lnext(top)) : OrientedSubsegment{};
            OrientedTriangle n2;
            MakeTriangle(m, b, &n2);
            n2.tri[4] = (Word)v; n2.tri[5] = (Word)a; n2.tri[3] = (Word)d;  // (v, a, d)
            CopyAttributes(m, b, top.tri, n2.tri);
            SetDest(top, v);                                                 // (b, v, d)
            Link(m, Lnext(n2), nad);
            LinkSub(m, Lnext(n2), sad);
            Bond(Lprev(n2), Lnext(top));
            if (m->segmentsPresent) TSDissolve(m, Lnext(top));
            Bond(n2, *t);
            Bond(top, n1);
            if (m->segmentsPresent) { TSDissolve(m, n2); TSDissolve(m, top); }
        } else {
            DissolveHull(m, n1);
            DissolveHull(m, *t);
            m->hullSize++;
            hullStart = true;
        }
        if (splitSeg) {
            // the old subsegment keeps (a, v); a new one with its marker covers (v, b)
            OrientedSubsegment s = TSPivot(m, *t);
            int marker = SMark(s);
            s.ss[2 + s.orient] = (Word)v;            // origin side seen from t is its destination
            if (!IsDummy(m, top)) {
                OrientedTriangle n2 = Sym(*t);
                TSBond(m, n2, SSym(s));
                TSDissolve(m, top);
            }
            if (m->segmentsPresent) TSDissolve(m, n1);
            InsertSubsegment(m, n1, marker);
            if (VertexMarker(m, v) == 0) VertexMarker(m, v) = marker;
        }
        first = hullStart ? Lnext(n1) : Lprev(*t);
    } else {
        Vertex a = Org(*t), bv = Dest(*t), c = Apex(*t);
        OrientedTriangle nbc = Sym(Lnext(*t)), nca = Sym(Lprev(*t));
        OrientedSubsegment sbc{}, sca{};
        if (m->segmentsPresent) {
            sbc = TSPivot(m, Lnext(*t));
            sca = TSPivot(m, Lprev(*t));
        }
        OrientedTriangle n1, n2;
        MakeTriangle(m, b, &n1);
        MakeTriangle(m, b, &n2);
        n1.tri[4] = (Word)bv; n1.tri[5] = (Word)c; n1.tri[3] = (Word)v;     // (b, c, v)
        n2.tri[4] = (Word)c; n2.tri[5] = (Word)a; n2.tri[3] = (Word)v;      // (c, a, v)
        CopyAttributes(m, b, t->tri, n1.tri);
        CopyAttributes(m, b, t->tri, n2.tri);
        SetApex(*t, v);                                                      // (a, b, v)
        Link(m, n1, nbc);
        LinkSub(m, n1, sbc);
        Link(m, n2, nca);
        LinkSub(m, n2, sca);
        Bond(Lnext(*t), Lprev(n1));
        Bond(Lprev(*t), Lnext(n2));
        Bond(Lnext(n1), Lprev(n2));
        if (m->segmentsPresent) {
            TSDissolve(m, Lnext(*t));
            TSDissolve(m, Lprev(*t));
        }
        first = *t;
    }

    // Restore the Delaunay property: walk counterclockwise around v over the
    // edges opposite it, flipping those whose far vertex lies in the circle.
    OrientedTriangle h = first;   // (x, y, v): edge x -> y opposite v
    Vertex startVertex = Org(h);
    for (;;) {
        OrientedTriangle far = Sym(h);
        if (!IsDummy(m, far) && !HasSubseg(m, h)) {
            Vertex x = Org(h), y = Dest(h), f = Apex(far);
            if (InCircle(b, y, v, x, f) > 0.0) {
                FlipEdge(m, &h);            // h = (f, v, x), the other is (v, f, y)
                h = Lprev(h);               // (x, f, v): edge x -> f opposite v
                continue;
            }
        }
        OrientedTriangle around = Sym(Lnext(h));    // across edge y -> v
        if (IsDummy(m, around)) break;
        h = Lnext(around);                           // (y, z, v)
        if (Org(h) == startVertex) break;
    }
    *t = Lprev(h);                                   // origin v
    m->recentTri = *t;
    return INSERT_OK;
}

static int FindSegmentDirection(TriMesh* m, const TriSwitches* b, OrientedTriangle* t, Vertex target)
{
    Vertex s = Org(*t);
    double leftv = Orient(b, target, s, Apex(*t));
    double rightv = Orient(b, s, target, Dest(*t));
    bool left = leftv > 0.0, right = rightv > 0.0;
    if (left && right) {
        if (IsDummy(m, Onext(*t))) left = false;
        else right = false;
    }
    int64_t guard = m->triangles.liveItems + 8;
    while (left) {
        if (--guard < 0) TriInternalError(m);
        *t = Onext(*t);
        if (IsDummy(m, *t)) TriInternalError(m);
        rightv = leftv;
        leftv = Orient(b, target, s, Apex(*t));
        left = leftv > 0.0;
    }
    while (right) {
        if (--guard < 0) TriInternalError(m);
        *t = Oprev(*t);
        if (IsDummy(m, *t)) TriInternalError(m);
        leftv = rightv;
        rightv = Orient(b, s, target, Dest(*t));
        right = rightv > 0.0;
    }
    if (leftv == 0.0) return LEFTCOLLINEAR;
    if (rightv == 0.0) return RIGHTCOLLINEAR;
    return WITHIN;
}

// t: apex p (the segment's first endpoint), edge origin-destination carrying
// the crossed subsegment s; q: the far endpoint. Inserts the crossing vertex;
// t ends on the edge from it to p. When the crossing rounds onto an endpoint
// of the crossed edge, no vertex is made (it would duplicate that endpoint)
// and the endpoint is returned instead; otherwise null.
static Vertex SplitAtIntersection(TriMesh* m, const TriSwitches* b, OrientedTriangle* t,
                                  OrientedSubsegment s, Vertex q)
{
    Vertex a = Org(*t), d = Dest(*t), p = Apex(*t);
    double tx = d[0] - a[0], ty = d[1] - a[1];
    double ex = q[0] - p[0], ey = q[1] - p[1];
    double den = ty * ex - tx * ey;
    if (den == 0.0) TriInternalError(m);
    double split = (ey * (a[0] - q[0]) - ex * (a[1] - q[1])) / den;
    double x = a[0] + split * tx, y = a[1] + split * ty;
    if (!(split > 0.0) || (x == a[0] && y == a[1])) return a;
    if (!(split < 1.0) || (x == d[0] && y == d[1])) return d;
    // A crossing that rounds so close to an endpoint that a triangle around it
    // would be flat is taken as passing through that endpoint.
    double point[2] = { x, y };
    bool flat = Orient(b, a, point, p) <= 0.0 || Orient(b, point, d, p) <= 0.0;
    OrientedTriangle other = Sym(*t);
    if (!IsDummy(m, other)) {
        Vertex e = Apex(other);
        flat = flat || Orient(b, d, point, e) <= 0.0 || Orient(b, point, a, e) <= 0.0;
    }
    if (flat) return split < 0.5 ? a : d;
    Vertex nv = (Vertex)PoolAlloc(&m->vertices);
    if (!nv) TriAbort(m);
    for (int i = 0; i < 2 + m->pointAttributeCount; i++) nv[i] = a[i] + split * (d[i] - a[i]);
    VertexMarker(m, nv) = SMark(s);
    VertexType(m, nv) = INPUTVERTEX;
    if (b->pslg) VertexTri(m, nv) = 0;
    if (InsertVertex(m, b, nv, t, &s) != INSERT_OK) TriInternalError(m);
    FindSegmentDirection(m, b, t, p);
    if (Apex(*t) == p) *t = Onext(*t);
    else if (Dest(*t) != p) TriInternalError(m);
    return nullptr;
}

static void InsertSegment(TriMesh* m, const TriSwitches* b, Vertex p, Vertex q, int marker);
static thread_local int segmentDepth = 0;   // nesting of segments routed through a vertex they meet
static thread_local bool segmentForced = false;
static OrientedTriangle TriangleWithOrigin(TriMesh* m, const TriSwitches* b, Vertex p);

// Follows the segment from the origin of t towards target along existing
// edges and through existing subsegments (splitting them). Returns true when
// the target was reached; otherwise t is left where the segment must be forced.
static bool TraceSegment(TriMesh* m, const TriSwitches* b, OrientedTriangle* t, Vertex target, int marker)
{
    for (int64_t guard = m->vertices.liveItems + 16;; guard--) {
        if (guard < 0) TriInternalError(m);
        int dir = FindSegmentDirection(m, b, t, target);
        Vertex r = Dest(*t), l = Apex(*t);
        if (SamePoint(l, target) || SamePoint(r, target)) {
            if (SamePoint(l, target)) *t = Lprev(*t);
            InsertSubsegment(m, *t, marker);
            return true;
        }
        if (dir == LEFTCOLLINEAR) {
            *t = Lprev(*t);                       // edge l -> origin
            InsertSubsegment(m, *t, marker);       // continue from l
            continue;
        }
        if (dir == RIGHTCOLLINEAR) {
            InsertSubsegment(m, *t, marker);
            *t = Lnext(*t);                        // continue from r
            continue;
        }
        OrientedTriangle cross = Lnext(*t);
        OrientedSubsegment s = TSPivot(m, cross);
        if (s.ss == m->dummySub) return false;
        Vertex p = Org(*t);
        Vertex hit = SplitAtIntersection(m, b, &cross, s, target);
        if (hit) {
            // the segment meets the crossed edge at its endpoint: go through it
            InsertSegment(m, b, p, hit, marker);
            *t = TriangleWithOrigin(m, b, hit);
            continue;
        }
        *t = cross;
        InsertSubsegment(m, *t, marker);
        // continue from the crossing vertex, the origin of t
    }
}

// Re-triangulates one side of a newly forced edge. t has the near vertex as
// origin; it is kept on the same edge when flips rebuild its triangle.
static void DelaunayRepair(TriMesh* m, const TriSwitches* b, OrientedTriangle* t, bool leftSide)
{
    OrientedTriangle edge = Lnext(*t);
    OrientedTriangle across = Sym(edge);
    if (IsDummy(m, across) || HasSubseg(m, edge)) return;
    Vertex nearv = Org(*t), left = Org(edge), right = Dest(edge), far = Apex(across);
    if (leftSide) {
        if (Orient(b, nearv, left, far) <= 0.0) return;
    } else {
        if (Orient(b, far, right, nearv) <= 0.0) return;
    }
    if (Orient(b, right, left, far) > 0.0 && InCircle(b, left, far, right, nearv) <= 0.0) return;
    FlipEdge(m, &edge);                 // edge = (far, near, left), the other (near, far, right)
    OrientedTriangle other = Sym(edge);
    *t = Lnext(edge);                   // (near, left, far)
    DelaunayRepair(m, b, t, leftSide);
    DelaunayRepair(m, b, &other, leftSide);
}

static void ForceEdge(TriMesh* m, const TriSwitches* b, OrientedTriangle start, Vertex q, int marker)
{
    segmentForced = true;
    for (int64_t guard = m->vertices.liveItems + 16;; guard--) {
        if (guard < 0) TriInternalError(m);
        Vertex p = Org(start);
        OrientedTriangle fix = Lnext(start);
        FlipEdge(m, &fix);
        bool collision = false, done = false;
        for (int64_t dig = m->triangles.liveItems + 16; !done; dig--) {
            if (dig < 0) TriInternalError(m);
            Vertex farv = Org(fix);
            if (SamePoint(farv, q)) {
                OrientedTriangle fix2 = Oprev(fix);
                DelaunayRepair(m, b, &fix, false);
                DelaunayRepair(m, b, &fix2, true);
                done = true;
            } else {
                double area = Orient(b, p, q, farv);
                if (area == 0.0) {
                    collision = true;
                    OrientedTriangle fix2 = Oprev(fix);
                    DelaunayRepair(m, b, &fix, false);
                    DelaunayRepair(m, b, &fix2, true);
                    done = true;
                } else {
                    if (area > 0.0) {
                        OrientedTriangle fix2 = Oprev(fix);
                        DelaunayRepair(m, b, &fix2, true);
                        fix = Lprev(fix);
                    } else {
                        DelaunayRepair(m, b, &fix, false);
                        fix = Oprev(fix);
                    }
                    OrientedSubsegment s = TSPivot(m, fix);
                    if (s.ss == m->dummySub) {
                        if (IsDummy(m, Sym(fix))) TriInternalError(m);
                        FlipEdge(m, &fix);
                    } else {
                        collision = true;
                        Vertex hit = SplitAtIntersection(m, b, &fix, s, q);
                        if (hit) {
                            // The segment meets the crossed edge at its end:
                            // finish as when a vertex lies on the segment.
                            fix = hit == Dest(fix) ? Lnext(fix) : Sym(Lprev(fix));
                            OrientedTriangle fix2 = Oprev(fix);
                            DelaunayRepair(m, b, &fix, false);
                            DelaunayRepair(m, b, &fix2, true);
                        }
                        done = true;
                    }
                }
            }
        }
        InsertSubsegment(m, fix, marker);
        if (!collision) return;
        if (TraceSegment(m, b, &fix, q, marker)) return;
        start = fix;
    }
}

static OrientedTriangle TriangleWithOrigin(TriMesh* m, const TriSwitches* b, Vertex p)
{
    Word link = b->pslg ? VertexTri(m, p) : 0;
    if (link) {
        OrientedTriangle t = DecodeTri(link);
        if (!IsDeadTri(t.tri) && t.tri[3] != 0 && Org(t) == p) return t;
    }
    OrientedTriangle t = DecodeTri(m->dummyTri[0]);
    if (LocatePoint(m, b, p, &t) != LOC_ONVERTEX) TriInternalError(m);
    return t;
}

static void InsertSegmentOnce(TriMesh* m, const TriSwitches* b, Vertex p, Vertex q, int marker);

static void InsertSegment(TriMesh* m, const TriSwitches* b, Vertex p, Vertex q, int marker)
{
    if (++segmentDepth > 64) TriInternalError(m);
    InsertSegmentOnce(m, b, p, q, marker);
    segmentDepth--;
}

static void InsertSegmentOnce(TriMesh* m, const TriSwitches* b, Vertex p, Vertex q, int marker)
{
    for (int attempt = 0; attempt < 64; attempt++) {
        OrientedTriangle t1 = TriangleWithOrigin(m, b, p);
        m->recentTri = t1;
        if (TraceSegment(m, b, &t1, q, marker)) return;
        p = Org(t1);
        OrientedTriangle t2 = TriangleWithOrigin(m, b, q);
        m->recentTri = t2;
        if (TraceSegment(m, b, &t2, p, marker)) return;
        q = Org(t2);
        // The second trace may have changed the mesh around p: aim again.
        t1 = TriangleWithOrigin(m, b, p);
        int dir = FindSegmentDirection(m, b, &t1, q);
        if (dir == WITHIN && !SamePoint(Dest(t1), q) && !SamePoint(Apex(t1), q) &&
            TSPivot(m, Lnext(t1)).ss == m->dummySub) {
            ForceEdge(m, b, t1, q, marker);
            return;
        }
    }
    TriInternalError(m);
}

static void MarkHullSegments(TriMesh* m, const TriSwitches* b)
{
    (void)b;
    OrientedTriangle start = DecodeTri(m->dummyTri[0]);
    OrientedTriangle h = start;
    int64_t guard = 0;
    do {
        InsertSubsegment(m, h, 1);
        h = Lnext(h);
        for (OrientedTriangle s = Sym(h); !IsDummy(m, s); s = Sym(h)) {
            h = Lnext(s);
            if (++guard > 8 * m->triangles.liveItems + 8) TriInternalError(m);
        }
        if (++guard > 8 * m->triangles.liveItems + 8) TriInternalError(m);
    } while (!SameTri(h, start));
}

void InsertInputSegments(TriMesh* m, const TriSwitches* b, const int32_t* segmentList,
                         const int32_t* markerList, int count)
{
    if (m->triangles.liveItems == 0) return;
    if (b->pslg && segmentList && count > 0) {
        BuildVertexToTriangleMap(m);
        segmentForced = false;
        int64_t lo = b->firstNumber, hi = b->firstNumber + m->inputPoints;
        for (int i = 0; i < count; i++) {
            int64_t n1 = segmentList[2 * i], n2 = segmentList[2 * i + 1];
            int marker = markerList ? markerList[i] : 0;
            if (n1 < lo || n1 >= hi || n2 < lo || n2 >= hi) continue;
            Vertex p = GetVertex(m, b, (int)n1), q = GetVertex(m, b, (int)n2);
            if (!p || !q || SamePoint(p, q)) continue;
            segmentDepth = 0;
            InsertSegment(m, b, p, q, marker);
        }
        // Forcing edges flips through temporarily inverted triangles; when a
        // crossing split interrupts the repair of one, the mesh is not valid
        // and the run is abandoned rather than returning inverted triangles.
        if (segmentForced) {
            TraversalInit(&m->triangles);
            Word* tri;
            while ((tri = TriangleTraverse(m)) != nullptr) {
                OrientedTriangle t{ tri, 0 };
                if (Orient(b, Org(t), Dest(t), Apex(t)) <= 0.0) TriInternalError(m);
            }
        }
    }
    if (b->keepConvexHull || !b->pslg) MarkHullSegments(m, b);
}

void AddEdgeMidpointNodes(TriMesh* m, const TriSwitches* b)
{
    m->vertices.deadStack = nullptr;
    TraversalInit(&m->triangles);
    Word* tri;
    int h = m->highOrderIndex;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            OrientedTriangle across = Sym(t);
            if (!IsDummy(m, across) && across.tri < tri) continue;
            Vertex a = Org(t), d = Dest(t);
            Vertex nv = (Vertex)PoolAlloc(&m->vertices);
            if (!nv) TriAbort(m);
            for (int i = 0; i < 2 + m->pointAttributeCount; i++) nv[i] = 0.5 * (a[i] + d[i]);
            bool hull = IsDummy(m, across);
            VertexMarker(m, nv) = hull ? 1 : 0;
            VertexType(m, nv) = hull ? FREEVERTEX : SEGMENTVERTEX;
            if (m->segmentsPresent) {
                OrientedSubsegment s = TSPivot(m, t);
                if (s.ss != m->dummySub) {
                    VertexMarker(m, nv) = SMark(s);
                    VertexType(m, nv) = SEGMENTVERTEX;
                }
            }
            if (b->pslg) VertexTri(m, nv) = 0;
            tri[h + o] = (Word)nv;
            if (!hull) across.tri[h + across.orient] = (Word)nv;
        }
    }
}
