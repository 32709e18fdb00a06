// Removing the exterior and the holes of a segment-bounded domain, and giving
// the triangles of each region its attribute. Removal and region floods spread
// from seed triangles across every edge without a subsegment, so segments act
// as walls. A triangle waiting on the stack carries a mark in bit 1 of its
// first subsegment link word.
#include "base/triangulate/mesh.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"

namespace {

inline bool IsMarked(const TriMesh* m, const Word* tri) { return (tri[m->highOrderIndex - 3] & 2) != 0; }
inline void Mark(const TriMesh* m, Word* tri) { tri[m->highOrderIndex - 3] |= 2; }
inline void Unmark(const TriMesh* m, Word* tri) { tri[m->highOrderIndex - 3] &= ~(Word)2; }

inline void Push(TriMesh* m, Word* tri)
{
    Word** item = (Word**)PoolAlloc(&m->viri);
    if (!item) TriAbort(m);
    *item = tri;
}

inline void SetMarkerIfZero(TriMesh* m, Vertex v, int marker)
{
    if (VertexMarker(m, v) == 0) VertexMarker(m, v) = marker;
}

// Walks once counterclockwise around the hull calling f on each hull edge.
template <typename F>
void ForEachHullEdge(TriMesh* m, F f)
{
    OrientedTriangle start = DecodeTri(m->dummyTri[0]);
    OrientedTriangle h = start;
    int64_t guard = 8 * m->triangles.liveItems + 8;
    do {
        f(h);
        h = Lnext(h);
        for (OrientedTriangle s = Sym(h); !IsDummy(m, s); s = Sym(h)) {
            h = Lnext(s);
            if (--guard < 0) TriInternalError(m);
        }
        if (--guard < 0) TriInternalError(m);
    } while (!SameTri(h, start));
}

} // namespace

static void MarkOuterTriangles(TriMesh* m)
{
    ForEachHullEdge(m, [&](const OrientedTriangle& h) {
        if (IsMarked(m, h.tri)) return;
        OrientedSubsegment s = TSPivot(m, h);
        if (s.ss == m->dummySub) {
            Mark(m, h.tri);
            Push(m, h.tri);
        } else if (SMark(s) == 0) {
            SMark(s) = 1;
            SetMarkerIfZero(m, SOrg(s), 1);
            SetMarkerIfZero(m, SDest(s), 1);
        }
    });
}

static void RemoveMarkedTriangles(TriMesh* m)
{
    // Spread the mark across unconstrained edges (the stack grows while read).
    TraversalInit(&m->viri);
    Word** item;
    while ((item = (Word**)Traverse(&m->viri)) != nullptr) {
        Word* tri = *item;
        Unmark(m, tri);
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            OrientedTriangle nb = Sym(t);
            OrientedSubsegment s = TSPivot(m, t);
            if (IsDummy(m, nb) || IsMarked(m, nb.tri)) {
                if (s.ss != m->dummySub) {
                    SubsegDealloc(m, s.ss);
                    TSDissolve(m, t);
                    if (!IsDummy(m, nb)) {
                        bool keep = IsMarked(m, nb.tri);
                        TSDissolve(m, nb);
                        if (keep) Mark(m, nb.tri);
                    }
                }
            } else if (s.ss == m->dummySub) {
                Mark(m, nb.tri);
                Push(m, nb.tri);
            } else {
                // the segment becomes part of the new boundary
                STDissolve(m, s);
                if (SMark(s) == 0) SMark(s) = 1;
                SetMarkerIfZero(m, Org(nb), 1);
                SetMarkerIfZero(m, Dest(nb), 1);
            }
        }
        Mark(m, tri);
    }

    // Delete the marked triangles; a vertex that no surviving triangle keeps
    // becomes undead (it stays in the point list, in no triangle).
    TraversalInit(&m->viri);
    while ((item = (Word**)Traverse(&m->viri)) != nullptr) {
        Word* tri = *item;
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            Vertex v = Org(t);
            if (!v) continue;
            SetOrg(t, nullptr);
            bool survives = false;
            bool outside = false;
            OrientedTriangle u = Onext(t);
            while (true) {
                if (IsDummy(m, u)) { outside = true; break; }
                if (u.tri == tri) break;
                if (IsMarked(m, u.tri)) SetOrg(u, nullptr);
                else survives = true;
                u = Onext(u);
            }
            if (outside) {
                OrientedTriangle s = Sym(t);
                while (!IsDummy(m, s) && s.tri != tri) {
                    u = Lnext(s);
                    if (IsMarked(m, u.tri)) SetOrg(u, nullptr);
                    else survives = true;
                    s = Sym(u);
                }
            }
            if (!survives) {
                VertexType(m, v) = UNDEADVERTEX;
                m->undeads++;
            }
        }
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            OrientedTriangle nb = Sym(t);
            if (IsDummy(m, nb)) {
                m->hullSize--;
            } else {
                Dissolve(m, nb);
                m->hullSize++;
                m->dummyTri[0] = EncodeTri(nb);
            }
        }
        TriangleDealloc(m, tri);
    }
    PoolRestart(&m->viri);
}

