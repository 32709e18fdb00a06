// The ground triangulation engine: the output writers.
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

// ---- output -------------------------------------------------------------------------------------------

// Numbering: clears numbersByPlace when the vertex numbered index-th is not
// in the index-th slot of the pool.
static inline void CheckNumberPlace(GroundMesh* m, const char* first, Vertex v, int64_t index)
{
    if ((const char*)v != first + index * m->vertices.itemBytes) m->numbersByPlace = false;
}

void GroundTinWriteNodes(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                         int32_t** markerList)
{
    int64_t live = m->vertices.liveItems;
    int32_t attributes = m->pointAttributes;
    if (!*pointList) *pointList = (double*)NBLMalloc((uint64_t)live * 16);
    if (!*attributeList && attributes > 0) *attributeList = (double*)NBLMalloc((uint64_t)live * attributes * 8);
    if (!*markerList && !b->B) *markerList = (int32_t*)NBLMalloc((uint64_t)live * 4);
    double* points = *pointList;
    double* attributeOut = *attributeList;
    int32_t* markers = *markerList;
    if (!points || (attributes > 0 && !attributeOut) || (!b->B && !markers)) GroundTinAbort(m);
    GroundTinTraversalInit(&m->vertices);
    int32_t number = b->firstNumber;
    int64_t k = 0;
    const char* first = PoolFirstSlot(&m->vertices);
    m->numbersByPlace = true;
    for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m), k++, number++) {
        points[2 * k] = v[0];
        points[2 * k + 1] = v[1];
        for (int32_t a = 0; a < attributes; a++) attributeOut[k * attributes + a] = v[2 + a];
        if (!b->B) markers[k] = GroundVertexMarker(m, v);
        GroundVertexMarker(m, v) = number;
        CheckNumberPlace(m, first, v, k);
    }
}

void GroundTinWriteNodesAlt(GroundMesh* m, GroundTinSwitches* b, double** pointList, double** attributeList,
                            int32_t** markerList)
{
    GroundTinWriteNodes(m, b, pointList, attributeList, markerList);
}

void GroundTinWriteElements(GroundMesh* m, GroundTinSwitches* b, int32_t** triangleList, double**)
{
    int corners = (b->order + 1) * (b->order + 2) / 2;
    int64_t live = m->triangles.liveItems;
    if (!*triangleList) *triangleList = (int32_t*)NBLMalloc((uint64_t)corners * live * 4 + 4);
    int32_t* out = *triangleList;
    if (!out) GroundTinAbort(m);
    GroundTinTraversalInit(&m->triangles);
    int64_t k = 0;
    // Inputs in height order are spread over the whole vertex pool: when the
    // numbers follow the pool, a corner's number is its index rather than a
    // read of the vertex.
    const bool byPlace = m->numbersByPlace;
    const int32_t firstNumber = b->firstNumber;
    auto number = [&](uint32_t v) {
        return byPlace ? firstNumber + (int32_t)v : GroundVertexMarker(m, GroundVertexAt(m, v));
    };
    for (GroundTriangle* tri = GroundTinTriangleTraverse(m); tri; tri = GroundTinTriangleTraverse(m)) {
        // Origin, destination, apex of orientation 0.
        out[k++] = number(tri->corner[1]);
        out[k++] = number(tri->corner[2]);
        out[k++] = number(tri->corner[0]);
        if (b->order == 2) {
            // No mid-edge nodes are made: the extra corners repeat the edge ends' numbers.
            for (int c = 0; c < 3; c++, k++) out[k] = out[k - 3];
        }
    }
}

void GroundTinFillOutput(GroundMesh* m, GroundTinSwitches* b, TriangulateIO* out, int32_t hull)
{
    out->pointCount = (int32_t)m->vertices.liveItems;
    out->pointAttributeCount = m->pointAttributes;
    out->cornerCount = (b->order + 1) * (b->order + 2) / 2;
    out->triangleCount = (int32_t)m->triangles.liveItems;
    out->triangleAttributeCount = 0;
    m->edgeCount = (int32_t)((hull + 3 * (int64_t)out->triangleCount) / 2);
    m->hullEdges = hull;
    out->edgeCount = m->edgeCount;
    out->segmentCount = hull;
    // N and E leave the lists out as they do for the triangulator: a walk
    // that wants only its classes does not write millions of triangles.
    if (!b->N) {
        GroundTinWriteNodes(m, b, &out->points, &out->pointAttributes, &out->pointMarkers);
    } else if (!b->E) {
        GroundTinTraversalInit(&m->vertices);
        int32_t number = b->firstNumber;
        const char* first = PoolFirstSlot(&m->vertices);
        m->numbersByPlace = true;
        for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m)) {
            CheckNumberPlace(m, first, v, (int64_t)number - b->firstNumber);
            GroundVertexMarker(m, v) = number++;
        }
    }
    if (!b->E) GroundTinWriteElements(m, b, &out->triangles, &out->triangleAttributes);
}
