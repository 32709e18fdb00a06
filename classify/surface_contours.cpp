// LMP, Final Cleanup and SaddleSpike: filters on each point's ring of
// neighbours sorted around it.
#include "classify/surface_contours.h"
#include "classify/candidate_tin.h"
#include "classify/surface_analysis.h"
#include "classify/surface_filters.h"
#include "classify/surface_settings.h"
#include "classify/groundtin_screen.h"
#include "base/heap.h"
#include "base/vector.h"
#include "base/triangulate/predicates.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>
#include <vector>

int PointInFanTriangle(const PointRecord* const corners[3], double x, double y)
{
    double a[2] = { corners[0]->x, corners[0]->y };
    double b[2] = { corners[1]->x, corners[1]->y };
    double c[2] = { corners[2]->x, corners[2]->y };
    double q[2] = { x, y };
    // The predicates' error bounds, should no triangulation have set them yet.
    ExactInit();
    double area = OrientationTest(0, a, b, c);
    if (area == 0) return 0;
    double s1 = OrientationTest(0, a, b, q), s2 = OrientationTest(0, b, c, q), s3 = OrientationTest(0, c, a, q);
    if (area < 0) {
        s1 = -s1;
        s2 = -s2;
        s3 = -s3;
    }
    return s1 >= 0 && s2 >= 0 && s3 >= 0;
}

int FanPlaneZ(const PointRecord* u, const PointRecord* const* ring, int32_t count, double x, double y, float* z)
{
    for (int32_t k = 0; k < count; k++) {
        const PointRecord* corners[3] = { u, ring[k], ring[(k + 1) % count] };
        if (!PointInFanTriangle(corners, x, y)) continue;
        // The plane through the three, about u.
        double ax = corners[1]->x - u->x, ay = corners[1]->y - u->y, az = (double)corners[1]->z - u->z;
        double bx = corners[2]->x - u->x, by = corners[2]->y - u->y, bz = (double)corners[2]->z - u->z;
        double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        if (nz == 0) continue;
        *z = (float)(u->z + (-nx * (x - u->x) - ny * (y - u->y)) / nz);
        return 1;
    }
    return 0;
}

namespace {

// A point's sorted ring, as indices and as records.
struct Ring {
    std::vector<int32_t> index;
    std::vector<const PointRecord*> points;
};

void LoadRing(const CandidatePass* p, int32_t u, Ring* ring)
{
    ring->index.clear();
    ring->points.clear();
    for (AdjacencyNode* e = p->lists[u].head; e; e = e->next) {
        ring->index.push_back(e->point);
        ring->points.push_back(p->candidates->items[e->point]);
    }
}

// Sum over the ring of the signed distances of the neighbours from the plane
// through u and its first two ring neighbours (positive above it). 0 when
// those three lie on one vertical plane.
double PlaneOffsetSum(const PointRecord* u, const Ring& ring)
{
    const PointRecord* f = ring.points[0];
    const PointRecord* g = ring.points[1];
    double fx = f->x - u->x, fy = f->y - u->y, fz = (double)f->z - u->z;
    double gx = g->x - u->x, gy = g->y - u->y, gz = (double)g->z - u->z;
    double nx = fy * gz - fz * gy, ny = fz * gx - fx * gz, nz = fx * gy - fy * gx;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length == 0) return 0;
    double sum = 0;
    for (const PointRecord* n : ring.points)
        sum += ((n->x - u->x) * nx + (n->y - u->y) * ny + ((double)n->z - u->z) * nz) / length;
    return sum;
}

bool Crosses(float a, float z, float b) { return (a < z && z < b) || (b < z && z < a); }

// The contour at u's height around its ring: the crossings of the consecutive
// pairs (counting stops past 2), the first two crossing points, and whether
// the closing pair (last, first) crosses too.
struct RingContour {
    int32_t crossings;
    bool closing;
    double at[2][2];
};

RingContour TraceContour(const PointRecord* u, const Ring& ring)
{
    RingContour c = {};
    size_t count = ring.points.size();
    for (size_t k = 0; k + 1 < count && c.crossings <= 2; k++) {
        const PointRecord* a = ring.points[k];
        const PointRecord* b = ring.points[k + 1];
        if (!Crosses(a->z, u->z, b->z)) continue;
        if (c.crossings < 2) EdgePointAtZ(u->z, a, b, c.at[c.crossings]);
        c.crossings++;
    }
    c.closing = Crosses(ring.points[count - 1]->z, u->z, ring.points[0]->z);
    return c;
}

int Reject(PointRecord* r, uint8_t workClass)
{
    if (r->classification != WORK_GROUND) return 0;
    r->classification = workClass;
    return 1;
}

