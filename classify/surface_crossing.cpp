// The Crossing filter and the edge set it scores.
#include "classify/surface_crossing.h"
#include "classify/candidate_tin.h"
#include "classify/surface_analysis.h"
#include "classify/surface_settings.h"
#include "classify/groundtin_screen.h"
#include "base/heap.h"
#include "base/vector.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <cmath>
#include <cstring>

// Corners of the edge in each slot, first and second.
static const int kSlotCorners[3][2] = { { 1, 2 }, { 0, 2 }, { 0, 1 } };

int32_t FindNeighbourEdgeSlot(const int32_t* neighbours, int32_t triangle, int32_t slot, int32_t* neighbourSlot)
{
    *neighbourSlot = -1;
    int32_t across = neighbours[3 * triangle + slot];
    if (across < 0) return -2;
    for (int32_t k = 0; k < 3; k++)
        if (neighbours[3 * across + k] == triangle) {
            *neighbourSlot = k;
            return across;
        }
    return -2;
}

void FreeCrossingEdgeSet(CrossingEdgeSet* set)
{
    FreeTinEdgeSet(set->tin);
    NBLFree(set->triangleEdges);
    NBLFree(set->edges);
    memset(set, 0, sizeof(*set));
}

int BuildCrossingEdgeSet(PointSelection* selection, CrossingEdgeSet* set)
{
    memset(set, 0, sizeof(*set));
    if (!selection || selection->count < 3) return 0;
    TINModel* tin = TriangulateSelection(selection, "nQz", 0);
    if (!tin) return kStepFailed;
    set->tin = tin;
    if (tin->triangleCount == 0 || !tin->neighbors || !tin->pointMarkers) {
        FreeCrossingEdgeSet(set);
        return 0;
    }
    int32_t triangles = tin->triangleCount;
    set->triangleEdges = (int32_t*)NBLMalloc((uint64_t)triangles * 3 * sizeof(int32_t));
    set->edges = (CrossingEdge*)NBLMalloc(((uint64_t)triangles * 2 + 1) * sizeof(CrossingEdge));
    if (!set->triangleEdges || !set->edges) {
        FreeCrossingEdgeSet(set);
        return kStepFailed;
    }
    for (int32_t k = 0; k < triangles * 3; k++) set->triangleEdges[k] = -1;
    PointRecord** items = selection->items;
    set->originX = items[0]->x;
    set->originY = items[0]->y;
    for (int32_t t = 0; t < triangles; t++)
        for (int32_t k = 0; k < 3; k++) {
            if (set->triangleEdges[3 * t + k] >= 0) continue;
            int32_t index = set->edgeCount++;
            CrossingEdge& e = set->edges[index];
            e.first = tin->triangles[3 * t + kSlotCorners[k][0]];
            e.second = tin->triangles[3 * t + kSlotCorners[k][1]];
            e.triangle = t;
            e.slot = k;
            e.neighbour = FindNeighbourEdgeSlot(tin->neighbors, t, k, &e.neighbourSlot);
            if (e.neighbour < 0) e.neighbour = -1;
            double x1 = items[e.first]->x - set->originX, y1 = items[e.first]->y - set->originY;
            double x2 = items[e.second]->x - set->originX, y2 = items[e.second]->y - set->originY;
            e.length = (float)std::hypot(x1 - x2, y1 - y2);
            e.a = y2 - y1;
            e.b = -(x2 - x1);
            e.c = e.a * x1 + e.b * y1;
            set->triangleEdges[3 * t + k] = index;
            if (e.neighbour >= 0) set->triangleEdges[3 * e.neighbour + e.neighbourSlot] = index;
        }
    tin->edges = (int32_t*)NBLMalloc((uint64_t)set->edgeCount * 2 * sizeof(int32_t));
    if (!tin->edges) {
        FreeCrossingEdgeSet(set);
        return kStepFailed;
    }
    tin->edgeCount = set->edgeCount;
    for (int32_t k = 0; k < set->edgeCount; k++) {
        tin->edges[2 * k] = set->edges[k].first;
        tin->edges[2 * k + 1] = set->edges[k].second;
    }
    if (!BuildTinEdgeLists(tin, 4)) {
        FreeCrossingEdgeSet(set);
        return kStepFailed;
    }
    return 1;
}

// Where the line leaves triangle t through one of its edges other than
// `skip`; the first such edge in slot order.
static bool LeaveTriangle(const CrossingEdgeSet* set, int32_t t, int32_t skip, double a, double b, double c,
                          CrossingPoint* out)
{
    PointRecord** items = set->tin->points->items;
    for (int32_t u = 0; u < 3; u++) {
        if (u == skip) continue;
        const CrossingEdge& e = set->edges[set->triangleEdges[3 * t + u]];
        const PointRecord* p = items[set->tin->triangles[3 * t + kSlotCorners[u][0]]];
        const PointRecord* r = items[set->tin->triangles[3 * t + kSlotCorners[u][1]]];
        double rows[2][3] = { { a, b, c }, { e.a, e.b, e.c } };
        double at[2];
        if (!SolveSmallLinearSystem(at, rows)) continue;   // parallel: not crossed
        double px = p->x - set->originX, py = p->y - set->originY;
        double rx = r->x - set->originX, ry = r->y - set->originY;
        float s = (float)std::hypot(at[0] - px, at[1] - py);
        float sr = (float)std::hypot(at[0] - rx, at[1] - ry);
        if (s > e.length || sr > e.length) continue;
        out->x = at[0];
        out->y = at[1];
        out->z = r->z == p->z ? p->z : (float)(p->z + s * std::sin(std::atan2((double)r->z - p->z, e.length)));
        return true;
    }
    return false;
}

