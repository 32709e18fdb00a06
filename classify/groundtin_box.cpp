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
    // The bounding vertices follow the inputs in the vertex pool's first
    // block, out of every traversal's reach.
    for (int i = 0; i < 3; i++) {
        m->box[i] = GroundVertexAt(m, (uint32_t)m->inputCount + i);
        memset(m->box[i], 0, (size_t)m->vertexBytes);
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
    m->hints = (uint32_t*)NBLCalloc((uint64_t)m->hintColumns * (uint64_t)m->hintRows, sizeof(uint32_t));
    GroundHandle t;
    GroundTinMakeTriangle(m, b, &t);
    uint32_t first = (uint32_t)m->inputCount;
    SetOrg(m, t, first);
    SetDest(m, t, first + 1);
    SetApex(m, t, first + 2);
    m->triangles.records[kGroundOuterSpace].link[0] = EncodeGround(t);
}

int32_t GroundTinRemoveBox(GroundMesh* m, GroundTinSwitches* b)
{
    GroundTriangle* records = m->triangles.records;
    GroundHandle next = Sym(m, GroundHandle{ kGroundOuterSpace, 0 });
    GroundHandle finalEdge = Lprev(next);
    next = Sym(m, Lnext(next));
    // Move the start handle onto a triangle of the real mesh: the current
    // one has a bounding vertex and goes.
    GroundHandle search = Sym(m, Lprev(next));
    GroundHandle check = Sym(m, Lnext(next));
    if (IsOuterSpace(check)) search = Sym(m, Lprev(search));
    records[kGroundOuterSpace].link[0] = EncodeGround(search);
    int32_t hull = -2;
    while (!SameTri(next, finalEdge)) {
        hull++;
        GroundHandle dissolve = Sym(m, Lprev(next));
        // With every point on one line all triangles touch the box.
        if (!b->p && !IsOuterSpace(dissolve)) {
            Vertex origin = Org(m, dissolve);
            if (GroundVertexMarker(m, origin) == 0) GroundVertexMarker(m, origin) = 1;
        }
        records[dissolve.tri].link[dissolve.orient] = EncodeGround(GroundHandle{ kGroundOuterSpace, 0 });
        GroundHandle dead = Lnext(next);
        next = Sym(m, dead);
        GroundTinTriangleFree(m, dead.tri);
        if (IsOuterSpace(next)) next = dissolve;
    }
    GroundTinTriangleFree(m, finalEdge.tri);
    FreeLocateHints(m);
    for (int i = 0; i < 3; i++) m->box[i] = nullptr;
    return hull;
}
