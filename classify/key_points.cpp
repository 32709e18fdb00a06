// Key-point search by edge collapse on the candidates' TIN.
#include "classify/key_points.h"
#include "classify/candidate_tin.h"
#include "classify/groundtin_screen.h"
#include "classify/surface_settings.h"
#include "base/heap.h"
#include "base/vector.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <cmath>
#include <cstring>
#include <vector>

// Edges of marked points cost this and are never collapsed.
constexpr double kMarkedEdgeCost = 1000.0f;

// Planes and errors are taken about the selection's first point: with map
// coordinates of a million units an f32 plane offset would lose the
// centimetres the accuracy is about.
static Vec3 LocalPoint(const PointSelection* points, int32_t i)
{
    const PointRecord* o = points->items[0];
    const PointRecord* r = points->items[i];
    Vec3 v;
    v.x = r->x - o->x;
    v.y = r->y - o->y;
    v.z = (double)r->z - o->z;
    return v;
}

TINModel* BuildKeyPointTin(PointSelection* points)
{
    if (!points || points->count <= 2) return nullptr;
    TINModel* tin = TriangulateSelection(points, "eQz", 0);
    if (!tin) return nullptr;
    if (tin->triangleCount == 0 || !tin->pointMarkers || !tin->edges) {
        FreeKeyPointTin(tin);
        return nullptr;
    }
    // Edge lists with the hull and two rings inside it marked.
    if (!BuildTinEdgeLists(tin, 3)) {
        FreeKeyPointTin(tin);
        return nullptr;
    }
    // Planes: unit normal and offset of every triangle.
    tin->normals = (Vec3*)NBLMalloc((uint64_t)tin->triangleCount * sizeof(Vec3));
    tin->planeOffsets = (float*)NBLMalloc((uint64_t)tin->triangleCount * sizeof(float));
    if (!tin->normals || !tin->planeOffsets) {
        FreeKeyPointTin(tin);
        return nullptr;
    }
    for (int32_t t = 0; t < tin->triangleCount; t++) {
        Vec3 p[3];
        for (int k = 0; k < 3; k++) p[k] = LocalPoint(points, tin->triangles[3 * t + k]);
        Vec3& nv = tin->normals[t];
        TriangleNormal(&p[0], &p[1], &p[2], &nv);
        tin->planeOffsets[t] = (float)-(p[0].x * nv.x + p[0].y * nv.y + p[0].z * nv.z);
    }
    return tin;
}

void FreeKeyPointTin(TINModel* tin)
{
    if (!tin) return;
    FreeTinEdgeSet(tin);
}

PointQuadric* ComputeVertexQuadrics(const TINModel* tin)
{
    PointQuadric* q = (PointQuadric*)NBLCalloc((uint64_t)tin->points->count, sizeof(PointQuadric));
    if (!q) return nullptr;
    for (int32_t t = 0; t < tin->triangleCount; t++) {
        double a = tin->normals[t].x, b = tin->normals[t].y, c = tin->normals[t].z;
        double d = tin->planeOffsets[t];
        for (int k = 0; k < 3; k++) {
            PointQuadric& s = q[tin->triangles[3 * t + k]];
            s.aa += a * a; s.ab += a * b; s.ac += a * c; s.ad += a * d; s.bb += b * b;
            s.bc += b * c; s.bd += b * d; s.cc += c * c; s.cd += c * d; s.dd += d * d;
        }
    }
    return q;
}

static PointQuadric Sum(const PointQuadric& p, const PointQuadric& q)
{
    return { p.aa + q.aa, p.ab + q.ab, p.ac + q.ac, p.ad + q.ad, p.bb + q.bb,
             p.bc + q.bc, p.bd + q.bd, p.cc + q.cc, p.cd + q.cd, p.dd + q.dd };
}

double QuadricError(const PointQuadric& q, double x, double y, double z)
{
    double e = q.aa * x * x + 2 * q.ab * x * y + 2 * q.ac * x * z + 2 * q.ad * x + q.bb * y * y + 2 * q.bc * y * z +
               2 * q.bd * y + q.cc * z * z + 2 * q.cd * z + q.dd;
    return std::fabs(e);
}

static double ErrorAt(const PointQuadric& q, const TINModel* tin, int32_t point)
{
    Vec3 v = LocalPoint(tin->points, point);
    return QuadricError(q, v.x, v.y, v.z);
}

