// TIN models from point sets through the program's Delaunay triangulator.
#include "data/tin_model.h"
#include "base/shell_hooks.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/triangulate/triangulate.h"
#include "data/selection.h"

void FreeTriangulateIO(TriangulateIO* io)
{
    if (!io) return;
    NBLFree(io->points);
    NBLFree(io->pointAttributes);
    NBLFree(io->pointMarkers);
    NBLFree(io->triangles);
    NBLFree(io->triangleAttributes);
    NBLFree(io->triangleAreas);
    NBLFree(io->neighbors);
    NBLFree(io->segments);
    NBLFree(io->segmentMarkers);
    NBLFree(io->holes);
    NBLFree(io->regions);
    NBLFree(io->edges);
    NBLFree(io->edgeMarkers);
    NBLFree(io->normals);
    NBLFree(io);
}

void FreeVertexAdjacency(int32_t pointCount, PointAdjacency* lists)
{
    if (!lists) return;
    for (int32_t i = 0; i < pointCount; i++) {
        AdjacencyNode* node = lists[i].head;
        while (node) {
            AdjacencyNode* next = node->next;
            NBLFree(node);
            node = next;
        }
    }
    NBLFree(lists);
}

void FreeTriangleLists(PointTriangleLists* lists)
{
    if (!lists) return;
    if (lists->heads) {
        for (int32_t i = 0; i < lists->count; i++) {
            TriangleNode* node = lists->heads[i];
            while (node) {
                TriangleNode* next = node->next;
                NBLFree(node);
                node = next;
            }
        }
        NBLFree(lists->heads);
    }
    NBLFree(lists);
}

int FreeTINModel(TINModel* tin, int32_t withPoints)
{
    if (!tin) return 0;
    // The adjacency lists are counted by the source points: free them first.
    if (tin->adjacency) FreeVertexAdjacency(tin->points ? tin->points->count : 0, tin->adjacency);
    if (withPoints) FreePointSelection(tin->points);
    NBLFree(tin->triangles);
    NBLFree(tin->normals);
    NBLFree(tin->planeOffsets);
    NBLFree(tin->zRanges);
    NBLFree(tin->pointMarkers);
    NBLFree(tin->neighbors);
    NBLFree(tin->edges);
    FreeTriangleLists(tin->pointTriangles);
    return NBLFree(tin);
}

int ComputeTriangleNormals(TINModel* tin)
{
    if (!tin) return 0;
    tin->minZ = 3.37e38;
    tin->maxZ = -3.37e38;
    if (tin->triangleCount <= 0 || !tin->triangles || !tin->points) return 0;
    NBLFree(tin->normals);
    NBLFree(tin->zRanges);
    tin->normals = (Vec3*)NBLMalloc((uint64_t)tin->triangleCount * sizeof(Vec3));
    tin->zRanges = (float*)NBLMalloc((uint64_t)tin->triangleCount * 2 * sizeof(float));
    if (!tin->normals || !tin->zRanges) return 0;
    PointRecord** items = tin->points->items;
    for (int32_t t = 0; t < tin->triangleCount; t++) {
        const int32_t* v = &tin->triangles[3 * t];
        // A point record starts with the X, Y, Z of a Vec3.
        const Vec3* a = (const Vec3*)items[v[0]];
        const Vec3* b = (const Vec3*)items[v[1]];
        const Vec3* c = (const Vec3*)items[v[2]];
        TriangleNormalRaw(a, b, c, &tin->normals[t]);
        float low = a->z, high = a->z;
        if (b->z < low) low = b->z;
        if (c->z < low) low = c->z;
        if (b->z > high) high = b->z;
        if (c->z > high) high = c->z;
        tin->zRanges[2 * t] = low;
        tin->zRanges[2 * t + 1] = high;
        if (low < tin->minZ) tin->minZ = low;
        if (high > tin->maxZ) tin->maxZ = high;
    }
    return tin->triangleCount;
}

// Triangulates the XY of a selection with the given switches into a new
// TINModel that takes over the triangles, neighbours, markers and edges the
// switches asked for; null when a record cannot be allocated.
TINModel* TriangulateSelection(PointSelection* points, const char* switches, int showProgress)
{
    TriangulateIO* in = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    TriangulateIO* out = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    double* xy = (double*)NBLMalloc((uint64_t)points->count * 2 * sizeof(double));
    TINModel* tin = (TINModel*)NBLCalloc(1, sizeof(TINModel));
    if (!in || !out || !xy || !tin) {
        NBLFree(in);
        NBLFree(out);
        NBLFree(xy);
        NBLFree(tin);
        return nullptr;
    }
    for (int32_t k = 0; k < points->count; k++) {
        xy[2 * k] = points->items[k]->x;
        xy[2 * k + 1] = points->items[k]->y;
    }
    in->points = xy;
    in->pointCount = points->count;
    out->points = xy;   // written back in place: no second point array
    RunTriangulation(switches, in, out, nullptr, showProgress);

    tin->points = points;
    tin->triangleCount = out->triangleCount;
    tin->triangles = out->triangles;
    tin->neighbors = out->neighbors;
    tin->pointMarkers = out->pointMarkers;
    tin->edges = out->edges;
    tin->edgeCount = out->edgeCount;
    out->triangles = nullptr;
    out->neighbors = nullptr;
    out->pointMarkers = nullptr;
    out->edges = nullptr;
    out->triangleCount = out->edgeCount = 0;
    out->points = nullptr;
    out->pointCount = 0;
    FreeTriangulateIO(in);
    FreeTriangulateIO(out);
    return tin;
}

const char kNoTINPointsText[] = "There is no TIN Point Found";

TINModel* BuildTINFromPoints(PointSelection* points)
{
    if (!points) {
        Beep(500, 100);
        ShowMessageBox(MessageOwner(), kNoTINPointsText, "Warning", MB_OK);
        return nullptr;
    }
    if (points->count < 3) return nullptr;
    TINModel* tin = TriangulateSelection(points, "nQz");
    if (tin) ComputeTriangleNormals(tin);
    return tin;
}
