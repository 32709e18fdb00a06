// The ground triangulation engine: the bounding triangle and its removal.
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