CollapseCandidate* ComputeEdgeCollapseCosts(const TINModel* tin, const PointQuadric* quadrics)
{
    CollapseCandidate* c = (CollapseCandidate*)NBLCalloc((uint64_t)tin->edgeCount + 1, sizeof(CollapseCandidate));
    if (!c) return nullptr;
    const int32_t* marks = tin->pointMarkers;
    for (int32_t e = 0; e < tin->edgeCount; e++) {
        int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
        CollapseCandidate& r = c[e];
        r.slot = -1;
        if (marks[a] || marks[b]) {
            r.cost = kMarkedEdgeCost;
            r.removed = a;
            r.kept = b;
            continue;
        }
        PointQuadric q = Sum(quadrics[a], quadrics[b]);
        double ea = ErrorAt(q, tin, a), eb = ErrorAt(q, tin, b);
        if (ea > eb) {
            r.cost = eb; r.removed = b; r.kept = a;
        } else {
            r.cost = ea; r.removed = a; r.kept = b;
        }
    }
    return c;
}

// The heap: slots 1 .. count; a record always knows its slot.
static void Place(CostHeap* h, int32_t slot, CollapseCandidate* r)
{
    h->slots[slot] = r;
    r->slot = slot;
}

static void SiftUp(CostHeap* h, int32_t slot)
{
    CollapseCandidate* r = h->slots[slot];
    while (slot > 1 && r->cost < h->slots[slot / 2]->cost) {
        Place(h, slot, h->slots[slot / 2]);
        slot /= 2;
    }
    Place(h, slot, r);
}

int BuildCostHeap(CostHeap* heap, const TINModel* tin, CollapseCandidate* candidates)
{
    heap->capacity = tin->edgeCount + 1;
    heap->count = 0;
    heap->slots = (CollapseCandidate**)NBLMalloc((uint64_t)heap->capacity * sizeof(CollapseCandidate*));
    if (!heap->slots) return 0;
    heap->sentinel = { -1.0, -1, -1, 0 };
    heap->slots[0] = &heap->sentinel;
    for (int32_t e = 0; e < tin->edgeCount; e++) PushCostHeap(heap, &candidates[e]);
    return 1;
}

void PushCostHeap(CostHeap* heap, CollapseCandidate* record)
{
    if (heap->count + 1 >= heap->capacity) return;
    heap->count++;
    Place(heap, heap->count, record);
    SiftUp(heap, heap->count);
}

void SiftDownCostHeap(CostHeap* heap, int32_t slot)
{
    for (;;) {
        int32_t least = slot, l = 2 * slot, r = l + 1;
        if (l <= heap->count && heap->slots[l]->cost < heap->slots[least]->cost) least = l;
        if (r <= heap->count && heap->slots[r]->cost < heap->slots[least]->cost) least = r;
        if (least == slot) return;
        CollapseCandidate* moved = heap->slots[slot];
        Place(heap, slot, heap->slots[least]);
        Place(heap, least, moved);
        slot = least;
    }
}

CollapseCandidate* PopCostHeap(CostHeap* heap)
{
    if (heap->count < 1) return nullptr;
    CollapseCandidate* top = heap->slots[1];
    top->slot = -1;
    CollapseCandidate* last = heap->slots[heap->count--];
    if (heap->count >= 1) {
        Place(heap, 1, last);
        SiftDownCostHeap(heap, 1);
    }
    return top;
}

void UpdateCostHeap(CostHeap* heap, int32_t slot, double cost)
{
    if (slot < 1 || slot > heap->count) return;
    heap->slots[slot]->cost = cost;
    CollapseCandidate* r = heap->slots[slot];
    SiftUp(heap, slot);
    SiftDownCostHeap(heap, r->slot);
}

void RemoveFromCostHeap(CostHeap* heap, int32_t slot)
{
    if (slot < 1 || slot > heap->count) return;
    UpdateCostHeap(heap, slot, -0.5);
    PopCostHeap(heap);
}

void FreeCostHeap(CostHeap* heap)
{
    NBLFree(heap->slots);
    heap->slots = nullptr;
    heap->count = heap->capacity = 0;
}

// Unlinks the first entry naming `other` from a point's list.
static bool Unlink(PointAdjacency* list, int32_t other)
{
    for (AdjacencyNode** at = &list->head; *at; at = &(*at)->next) {
        if ((*at)->point == other) {
            *at = (*at)->next;
            list->count--;
            return true;
        }
    }
    return false;
}