static void FloodRegion(TriMesh* m, const TriSwitches* b, double attribute)
{
    TraversalInit(&m->viri);
    Word** item;
    while ((item = (Word**)Traverse(&m->viri)) != nullptr) {
        Word* tri = *item;
        Unmark(m, tri);
        if (b->regionAttributes) TriAttributes(m, tri)[m->triangleAttributeCount] = attribute;
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            OrientedTriangle nb = Sym(t);
            if (!IsDummy(m, nb) && !IsMarked(m, nb.tri) && TSPivot(m, t).ss == m->dummySub) {
                Mark(m, nb.tri);
                Push(m, nb.tri);
            }
        }
        Mark(m, tri);
    }
    TraversalInit(&m->viri);
    while ((item = (Word**)Traverse(&m->viri)) != nullptr) Unmark(m, *item);
    PoolRestart(&m->viri);
}

// Finds the live, unmarked triangle holding (x, y), or returns false.
static bool SeedTriangle(TriMesh* m, const TriSwitches* b, const double* point, OrientedTriangle* out)
{
    if (!(point[0] >= m->xmin && point[0] <= m->xmax && point[1] >= m->ymin && point[1] <= m->ymax)) return false;
    OrientedTriangle t = DecodeTri(m->dummyTri[0]);
    if (OrientationTest(b->noExactArithmetic, Org(t), Dest(t), point) <= 0.0) return false;
    if (LocatePoint(m, b, point, &t) == LOC_OUTSIDE) return false;
    if (IsMarked(m, t.tri)) return false;
    *out = t;
    return true;
}

void ProcessHolesAndRegions(TriMesh* m, const TriSwitches* b, const double* holes, int holeCount,
                            const double* regions, int regionCount)
{
    if (!holes) holeCount = 0;
    if (!regions) regionCount = 0;
    if (holeCount < 0) holeCount = 0;
    if (regionCount < 0) regionCount = 0;
    bool doHoles = holeCount > 0 && !b->ignoreHoles;
    if (!doHoles && b->keepConvexHull && regionCount == 0) return;
    PoolInit(&m->viri, sizeof(Word), 1020, 1020, 0, 4);
    if (!m->viri.firstBlock) TriAbort(m);

    if (!b->keepConvexHull) MarkOuterTriangles(m);
    if (doHoles) {
        for (int i = 0; i < holeCount; i++) {
            OrientedTriangle t;
            if (SeedTriangle(m, b, holes + 2 * i, &t)) {
                Mark(m, t.tri);
                Push(m, t.tri);
            }
        }
    }
    OrientedTriangle* starts = nullptr;
    if (regionCount > 0) {
        uint64_t bytes;
        if (!CheckedBytes((uint64_t)regionCount, sizeof(OrientedTriangle), &bytes)) TriAbort(m);
        starts = (OrientedTriangle*)NBLMalloc(bytes);
        if (!starts) TriAbort(m);
        for (int i = 0; i < regionCount; i++) {
            starts[i] = OrientedTriangle{ m->dummyTri, 0 };
            OrientedTriangle t;
            if (SeedTriangle(m, b, regions + 4 * i, &t)) starts[i] = t;
        }
    }
    if (m->viri.liveItems > 0) RemoveMarkedTriangles(m);
    if (regionCount > 0) {
        if (b->regionAttributes) {
            TraversalInit(&m->triangles);
            Word* tri;
            while ((tri = TriangleTraverse(m)) != nullptr) TriAttributes(m, tri)[m->triangleAttributeCount] = 0.0;
        }
        for (int i = 0; i < regionCount; i++) {
            Word* tri = starts[i].tri;
            if (tri == m->dummyTri || IsDeadTri(tri)) continue;
            Mark(m, tri);
            Push(m, tri);
            FloodRegion(m, b, regions[4 * i + 2]);
        }
        if (b->regionAttributes) m->triangleAttributeCount++;
        NBLFree(starts);
    }
    PoolDeinit(&m->viri);
}
