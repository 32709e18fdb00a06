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
#include "base/triangulate/triangulate.h"
#include <algorithm>
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

void ComputeLocalPoints(const PointSelection* points, Vec3* local)
{
    for (int32_t i = 0; i < points->count; i++) local[i] = LocalPoint(points, i);
}

TINModel* BuildKeyPointTin(PointSelection* points, const Vec3* local)
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
        for (int k = 0; k < 3; k++) p[k] = local[tin->triangles[3 * t + k]];
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

static double ErrorAt(const PointQuadric& q, const Vec3* local, int32_t point)
{
    const Vec3& v = local[point];
    return QuadricError(q, v.x, v.y, v.z);
}

CollapseCandidate* ComputeEdgeCollapseCosts(const TINModel* tin, const PointQuadric* quadrics, const Vec3* local)
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
        double ea = ErrorAt(q, local, a), eb = ErrorAt(q, local, b);
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

static void Recompute(CollapseCandidate* rec, int32_t n, int32_t k, const Vec3* local,
                      const PointQuadric* quadrics, CostHeap* heap)
{
    PointQuadric q = Sum(quadrics[n], quadrics[k]);
    double j = std::max((double)rec->cost, ErrorAt(q, local, k));
    double kk = ErrorAt(q, local, n);
    if (j > kk) {
        rec->cost = j; rec->removed = n; rec->kept = k;
    } else {
        rec->cost = kk; rec->removed = k; rec->kept = n;
    }
    SiftDownCostHeap(heap, rec->slot);
}

void CollapseEdge(CollapseCandidate* record, TINModel* tin, PointQuadric* quadrics, CollapseCandidate* candidates,
                  CostHeap* heap, const Vec3* local)
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
        if (rec->slot > 0) Recompute(rec, n, k, local, quadrics, heap);
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
        if (!marks[n] && rec->slot > 0) Recompute(rec, n, k, local, quadrics, heap);
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

// A tile's point as the checks read it, copied once from its record.
struct TilePoint {
    double x, y;
    float z;
};

// Vertical distance from p to the triangle's plane when p lies in the
// triangle's footprint; -1 otherwise.
static double DistanceInTriangle(const TilePoint* const v[3], const TilePoint* p)
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

// What the checks of one tile share from pass to pass: the tile's points in
// its order, which of them are thinned, and the working arrays.
struct FarPointCheck {
    std::vector<TilePoint> points;
    std::vector<uint8_t> thinned;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;   // the tile's box
    std::vector<int32_t> keys;                       // tile positions of the key points
    std::vector<int32_t> cellStarts, cellTriangles, cellRanges;
    std::vector<int32_t> worst;                      // tile position, -1 for none
    std::vector<double> worstDistance;
};

// The triangles of the key points' X, Y as TriangulateSelection gives them
// ("Qz"), from the tile's copies of the coordinates; null when none.
static int32_t* TriangulateKeys(const FarPointCheck& check, int32_t* triangleCount)
{
    *triangleCount = 0;
    int32_t n = (int32_t)check.keys.size();
    TriangulateIO* in = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    TriangulateIO* out = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    double* xy = (double*)NBLMalloc((uint64_t)n * 2 * sizeof(double));
    if (!in || !out || !xy) {
        NBLFree(in);
        NBLFree(out);
        NBLFree(xy);
        return nullptr;
    }
    for (int32_t k = 0; k < n; k++) {
        const TilePoint& p = check.points[(size_t)check.keys[(size_t)k]];
        xy[2 * k] = p.x;
        xy[2 * k + 1] = p.y;
    }
    in->points = xy;
    in->pointCount = n;
    out->points = xy;   // written back in place
    RunTriangulation("Qz", in, out, nullptr, 0);
    int32_t* triangles = out->triangles;
    *triangleCount = triangles ? out->triangleCount : 0;
    out->triangles = nullptr;
    out->points = nullptr;
    FreeTriangulateIO(in);
    FreeTriangulateIO(out);
    return triangles;
}