// ---- LMP ------------------------------------------------------------------------------

enum { LMP_OPEN = 0, LMP_CLUSTER = 2, LMP_UNJUDGED = 3 };

int LmpPass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    float lumpZ = ScaledHeight(s, s->lumpZ), detect = ScaledHeight(s, s->lumpDetect);
    int32_t n = p->candidates->count;
    std::vector<double> offset;
    std::vector<int32_t> state;
    Ring ring;
    try {
        offset.assign((size_t)n, 0.0);
        state.assign((size_t)n, LMP_OPEN);
    } catch (...) {
        return kStepFailed;
    }
    for (int32_t u = 0; u < n; u++) {
        int32_t edges = p->lists[u].count;
        if (p->marks[u] != 0 || edges < 3) {
            state[u] = LMP_UNJUDGED;
            continue;
        }
        LoadRing(p, u, &ring);
        offset[u] = PlaneOffsetSum(p->candidates->items[u], ring) / edges;
    }
    // Two or more raised neighbours make a cluster: all of them are spared.
    for (int32_t u = 0; u < n; u++) {
        if (offset[u] <= detect) continue;
        int32_t raised = 0;
        bool judged = true;
        for (AdjacencyNode* e = p->lists[u].head; e; e = e->next) {
            if (state[e->point] == LMP_UNJUDGED) {
                judged = false;
                break;
            }
            raised += offset[e->point] > detect;
        }
        if (!judged || raised < 2) continue;
        state[u] = LMP_CLUSTER;
        for (AdjacencyNode* e = p->lists[u].head; e; e = e->next)
            if (offset[e->point] > detect) state[e->point] = LMP_CLUSTER;
    }
    int rejects = 0;
    for (int32_t u = 0; u < n; u++)
        if (state[u] == LMP_OPEN && offset[u] > lumpZ) rejects += Reject(p->candidates->items[u], WORK_LMP);
    return rejects;
}

// ---- Final Cleanup --------------------------------------------------------------------

struct CleanupThresholds {
    float zLimit;
    double wide, narrow, tilt;   // radians
    double unit;                 // one metre in the data's units
};

// The contour test of an interior point u with more than 2 edges, on the
// negated surface: true when u is a spike or narrow ridge there.
bool NarrowOrTilted(const PointRecord* u, const Ring& ring, double minD2, const CleanupThresholds& t)
{
    RingContour c = TraceContour(u, ring);
    if (c.crossings > 2) return false;
    if (c.closing) {
        if (c.crossings != 1) return false;
        EdgePointAtZ(u->z, ring.points.back(), ring.points.front(), c.at[1]);
    } else if (c.crossings != 2) {
        return false;
    }
    Vec3 c1 = { c.at[0][0] - u->x, c.at[0][1] - u->y, 0 };
    Vec3 c2 = { c.at[1][0] - u->x, c.at[1][1] - u->y, 0 };
    double lengths = Length2(&c1) * Length2(&c2);
    if (lengths <= 0) return false;
    double v = std::acos(std::max(-1.0, std::min(1.0, (double)Dot2(&c1, &c2) / lengths)));
    if (v < t.narrow) return true;
    if (v >= t.wide) return false;
    double e = std::sqrt(minD2) * 0.5;
    if (e <= 0) return false;
    double theta = std::atan2((c.at[0][1] + c.at[1][1]) / 2 - u->y, (c.at[0][0] + c.at[1][0]) / 2 - u->x);
    float z1, z2;
    // Without a fan triangle under either probe the tilt is unknown: no verdict.
    if (!FanPlaneZ(u, ring.points.data(), (int32_t)ring.points.size(), u->x + e * std::cos(theta),
                   u->y + e * std::sin(theta), &z1) ||
        !FanPlaneZ(u, ring.points.data(), (int32_t)ring.points.size(), u->x + e * std::cos(theta + std::acos(-1.0)),
                   u->y + e * std::sin(theta + std::acos(-1.0)), &z2))
        return false;
    return z2 < z1 && std::atan(((double)u->z - z2) / e - ((double)z1 - z2) / (2 * e)) > t.tilt;
}

