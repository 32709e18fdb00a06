// The neighbourhood filters AGG, FDB, BDB, Nose, Cubic and BNeighbor.
#include "classify/surface_filters.h"
#include "classify/candidate_tin.h"
#include "classify/surface_analysis.h"
#include "classify/surface_settings.h"
#include "classify/groundtin_screen.h"
#include "base/heap.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>

namespace {

const PointRecord* Point(const CandidatePass* p, int32_t i) { return p->candidates->items[i]; }
float Z(const CandidatePass* p, int32_t i) { return p->candidates->items[i]->z; }

double HorizontalLength(const CandidatePass* p, int32_t a, int32_t b)
{
    const PointRecord* pa = Point(p, a);
    const PointRecord* pb = Point(p, b);
    return std::hypot(pa->x - pb->x, pa->y - pb->y);
}

// Gives point i the class; 1 when it was still a candidate.
int Reject(CandidatePass* p, int32_t i, uint8_t workClass)
{
    PointRecord* r = p->candidates->items[i];
    if (r->classification != WORK_GROUND) return 0;
    r->classification = workClass;
    return 1;
}

bool Interior(const CandidatePass* p, int32_t i) { return p->marks[i] == 0; }

// Lowest and highest neighbour of a point.
void NeighbourRange(const CandidatePass* p, int32_t i, float* minZ, float* maxZ)
{
    *minZ = 65536.0f;
    *maxZ = -65536.0f;
    for (AdjacencyNode* e = p->lists[i].head; e; e = e->next) {
        *minZ = std::min(*minZ, Z(p, e->point));
        *maxZ = std::max(*maxZ, Z(p, e->point));
    }
}

// ---- AGG ------------------------------------------------------------------------------

int AggPass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    const TINModel* tin = p->tin;
    double* angle = (double*)NBLMalloc((uint64_t)tin->edgeCount * sizeof(double) + 1);
    if (!angle) return kStepFailed;
    for (int32_t e = 0; e < tin->edgeCount; e++) {
        int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
        angle[e] = std::atan2((double)Z(p, a) - Z(p, b), HorizontalLength(p, a, b));
    }
    int rejects = 0;
    for (int32_t i = 0; i < p->candidates->count; i++) {
        if (!Interior(p, i) || p->lists[i].count == 0) continue;
        // The angle at which i lies above each neighbour.
        double sum = 0;
        for (AdjacencyNode* e = p->lists[i].head; e; e = e->next) {
            double above = tin->edges[2 * e->edge] == i ? angle[e->edge] : -angle[e->edge];
            sum += std::min((double)s->aggAngleCap, above);
        }
        if (sum / p->lists[i].count > s->aggChange) rejects += Reject(p, i, WORK_AGG);
    }
    NBLFree(angle);
    return rejects;
}

// ---- FDB, BDB ---------------------------------------------------------------------------

int FdbPass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    float limit = ScaledHeight(s, s->fdbZ);
    int rejects = 0;
    for (int32_t i = 0; i < p->candidates->count; i++) {
        if (!Interior(p, i) || p->lists[i].count == 0) continue;
        float minZ, maxZ;
        NeighbourRange(p, i, &minZ, &maxZ);
        if (maxZ < Z(p, i) - limit) rejects += Reject(p, i, WORK_FDB);
    }
    return rejects;
}

int BdbPass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    float bump = ScaledHeight(s, s->bdbBumpZ), pit = ScaledHeight(s, s->bdbPitZ);
    int rejects = 0;
    for (int32_t i = 0; i < p->candidates->count; i++) {
        if (!Interior(p, i) || p->lists[i].count == 0) continue;
        float minZ, maxZ;
        NeighbourRange(p, i, &minZ, &maxZ);
        if (s->bdbBumpTest && maxZ < Z(p, i) - bump) rejects += Reject(p, i, WORK_BUMP);
        else if (s->bdbPitTest && minZ > Z(p, i) + pit) rejects += Reject(p, i, WORK_PIT);
    }
    return rejects;
}

// ---- Nose, Cubic ------------------------------------------------------------------------

// A point with one neighbour above it and all but at most one of the others
// far below: the tip of a nose sticking out of the surface.
int NosePass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    float limit = 2 * ScaledHeight(s, s->noseZ);
    int rejects = 0;
    for (int32_t i = 0; i < p->candidates->count; i++) {
        int32_t edges = p->lists[i].count;
        if (!Interior(p, i) || edges <= 2) continue;
        float z = Z(p, i);
        int above = 0, steep = 0;
        for (AdjacencyNode* e = p->lists[i].head; e && above < 2; e = e->next) {
            float zn = Z(p, e->point);
            if (zn >= z) above++;
            else if (z - zn >= limit) steep++;
        }
        if (above == 1 && steep >= edges - 2) rejects += Reject(p, i, WORK_NOSE);
    }
    return rejects;
}