// One check of the thinned points against the TIN of the key points: those
// farther than the accuracy become key points again. Returns how many.
static int RestoreFarPoints(PointSelection* tile, double accuracy, FarPointCheck& check)
{
    check.keys.clear();
    for (int32_t i = 0; i < tile->count; i++)
        if (!check.thinned[(size_t)i]) check.keys.push_back(i);
    int32_t triangleCount = 0;
    int32_t* triangles = check.keys.size() >= 3 ? TriangulateKeys(check, &triangleCount) : nullptr;
    int restored = 0;
    if (triangles && triangleCount > 0) {
        const TilePoint* points = check.points.data();
        const int32_t* keys = check.keys.data();
        auto corner = [&](int32_t t, int k) { return &points[keys[triangles[3 * t + k]]]; };
        // Triangles bucketed by their boxes over a grid of about two a cell,
        // each cell's in triangle order.
        double minX = check.minX, minY = check.minY;
        int side = std::max(1, (int)std::sqrt(triangleCount / 2.0));
        double cw = (check.maxX - minX) / side + 1e-9, ch = (check.maxY - minY) / side + 1e-9;
        auto column = [&](double x) { return std::min(side - 1, std::max(0, (int)((x - minX) / cw))); };
        auto row = [&](double y) { return std::min(side - 1, std::max(0, (int)((y - minY) / ch))); };
        std::vector<int32_t>& starts = check.cellStarts;
        std::vector<int32_t>& cells = check.cellTriangles;
        starts.assign((size_t)side * side + 1, 0);
        // Each triangle's cell range, kept for the second walk.
        std::vector<int32_t>& ranges = check.cellRanges;
        ranges.resize((size_t)triangleCount * 4);
        for (int32_t t = 0; t < triangleCount; t++) {
            const TilePoint* v[3] = {corner(t, 0), corner(t, 1), corner(t, 2)};
            int32_t* r = &ranges[(size_t)t * 4];
            r[0] = column(std::min(v[0]->x, std::min(v[1]->x, v[2]->x)));
            r[1] = column(std::max(v[0]->x, std::max(v[1]->x, v[2]->x)));
            r[2] = row(std::min(v[0]->y, std::min(v[1]->y, v[2]->y)));
            r[3] = row(std::max(v[0]->y, std::max(v[1]->y, v[2]->y)));
            for (int y = r[2]; y <= r[3]; y++)
                for (int x = r[0]; x <= r[1]; x++) starts[(size_t)y * side + x + 1]++;
        }
        for (size_t i = 1; i < starts.size(); i++) starts[i] += starts[i - 1];
        cells.resize((size_t)starts.back());
        for (int32_t t = 0; t < triangleCount; t++) {
            const int32_t* r = &ranges[(size_t)t * 4];
            for (int y = r[2]; y <= r[3]; y++)
                for (int x = r[0]; x <= r[1]; x++) cells[(size_t)starts[(size_t)y * side + x]++] = t;
        }
        // The fill moved every start to the next cell's: shift them back.
        for (size_t i = starts.size() - 1; i > 0; i--) starts[i] = starts[i - 1];
        starts[0] = 0;
        // Only the farthest point of each triangle comes back: one point often
        // brings its neighbours within the accuracy.
        std::vector<int32_t>& worst = check.worst;
        std::vector<double>& worstDistance = check.worstDistance;
        worst.assign((size_t)triangleCount, -1);
        worstDistance.assign((size_t)triangleCount, accuracy);
        for (int32_t i = 0; i < tile->count; i++) {
            if (!check.thinned[(size_t)i]) continue;
            const TilePoint* p = &points[i];
            size_t cell = (size_t)row(p->y) * side + column(p->x);
            for (int32_t j = starts[cell]; j < starts[cell + 1]; j++) {
                int32_t t = cells[(size_t)j];
                const TilePoint* v[3] = {corner(t, 0), corner(t, 1), corner(t, 2)};
                double d = DistanceInTriangle(v, p);
                if (d < 0) continue;
                if (d > worstDistance[(size_t)t]) {
                    worstDistance[(size_t)t] = d;
                    worst[(size_t)t] = i;
                }
                break;
            }
        }
        for (int32_t i : worst)
            if (i >= 0) {
                tile->items[i]->classification = WORK_GROUND;
                check.thinned[(size_t)i] = 0;
                restored++;
            }
    }
    NBLFree(triangles);
    return restored;
}

int StepFindKeyPoints(PointSelection* tile, SurfaceMagicSettings* settings)
{
    // The accuracy is a distance in the data's units and the quadric error a
    // sum of squared distances: compare like with like.
    double tolerance = (double)settings->thinError * settings->thinError;
    // Local copies of the points: the records lie scattered over the whole set.
    std::vector<Vec3> local((size_t)std::max(tile->count, 1));
    ComputeLocalPoints(tile, local.data());
    TINModel* tin = BuildKeyPointTin(tile, local.data());
    if (!tin) return 0;
    PointQuadric* quadrics = ComputeVertexQuadrics(tin);
    CollapseCandidate* candidates = quadrics ? ComputeEdgeCollapseCosts(tin, quadrics, local.data()) : nullptr;
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
            CollapseEdge(record, tin, quadrics, candidates, &heap, local.data());
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
    FarPointCheck check;
    if (removed > 0) {
        check.points.resize((size_t)tile->count);
        check.thinned.resize((size_t)tile->count);
        check.minX = check.maxX = tile->items[0]->x;
        check.minY = check.maxY = tile->items[0]->y;
        for (int32_t i = 0; i < tile->count; i++) {
            const PointRecord* p = tile->items[i];
            check.points[(size_t)i] = {p->x, p->y, p->z};
            check.thinned[(size_t)i] = p->classification == kThinnedClass;
            check.minX = std::min(check.minX, p->x);
            check.maxX = std::max(check.maxX, p->x);
            check.minY = std::min(check.minY, p->y);
            check.maxY = std::max(check.maxY, p->y);
        }
    }
    for (int pass = 0; pass < 256 && removed > 0; pass++) {
        int restored = RestoreFarPoints(tile, settings->thinError, check);
        removed -= restored;
        if (restored == 0) break;
    }
    return removed;
}