static void Recompute(CollapseCandidate* rec, int32_t n, int32_t k, const TINModel* tin,
                      const PointQuadric* quadrics, CostHeap* heap)
{
    PointQuadric q = Sum(quadrics[n], quadrics[k]);
    double j = std::max((double)rec->cost, ErrorAt(q, tin, k));
    double kk = ErrorAt(q, tin, n);
    if (j > kk) {
        rec->cost = j; rec->removed = n; rec->kept = k;
    } else {
        rec->cost = kk; rec->removed = k; rec->kept = n;
    }
    SiftDownCostHeap(heap, rec->slot);
}

void CollapseEdge(CollapseCandidate* record, TINModel* tin, PointQuadric* quadrics, CollapseCandidate* candidates,
                  CostHeap* heap)
{
    int32_t r = record->removed, k = record->kept;
    quadrics[k] = Sum(quadrics[k], quadrics[r]);
    PointAdjacency* lists = tin->adjacency;
    const int32_t* marks = tin->pointMarkers;

    Unlink(&lists[r], k);
    for (AdjacencyNode* e = lists[r].head; e; e = e->next) {
        int32_t n = e->point;
        if (marks[n]) continue;
        CollapseCandidate* rec = &candidates[e->edge];
        if (rec->slot > 0) Recompute(rec, n, k, tin, quadrics, heap);
        for (AdjacencyNode* back = lists[n].head; back; back = back->next)
            if (back->point == r) {
                back->point = k;
                break;
            }
    }
    Unlink(&lists[k], r);
    for (AdjacencyNode* e = lists[k].head; e; e = e->next) {
        int32_t n = e->point;
        CollapseCandidate* rec = &candidates[e->edge];
        if (!marks[n] && rec->slot > 0) Recompute(rec, n, k, tin, quadrics, heap);
    }
    // Neighbours r and k shared now have two edges to k: drop one of each pair.
    int dropped = 0;
    for (AdjacencyNode* e = lists[r].head; e && dropped < 2; e = e->next) {
        int32_t c = e->point;
        AdjacencyNode** at = &lists[k].head;
        while (*at) {
            if ((*at)->point != c) {
                at = &(*at)->next;
                continue;
            }
            *at = (*at)->next;
            lists[k].count--;
            for (AdjacencyNode* back = lists[c].head; back; back = back->next)
                if (back->point == k) {
                    RemoveFromCostHeap(heap, candidates[back->edge].slot);
                    break;
                }
            dropped++;
        }
    }
}

// Vertical distance from p to the triangle's plane when p lies in the
// triangle's footprint; -1 otherwise.
static double DistanceInTriangle(const PointRecord* const v[3], const PointRecord* p)
{
    double d = (v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) - (v[2]->x - v[0]->x) * (v[1]->y - v[0]->y);
    if (d == 0) return -1;
    double a = ((v[1]->x - p->x) * (v[2]->y - p->y) - (v[2]->x - p->x) * (v[1]->y - p->y)) / d;
    double b = ((v[2]->x - p->x) * (v[0]->y - p->y) - (v[0]->x - p->x) * (v[2]->y - p->y)) / d;
    double c = 1 - a - b;
    const double edge = -1e-9;
    if (a < edge || b < edge || c < edge) return -1;
    return std::fabs(a * v[0]->z + b * v[1]->z + c * v[2]->z - p->z);
}

