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

static void PushFlip(GroundMesh* m, const GroundHandle& t, FlipRecord* link)
{
    FlipRecord* record = (FlipRecord*)PoolAlloc(&m->flips);
    if (!record) GroundTinAbort(m);
    record->handle = EncodeGround(t);
    record->link = link;
    m->flipTop = record;
}

void GroundTinInsertLocated(GroundMesh* m, GroundTinSwitches* b, Vertex vertex, GroundHandle* handle, int located,
                            int record, GroundStarWalk* walk, GroundHandle* out)
{
    const uint32_t v = GroundVertexIndex(m, vertex);
    GroundHandle horiz = *handle;
    if (located == GROUND_ON_EDGE || located == GROUND_OUTSIDE) {
        // Cut the triangle on each side of the edge by the line from v to its apex.
        GroundHandle botRight = Lprev(horiz);
        GroundHandle botRightCasing = Sym(m, botRight);
        GroundHandle topRight = Sym(m, horiz);
        bool mirror = !IsOuterSpace(topRight);
        GroundHandle topRightCasing{}, newTopRight{}, newBotRight;
        if (mirror) {
            topRight = Lnext(topRight);
            topRightCasing = Sym(m, topRight);
            GroundTinMakeTriangle(m, b, &newTopRight);
        }
        GroundTinMakeTriangle(m, b, &newBotRight);
        uint32_t right = OrgIndex(m, horiz), bottom = ApexIndex(m, horiz);
        SetOrg(m, newBotRight, bottom);
        SetDest(m, newBotRight, right);
        SetApex(m, newBotRight, v);
        SetOrg(m, horiz, v);
        if (mirror) {
            uint32_t top = DestIndex(m, topRight);
            SetOrg(m, newTopRight, right);
            SetDest(m, newTopRight, top);
            SetApex(m, newTopRight, v);
            SetOrg(m, topRight, v);
        }
        PrefetchFarCorners(m, Sym(m, Lnext(horiz)), botRightCasing, mirror ? topRightCasing : botRightCasing);
        Bond(m, newBotRight, botRightCasing);
        newBotRight = Lprev(newBotRight);
        Bond(m, newBotRight, botRight);
        newBotRight = Lprev(newBotRight);
        if (mirror) {
            Bond(m, newTopRight, topRightCasing);
            newTopRight = Lnext(newTopRight);
            Bond(m, newTopRight, topRight);
            newTopRight = Lnext(newTopRight);
            Bond(m, newTopRight, newBotRight);
        }
        if (record) {
            PoolRestart(&m->flips);
            m->flipTop = nullptr;
            PushFlip(m, horiz, EdgeSplitMarker);
        }
        horiz = Lnext(horiz);
    } else {
        // Cut the triangle into three by the lines from v to its corners.
        GroundHandle botLeft = Lnext(horiz), botRight = Lprev(horiz);
        GroundHandle botLeftCasing = Sym(m, botLeft), botRightCasing = Sym(m, botRight);
        GroundHandle newBotLeft, newBotRight;
        GroundTinMakeTriangle(m, b, &newBotLeft);
        GroundTinMakeTriangle(m, b, &newBotRight);
        uint32_t right = OrgIndex(m, horiz), left = DestIndex(m, horiz), bottom = ApexIndex(m, horiz);
        SetOrg(m, newBotLeft, left);
        SetDest(m, newBotLeft, bottom);
        SetApex(m, newBotLeft, v);
        SetOrg(m, newBotRight, bottom);
        SetDest(m, newBotRight, right);
        SetApex(m, newBotRight, v);
        SetApex(m, horiz, v);
        Bond(m, newBotLeft, botLeftCasing);
        Bond(m, newBotRight, botRightCasing);
        newBotLeft = Lnext(newBotLeft);
        newBotRight = Lprev(newBotRight);
        Bond(m, newBotLeft, newBotRight);
        newBotLeft = Lnext(newBotLeft);
        Bond(m, botLeft, newBotLeft);
        newBotRight = Lprev(newBotRight);
        Bond(m, botRight, newBotRight);
        if (record) {
            PoolRestart(&m->flips);
            m->flipTop = nullptr;
            PushFlip(m, horiz, nullptr);
        }
        // The three edges opposite v are tested next: their far corners are
        // loaded together rather than one after the other.
        PrefetchFarCorners(m, Sym(m, horiz), botLeftCasing, botRightCasing);
    }

    // Go around v, flipping every edge opposite it that is not locally Delaunay.
    uint32_t first = OrgIndex(m, horiz);
    uint32_t right = first;
    uint32_t left = DestIndex(m, horiz);
    for (;;) {
        bool flip = true;
        GroundHandle top = Sym(m, horiz);
        bool boxEnd = IsBoundingVertex(m, left) || IsBoundingVertex(m, right);
        if (walk && (IsOuterSpace(top) || boxEnd)) walk->boundary = 1;
        if (IsOuterSpace(top)) {
            flip = false;
        } else {
            uint32_t farVertex = ApexIndex(m, top);
            // Bounding vertices count as infinitely far away.
            if (IsBoundingVertex(m, left))
                flip = GroundTinOrient(m, b, vertex, GroundVertexAt(m, right), GroundVertexAt(m, farVertex)) > 0.0;
            else if (IsBoundingVertex(m, right))
                flip = GroundTinOrient(m, b, GroundVertexAt(m, farVertex), GroundVertexAt(m, left), vertex) > 0.0;
            else if (IsBoundingVertex(m, farVertex))
                flip = false;
            else
                flip = GroundTinInCircle(m, b, GroundVertexAt(m, left), vertex, GroundVertexAt(m, right),
                                         GroundVertexAt(m, farVertex)) > 0.0;
            if (flip) {
                GroundHandle topLeft = Lprev(top), topRight = Lnext(top);
                GroundHandle topLeftCasing = Sym(m, topLeft), topRightCasing = Sym(m, topRight);
                // The two edges the flip puts opposite v are tested next.
                PrefetchFarCorners(m, topLeftCasing, topRightCasing, topLeftCasing);
                GroundHandle botLeft = Lnext(horiz), botRight = Lprev(horiz);
                GroundHandle botLeftCasing = Sym(m, botLeft), botRightCasing = Sym(m, botRight);
                Bond(m, topLeft, botLeftCasing);
                Bond(m, botLeft, botRightCasing);
                Bond(m, botRight, topRightCasing);
                Bond(m, topRight, topLeftCasing);
                SetOrg(m, horiz, farVertex);
                SetDest(m, horiz, v);
                SetApex(m, horiz, right);
                SetOrg(m, top, v);
                SetDest(m, top, farVertex);
                SetApex(m, top, left);
                if (record) PushFlip(m, horiz, m->flipTop);
                horiz = Lprev(horiz);
                left = farVertex;
            }
        }
        if (!flip) {
            horiz = Lnext(horiz);
            GroundHandle test = Sym(m, horiz);
            if (left == first || IsOuterSpace(test)) {
                if (walk && !walk->boundary) walk->visit(walk, vertex, GroundVertexAt(m, first));
                *out = Lnext(horiz);
                m->recent = *out;
                m->hasRecent = true;
                RememberHint(m, *out);
                return;
            }
            horiz = Lnext(test);
            right = left;
            left = DestIndex(m, horiz);
            if (walk && !walk->boundary) walk->visit(walk, vertex, GroundVertexAt(m, right));
        }
    }
}

int GroundTinInsertVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out)
{
    GroundHandle handle;
    int located = GroundTinLocateVertex(m, b, v, &handle);
    if (located == GROUND_ON_VERTEX) {
        *out = handle;
        m->recent = handle;
        m->hasRecent = true;
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
        GroundHandle out;
        if (GroundTinInsertVertex(m, b, v, &out) == 1) {
            GroundVertexType(m, v) = GROUND_VERTEX_LEFT_OUT;
            m->leftOutCount++;
        }
    }
    int32_t hull = GroundTinRemoveBox(m, b);
    return m->triangles.liveItems > 0 ? hull : 0;
}

// ---- undo ------------------------------------------------------------------------------------------

void GroundTinUnflip(GroundMesh* m, GroundTinSwitches*, GroundHandle* edge)
{
    uint32_t right = OrgIndex(m, *edge), left = DestIndex(m, *edge), bottom = ApexIndex(m, *edge);
    GroundHandle top = Sym(m, *edge);
    uint32_t farVertex = ApexIndex(m, top);
    GroundHandle topLeft = Lprev(top), topRight = Lnext(top);
    GroundHandle topLeftCasing = Sym(m, topLeft), topRightCasing = Sym(m, topRight);
    GroundHandle botLeft = Lnext(*edge), botRight = Lprev(*edge);
    GroundHandle botLeftCasing = Sym(m, botLeft), botRightCasing = Sym(m, botRight);
    Bond(m, topLeft, topRightCasing);
    Bond(m, botLeft, topLeftCasing);
    Bond(m, botRight, botLeftCasing);
    Bond(m, topRight, botRightCasing);
    SetOrg(m, *edge, bottom);
    SetDest(m, *edge, farVertex);
    SetApex(m, *edge, left);
    SetOrg(m, top, farVertex);
    SetDest(m, top, bottom);
    SetApex(m, top, right);
}

void GroundTinUndoVertex(GroundMesh* m, GroundTinSwitches* b)
{
    while (m->flipTop) {
        FlipRecord* r = m->flipTop;
        GroundHandle flipTri = DecodeGround((uint32_t)r->handle);
        if (r->link == nullptr) {
            // Three triangles back into one.
            GroundHandle botLeft = Lnext(Sym(m, Lnext(flipTri)));   // dprev, then lnext
            GroundHandle botRight = Lprev(Sym(m, Lprev(flipTri)));  // onext, then lprev
            GroundHandle botLeftCasing = Sym(m, botLeft), botRightCasing = Sym(m, botRight);
            uint32_t bottom = DestIndex(m, botLeft);
            SetApex(m, flipTri, bottom);
            flipTri = Lnext(flipTri);
            Bond(m, flipTri, botLeftCasing);
            flipTri = Lnext(flipTri);
            Bond(m, flipTri, botRightCasing);
            GroundTinTriangleFree(m, botLeft.tri);
            GroundTinTriangleFree(m, botRight.tri);
        } else if (r->link == EdgeSplitMarker) {
            // Four (or two) triangles back into two (or one).
            GroundHandle glue = Lprev(flipTri);
            GroundHandle botRight = Lnext(Sym(m, glue));
            GroundHandle botRightCasing = Sym(m, botRight);
            uint32_t right = DestIndex(m, botRight);
            SetOrg(m, flipTri, right);
            Bond(m, glue, botRightCasing);
            GroundTinTriangleFree(m, botRight.tri);
            glue = Sym(m, flipTri);
            if (!IsOuterSpace(glue)) {
                glue = Lnext(glue);
                GroundHandle topRight = Lprev(Sym(m, glue));   // dnext
                GroundHandle topRightCasing = Sym(m, topRight);
                SetOrg(m, glue, right);
                Bond(m, glue, topRightCasing);
                GroundTinTriangleFree(m, topRight.tri);
            }
            r->link = nullptr;
        } else {
            GroundTinUnflip(m, b, &flipTri);
        }
        m->flipTop = r->link;
    }
}
