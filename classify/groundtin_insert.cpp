// The ground triangulation engine: insertion with its flip stack, and undo.
#include "classify/groundtin.h"
#include "classify/groundtin_locate.h"
#include "classify/groundtin_screen.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"
#include "base/progress.h"
#include "data/selection.h"
#include "data/data_set.h"
#include <cstdlib>
#include <cstring>
#include <cmath>

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