// A point above the box of its neighbours by more than a share of the box's height.
int CubicPass(CandidatePass* p, void* context)
{
    const SurfaceMagicSettings* s = (const SurfaceMagicSettings*)context;
    int rejects = 0;
    for (int32_t i = 0; i < p->candidates->count; i++) {
        if (!Interior(p, i) || p->lists[i].count < 3) continue;
        const PointRecord* first = Point(p, p->lists[i].head->point);
        double minX = first->x, maxX = first->x, minY = first->y, maxY = first->y;
        float minZ, maxZ;
        NeighbourRange(p, i, &minZ, &maxZ);
        for (AdjacencyNode* e = p->lists[i].head; e; e = e->next) {
            const PointRecord* n = Point(p, e->point);
            minX = std::min(minX, n->x); maxX = std::max(maxX, n->x);
            minY = std::min(minY, n->y); maxY = std::max(maxY, n->y);
        }
        float z = Z(p, i);
        // A box without area says nothing; flat neighbours under the point
        // make any height above them too much.
        if (z <= maxZ || (maxX - minX) * (maxY - minY) <= 0) continue;
        bool reject = maxZ == minZ || ((double)z - minZ) / ((double)maxZ - minZ) > 1.0 + s->cubeThresh;
        if (reject) rejects += Reject(p, i, WORK_CUBIC);
    }
    return rejects;
}

// ---- BNeighbor --------------------------------------------------------------------------

struct BNeighborContext {
    const SurfaceMagicSettings* settings;
    float zLimit;
    double longEdge;
};

int BNeighborPass(CandidatePass* p, void* context)
{
    const BNeighborContext* c = (const BNeighborContext*)context;
    const TINModel* tin = p->tin;
    int32_t n = p->candidates->count;
    // Per edge its slope, or -1 when it is long (or has no length).
    float* slope = (float*)NBLMalloc((uint64_t)tin->edgeCount * sizeof(float) + 1);
    int32_t* hits = (int32_t*)NBLCalloc((uint64_t)n, sizeof(int32_t));
    int32_t* higher = (int32_t*)NBLCalloc((uint64_t)n, sizeof(int32_t));
    if (!slope || !hits || !higher) {
        NBLFree(slope);
        NBLFree(hits);
        NBLFree(higher);
        return kStepFailed;
    }
    for (int32_t e = 0; e < tin->edgeCount; e++) {
        int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
        float dz = Z(p, a) - Z(p, b);
        double length = HorizontalLength(p, a, b);
        bool isLong = std::sqrt((double)dz * dz + length * length) > c->longEdge;
        slope[e] = isLong || length <= 0 ? -1.0f : (float)(std::fabs(dz) / length);
    }
    for (int32_t j = 0; j < n; j++) {
        float best = 0;
        int32_t steepest = -1;
        for (AdjacencyNode* e = p->lists[j].head; e; e = e->next)
            if (slope[e->edge] > best) {
                best = slope[e->edge];
                steepest = e->point;
            }
        if (steepest < 0) continue;
        hits[steepest]++;
        if (Z(p, j) - Z(p, steepest) > c->zLimit) higher[steepest]++;
    }
    int rejects = 0;
    for (int32_t j = 0; j < n; j++) {
        int32_t edges = p->lists[j].count;
        if (!Interior(p, j) || edges == 0) continue;
        if (hits[j] >= BNeighborHitsNeeded(edges, c->settings->bnPercent) && hits[j] / 2 >= higher[j])
            rejects += Reject(p, j, WORK_BNEIGHBOR);
    }
    NBLFree(slope);
    NBLFree(hits);
    NBLFree(higher);
    return rejects;
}

}  // namespace

int StepAGG(PointSelection* tile, SurfaceMagicSettings* settings)
{
    return RunCountedPasses(tile, settings->aggIterate, 10, 0, PASS_RINGS, AggPass, settings);
}

int StepFDB(PointSelection* tile, SurfaceMagicSettings* settings)
{
    // A count of 0 or less sets no bound here.
    return RunCandidatePasses(tile, CountedPassRule(settings->fdbRun, 1, 0, PASS_RINGS), FdbPass, settings);
}

int StepBDB(PointSelection* tile, SurfaceMagicSettings* settings)
{
    int32_t n = settings->bdbRun;
    if (n == 0) return 0;
    PassRule rule = { n > 0 ? n : 1, 3, 0, PASS_RINGS };
    return RunCandidatePasses(tile, rule, BdbPass, settings);
}

int StepNose(PointSelection* tile, SurfaceMagicSettings* settings)
{
    return RunCountedPasses(tile, settings->noseRun, 2, 0, PASS_RINGS, NosePass, settings);
}

int StepCubic(PointSelection* tile, SurfaceMagicSettings* settings)
{
    PassRule rule = { 2, 0, 0, PASS_RINGS };
    return RunCandidatePasses(tile, rule, CubicPass, settings);
}

int32_t BNeighborHitsNeeded(int32_t edges, float percent)
{
    // The table of 0 .. 39 edges, computed the same way past it.
    int32_t needed = (int32_t)(edges * percent + 0.5f);
    return std::max(needed, 1);
}

int StepBNeighbor(PointSelection* tile, SurfaceMagicSettings* settings)
{
    int32_t n = settings->bnIterate;
    if (n <= 0) return 0;
    BNeighborContext c = { settings, ScaledHeight(settings, settings->bnZThresh),
                           (double)settings->bnDense * settings->pointSpacing };
    PassRule rule = { n, 1, 0, PASS_HULL_ONLY };
    return RunCandidatePasses(tile, rule, BNeighborPass, &c);
}