int CleanupPass(CandidatePass* p, void* context)
{
    const CleanupThresholds& t = *(const CleanupThresholds*)context;
    int32_t n = p->candidates->count;
    std::vector<int32_t> curvature, above;
    Ring ring;
    try {
        curvature.assign((size_t)n, 0);
        above.assign((size_t)n, 0);
    } catch (...) {
        return kStepFailed;
    }
    int rejects = 0;
    for (int32_t u = 0; u < n; u++) {
        int32_t edges = p->lists[u].count;
        if (p->marks[u] != 0 || edges <= 2) continue;
        PointRecord* pu = p->candidates->items[u];
        LoadRing(p, u, &ring);
        // Mean offset in hundredths of a metre, whatever the data's units.
        curvature[u] = (int32_t)(100.0 * PlaneOffsetSum(pu, ring) / edges / t.unit);
        double minD2 = 3.37e38;
        float maxZ = -3.37e38f;
        for (const PointRecord* q : ring.points) {
            double dx = q->x - pu->x, dy = q->y - pu->y;
            minD2 = std::min(minD2, dx * dx + dy * dy);
            maxZ = std::max(maxZ, q->z);
            above[u] += q->z > pu->z;
        }
        if (above[u] == edges) continue;
        if (above[u] == 0) {
            if (maxZ < pu->z - t.zLimit) rejects += Reject(pu, WORK_BUMP);
            continue;
        }
        if (NarrowOrTilted(pu, ring, minD2, t)) rejects += Reject(pu, WORK_SPIKE);
    }
    for (int32_t u = 0; u < n; u++) {
        PointRecord* pu = p->candidates->items[u];
        if (above[u] > 1 || pu->classification != WORK_GROUND || p->marks[u] != 0 || p->lists[u].count <= 2)
            continue;
        int32_t around = 0;
        for (AdjacencyNode* e = p->lists[u].head; e; e = e->next) around += curvature[e->point];
        if (curvature[u] - around > 100) rejects += Reject(pu, WORK_LMP);
    }
    return rejects;
}

void NegateHeights(PointSelection* tile)
{
    for (int32_t k = 0; k < tile->count; k++) tile->items[k]->z = -tile->items[k]->z;
}

// ---- SaddleSpike ----------------------------------------------------------------------

enum { SHAPE_OTHER = 0, SHAPE_PEAK = 1, SHAPE_SADDLE = 2 };

int SaddleSpikePass(CandidatePass* p, void*)
{
    int32_t n = p->candidates->count;
    std::vector<int8_t> shape;
    Ring ring;
    try {
        shape.assign((size_t)n, SHAPE_OTHER);
    } catch (...) {
        return kStepFailed;
    }
    for (int32_t u = 0; u < n; u++) {
        int32_t edges = p->lists[u].count;
        if (p->marks[u] != 0 || edges <= 2) continue;
        const PointRecord* pu = p->candidates->items[u];
        LoadRing(p, u, &ring);
        int32_t above = 0;
        for (const PointRecord* q : ring.points) above += q->z > pu->z;
        if (above == edges) continue;
        if (above == 0) {
            shape[u] = SHAPE_PEAK;
            continue;
        }
        RingContour c = TraceContour(pu, ring);
        if (c.crossings + (c.closing ? 1 : 0) > 2) shape[u] = SHAPE_SADDLE;
    }
    int rejects = 0;
    for (int32_t u = 0; u < n; u++) {
        if (shape[u] != SHAPE_PEAK) continue;
        for (AdjacencyNode* e = p->lists[u].head; e; e = e->next)
            if (shape[e->point] == SHAPE_SADDLE) {
                rejects += Reject(p->candidates->items[u], WORK_SADDLESPIKE);
                break;
            }
    }
    return rejects;
}

}  // namespace

int StepLMP(PointSelection* tile, SurfaceMagicSettings* settings)
{
    return RunCountedPasses(tile, settings->lumpRun, 1, 1, PASS_SORTED_RINGS, LmpPass, settings);
}

int StepFinalCleanup(PointSelection* tile, SurfaceMagicSettings* settings)
{
    int32_t n = settings->combIter;
    if (n == 0) return 0;
    CleanupThresholds t = { ScaledHeight(settings, settings->bdbBumpZ), DegreesToRadians(settings->lrca),
                            DegreesToRadians(settings->lrcaTiny), DegreesToRadians(settings->udta),
                            ScaledHeight(settings, 1.0f) };
    // Pits of the data are peaks of the negated surface; every way out puts the heights back.
    NegateHeights(tile);
    int total = RunCandidatePasses(tile, CountedPassRule(n, 1, 1, PASS_SORTED_RINGS), CleanupPass, &t);
    int neighbours = total < 0 ? 0 : StepBNeighbor(tile, settings);
    NegateHeights(tile);
    if (total < 0) return total;
    if (neighbours < 0) return neighbours;
    return total + neighbours;
}

int StepSaddleSpike(PointSelection* tile, SurfaceMagicSettings* settings)
{
    if (settings->lumpRun == 0) return 0;
    return RunCandidatePasses(tile, CountedPassRule(settings->combIter, 1, 1, PASS_SORTED_RINGS), SaddleSpikePass,
                              nullptr);
}