int FindPerpendicularCrossings(const CrossingEdgeSet* set, const CrossingEdge* edge, double a, double b, double c,
                               CrossingPoint out[2])
{
    if (edge->neighbour < 0) return 0;
    if (!LeaveTriangle(set, edge->triangle, edge->slot, a, b, c, &out[0])) return 0;
    if (!LeaveTriangle(set, edge->neighbour, edge->neighbourSlot, a, b, c, &out[1])) return 0;
    return 1;
}

namespace {

struct CrossingThresholds {
    double upper, lower;      // degrees
    double scale;             // "T * P/L" times the point spacing
    float perp, vert;
};

// Slope score of an edge, raised or lowered by how far it stands above or
// below the surface across it, and weighed by its length.
double ScoreEdge(const CrossingEdgeSet* set, const CrossingEdge& e, const CrossingThresholds& t)
{
    PointRecord** items = set->tin->points->items;
    const PointRecord* p1 = items[e.first];
    const PointRecord* p2 = items[e.second];
    double alpha = std::fabs(std::atan2((double)p1->z - p2->z, e.length));
    double degrees = alpha * 180.0 / std::acos(-1.0);
    double score = degrees > t.upper ? 2 : degrees > t.lower ? 1 : 0;
    if (e.length <= 0) return score;
    // The perpendicular through the middle: dx·x + dy·y = dx·mx + dy·my.
    double dx = p1->x - p2->x, dy = p1->y - p2->y;
    double mx = (p1->x + p2->x) / 2 - set->originX, my = (p1->y + p2->y) / 2 - set->originY;
    CrossingPoint across[2];
    if (!FindPerpendicularCrossings(set, &e, dx, dy, dx * mx + dy * my, across)) return score;
    double d = ((double)p1->z + p2->z) / 2 - ((double)across[0].z + across[1].z) / 2;
    if (d > t.vert) score += 1;
    else if (d < -t.vert) score -= 1;
    if (std::fabs(std::cos(alpha) * std::fabs(d)) > t.perp) score += 1;
    return t.scale / e.length * score;
}

int CrossingPass(CrossingEdgeSet* set, const CrossingThresholds& t)
{
    double* score = (double*)NBLCalloc((uint64_t)set->edgeCount + 1, sizeof(double));
    if (!score) return kStepFailed;
    for (int32_t k = 0; k < set->edgeCount; k++)
        if (set->edges[k].neighbour >= 0) score[k] = ScoreEdge(set, set->edges[k], t);
    const int32_t* marks = set->tin->pointMarkers;
    const PointAdjacency* lists = set->tin->adjacency;
    PointSelection* points = set->tin->points;
    int rejects = 0;
    for (int32_t p = 0; p < points->count; p++) {
        if (marks[p] != 0 || lists[p].count <= 2) continue;
        // A point beside the hull's rings is never judged.
        double sum = 0;
        for (AdjacencyNode* e = lists[p].head; e; e = e->next) {
            if (marks[e->point] != 0) {
                sum = 0;
                break;
            }
            sum += score[e->edge];
        }
        if (sum / lists[p].count >= 1.5 && points->items[p]->classification == WORK_GROUND) {
            points->items[p]->classification = WORK_CROSSING;
            rejects++;
        }
    }
    NBLFree(score);
    return rejects;
}

}  // namespace

int StepCrossing(PointSelection* tile, SurfaceMagicSettings* settings)
{
    CrossingThresholds t = { (double)settings->upperSlope, (double)settings->lowerSlope,
                             (double)settings->tpl * settings->pointSpacing,
                             ScaledHeight(settings, settings->perpThresh),
                             ScaledHeight(settings, settings->vertThresh) };
    int total = 0;
    for (int32_t pass = 0; pass < settings->crossRun; pass++) {
        PointSelection* candidates;
        int selected = SelectPassCandidates(tile, &candidates);
        if (selected <= 0) return selected < 0 ? selected : total;
        CrossingEdgeSet set;
        int made = BuildCrossingEdgeSet(candidates, &set);
        if (made <= 0) {
            FreePointSelection(candidates);
            return made < 0 ? made : total;
        }
        int rejects = CrossingPass(&set, t);
        FreeCrossingEdgeSet(&set);
        FreePointSelection(candidates);
        if (rejects < 0) return rejects;
        total += rejects;
        // The same candidates would score the same again.
        if (rejects == 0) break;
    }
    return total;
}