// One check of the thinned points against the TIN of the key points: those
// farther than the accuracy become key points again. Returns how many.
static int RestoreFarPoints(PointSelection* tile, double accuracy)
{
    PointSelection* keys = CreatePointSelection(tile->count);
    if (!keys) return 0;
    keys->count = 0;
    for (int32_t i = 0; i < tile->count; i++)
        if (tile->items[i]->classification != kThinnedClass) keys->items[keys->count++] = tile->items[i];
    TINModel* tin = keys->count >= 3 ? TriangulateSelection(keys, "nQz", 0) : nullptr;
    int restored = 0;
    if (tin && tin->triangleCount > 0) {
        // Triangles bucketed by their boxes over a grid of about two a cell.
        double minX = tile->items[0]->x, maxX = minX, minY = tile->items[0]->y, maxY = minY;
        for (int32_t i = 0; i < tile->count; i++) {
            minX = std::min(minX, tile->items[i]->x);
            maxX = std::max(maxX, tile->items[i]->x);
            minY = std::min(minY, tile->items[i]->y);
            maxY = std::max(maxY, tile->items[i]->y);
        }
        int side = std::max(1, (int)std::sqrt(tin->triangleCount / 2.0));
        double cw = (maxX - minX) / side + 1e-9, ch = (maxY - minY) / side + 1e-9;
        auto column = [&](double x) { return std::min(side - 1, std::max(0, (int)((x - minX) / cw))); };
        auto row = [&](double y) { return std::min(side - 1, std::max(0, (int)((y - minY) / ch))); };
        std::vector<std::vector<int32_t>> cells((size_t)side * side);
        for (int32_t t = 0; t < tin->triangleCount; t++) {
            const PointRecord* v[3];
            for (int k = 0; k < 3; k++) v[k] = keys->items[tin->triangles[3 * t + k]];
            int c0 = column(std::min(v[0]->x, std::min(v[1]->x, v[2]->x)));
            int c1 = column(std::max(v[0]->x, std::max(v[1]->x, v[2]->x)));
            int r0 = row(std::min(v[0]->y, std::min(v[1]->y, v[2]->y)));
            int r1 = row(std::max(v[0]->y, std::max(v[1]->y, v[2]->y)));
            for (int r = r0; r <= r1; r++)
                for (int c = c0; c <= c1; c++) cells[(size_t)r * side + c].push_back(t);
        }
        // Only the farthest point of each triangle comes back: one point often
        // brings its neighbours within the accuracy.
        std::vector<PointRecord*> worst((size_t)tin->triangleCount, nullptr);
        std::vector<double> worstDistance((size_t)tin->triangleCount, accuracy);
        for (int32_t i = 0; i < tile->count; i++) {
            PointRecord* p = tile->items[i];
            if (p->classification != kThinnedClass) continue;
            for (int32_t t : cells[(size_t)row(p->y) * side + column(p->x)]) {
                const PointRecord* v[3];
                for (int k = 0; k < 3; k++) v[k] = keys->items[tin->triangles[3 * t + k]];
                double d = DistanceInTriangle(v, p);
                if (d < 0) continue;
                if (d > worstDistance[(size_t)t]) {
                    worstDistance[(size_t)t] = d;
                    worst[(size_t)t] = p;
                }
                break;
            }
        }
        for (PointRecord* p : worst)
            if (p) {
                p->classification = WORK_GROUND;
                restored++;
            }
    }
    if (tin) FreeTINModel(tin, 0);
    FreePointSelection(keys);
    return restored;
}

int StepFindKeyPoints(PointSelection* tile, SurfaceMagicSettings* settings)
{
    // The accuracy is a distance in the data's units and the quadric error a
    // sum of squared distances: compare like with like.
    double tolerance = (double)settings->thinError * settings->thinError;
    TINModel* tin = BuildKeyPointTin(tile);
    if (!tin) return 0;
    PointQuadric* quadrics = ComputeVertexQuadrics(tin);
    CollapseCandidate* candidates = quadrics ? ComputeEdgeCollapseCosts(tin, quadrics) : nullptr;
    CostHeap heap = {};
    int removed = 0;
    if (candidates && BuildCostHeap(&heap, tin, candidates)) {
        const int32_t* marks = tin->pointMarkers;
        while (CollapseCandidate* record = PopCostHeap(&heap)) {
            if (!(record->cost <= tolerance)) break;
            // Hull and ring points stay whatever the accuracy.
            if (marks[record->removed] || marks[record->kept]) continue;
            PointRecord* p = tile->items[record->removed];
            if (record->cost < 0 || p->classification == kThinnedClass) continue;
            p->classification = kThinnedClass;
            CollapseEdge(record, tin, quadrics, candidates, &heap);
            removed++;
        }
    }
    FreeCostHeap(&heap);
    NBLFree(candidates);
    NBLFree(quadrics);
    FreeKeyPointTin(tin);
    // A collapse's cost measures the removed point against the planes its
    // quadric gathered, not against the surface that is left; so the key
    // points' TIN is checked and far points are kept, until none is far.
    for (int pass = 0; pass < 256 && removed > 0; pass++) {
        int restored = RestoreFarPoints(tile, settings->thinError);
        removed -= restored;
        if (restored == 0) break;
    }
    return removed;
}
