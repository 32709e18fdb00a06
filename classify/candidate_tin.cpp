// The candidates' TIN, its edge lists and rings, and the filters' pass loop.
#include "classify/candidate_tin.h"
#include "classify/surface_analysis.h"
#include "classify/groundtin_screen.h"
#include "base/heap.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

static const double kPi = std::acos(-1.0);

double DegreesToRadians(double degrees) { return degrees * kPi / 180.0; }

int TriangulateCandidates(PointSelection* selection, TINModel** out)
{
    *out = nullptr;
    if (!selection || selection->count < 3) return 0;
    TINModel* tin = TriangulateSelection(selection, "Qez", 0);
    if (!tin) return kStepFailed;
    if (tin->triangleCount == 0 || !tin->pointMarkers || !tin->edges) {
        FreeTINModel(tin, 0);
        return 0;
    }
    *out = tin;
    return 1;
}

int BuildTinEdgeLists(TINModel* tin, int32_t deepestMark)
{
    int32_t n = tin->points->count;
    uint64_t bytes = (uint64_t)n * sizeof(PointAdjacency) + (uint64_t)tin->edgeCount * 2 * sizeof(AdjacencyNode);
    char* block = (char*)NBLMalloc(bytes);
    if (!block) return 0;
    PointAdjacency* lists = (PointAdjacency*)block;
    AdjacencyNode* nodes = (AdjacencyNode*)(block + (uint64_t)n * sizeof(PointAdjacency));
    memset(lists, 0, (size_t)n * sizeof(PointAdjacency));
    tin->adjacency = lists;
    for (int32_t e = 0; e < tin->edgeCount; e++) {
        int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
        AdjacencyNode* na = &nodes[2 * e];
        AdjacencyNode* nb = &nodes[2 * e + 1];
        na->point = b; na->edge = e; na->next = lists[a].head; lists[a].head = na; lists[a].count++;
        nb->point = a; nb->edge = e; nb->next = lists[b].head; lists[b].head = nb; lists[b].count++;
    }
    // Each pass spreads only the mark it starts from, one edge inwards.
    int32_t* marks = tin->pointMarkers;
    for (int32_t from = 1; from < deepestMark; from++) {
        for (int32_t e = 0; e < tin->edgeCount; e++) {
            int32_t a = tin->edges[2 * e], b = tin->edges[2 * e + 1];
            if (marks[a] == from && marks[b] == 0) marks[b] = from + 1;
            else if (marks[b] == from && marks[a] == 0) marks[a] = from + 1;
        }
    }
    return 1;
}

void FreeTinEdgeLists(TINModel* tin)
{
    NBLFree(tin->adjacency);   // heads and entries are one block
    tin->adjacency = nullptr;
}

void FreeTinEdgeSet(TINModel* tin)
{
    if (!tin) return;
    FreeTinEdgeLists(tin);
    FreeTINModel(tin, 0);
}

namespace {
struct RingEntry {
    float angle;
    int32_t point;
    int32_t edge;
};
}  // namespace

int SortRingByAngle(TINModel* tin)
{
    PointRecord** items = tin->points->items;
    std::vector<RingEntry> ring;
    try {
        ring.reserve(64);
    } catch (...) {
        return 0;
    }
    for (int32_t j = 0; j < tin->points->count; j++) {
        PointAdjacency& list = tin->adjacency[j];
        ring.clear();
        for (AdjacencyNode* e = list.head; e; e = e->next) {
            const PointRecord* o = items[e->point];
            float angle = (float)std::atan2(items[j]->y - o->y, items[j]->x - o->x);
            try {
                ring.push_back({ angle, e->point, e->edge });
            } catch (...) {
                return 0;
            }
        }
        std::sort(ring.begin(), ring.end(), [](const RingEntry& a, const RingEntry& b) {
            return a.angle != b.angle ? a.angle < b.angle : a.point < b.point;
        });
        size_t k = 0;
        for (AdjacencyNode* e = list.head; e; e = e->next, k++) {
            e->point = ring[k].point;
            e->edge = ring[k].edge;
        }
    }
    return 1;
}

void EdgePointAtZ(float z, const PointRecord* a, const PointRecord* b, double out[2])
{
    const PointRecord* low = a;
    const PointRecord* high = b;
    if (b->z < a->z) std::swap(low, high);
    double f = high->z != low->z ? ((double)z - low->z) / ((double)high->z - low->z) : 0.5;
    out[0] = low->x + f * (high->x - low->x);
    out[1] = low->y + f * (high->y - low->y);
}

int SelectPassCandidates(PointSelection* tile, PointSelection** out)
{
    *out = nullptr;
    int32_t remaining = 0;
    for (int32_t k = 0; k < tile->count; k++) remaining += tile->items[k]->classification == WORK_GROUND;
    if (remaining == 0) return 0;
    // The selection is null both when nothing is left and when the heap is out.
    *out = SelectGroundCandidates(tile);
    return *out ? 1 : kStepFailed;
}

int BeginCandidatePass(PointSelection* tile, int32_t setup, CandidatePass* pass)
{
    memset(pass, 0, sizeof(*pass));
    int selected = SelectPassCandidates(tile, &pass->candidates);
    if (selected <= 0) return selected;
    int made = TriangulateCandidates(pass->candidates, &pass->tin);
    if (made <= 0) {
        EndCandidatePass(pass);
        return made;
    }
    if (!BuildTinEdgeLists(pass->tin, setup == PASS_HULL_ONLY ? 1 : 4) ||
        (setup == PASS_SORTED_RINGS && !SortRingByAngle(pass->tin))) {
        EndCandidatePass(pass);
        return kStepFailed;
    }
    pass->marks = pass->tin->pointMarkers;
    pass->lists = pass->tin->adjacency;
    return 1;
}

void EndCandidatePass(CandidatePass* pass)
{
    FreeTinEdgeSet(pass->tin);
    FreePointSelection(pass->candidates);
    memset(pass, 0, sizeof(*pass));
}

PassRule CountedPassRule(int32_t run, int32_t stopBelowUnbounded, int32_t emptyGivesZero, int32_t setup)
{
    return { run > 0 ? run : 0, run > 0 ? 1 : stopBelowUnbounded, emptyGivesZero, setup };
}

int RunCandidatePasses(PointSelection* tile, const PassRule& rule, CandidatePassTest test, void* context)
{
    int total = 0;
    for (int32_t passes = 1;; passes++) {
        CandidatePass pass;
        int ready = BeginCandidatePass(tile, rule.setup, &pass);
        if (ready < 0) return ready;
        if (ready == 0) return rule.emptyGivesZero ? 0 : total;
        int rejects = test(&pass, context);
        EndCandidatePass(&pass);
        if (rejects < 0) return rejects;
        total += rejects;
        if (rejects == 0 || rejects < rule.stopBelow) break;
        if (rule.maxPasses > 0 && passes >= rule.maxPasses) break;
    }
    return total;
}

int RunCountedPasses(PointSelection* tile, int32_t run, int32_t stopBelowUnbounded, int32_t emptyGivesZero,
                     int32_t setup, CandidatePassTest test, void* context)
{
    if (run == 0) return 0;
    return RunCandidatePasses(tile, CountedPassRule(run, stopBelowUnbounded, emptyGivesZero, setup), test, context);
}
