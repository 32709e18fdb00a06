// What the tiled filters of a Vivuzoz Oduri run share: the Delaunay TIN of a
// tile's ground candidates with its edges, per-point edge lists with hull
// rings, neighbour rings sorted by angle, the contour point on an edge, and the
// pass loop that re-triangulates the remaining candidates before every pass.
#pragma once
#include <cstdint>

struct PointRecord;
struct PointSelection;
struct TINModel;
struct PointAdjacency;

// Working classes the filters give their rejects.
enum : uint8_t {
    WORK_SPIKE = 3,           // Final Cleanup: spike or narrow ridge
    WORK_PIT = 4,             // BDB
    WORK_BUMP = 5,            // BDB bump; Final Cleanup pit
    WORK_BNEIGHBOR = 6,
    WORK_FDB = 7,
    WORK_AGG = 8,
    WORK_NOSE = 9,
    WORK_LMP = 10,            // LMP; curvature reject of Final Cleanup
    WORK_CUBIC = 12,
    WORK_CROSSING = 13,
    WORK_SADDLESPIKE = 17,
};

// "Qez" TIN of the selection's X, Y: triangles, edges and hull marks 1.
// 1 made; 0 for fewer than 3 points or no triangle (all on one line);
// kStepFailed when the memory ran out.
int TriangulateCandidates(PointSelection* selection, TINModel** out);
// Fills tin->adjacency from tin->edges (both ends of every edge, new entries
// at the head, heads and entries in one block) and widens the hull marks:
// 2 next to a 1, then 3 next to a 2, ... up to deepestMark (1: hull only).
// 0 when the memory ran out.
int  BuildTinEdgeLists(TINModel* tin, int32_t deepestMark);
void FreeTinEdgeLists(TINModel* tin);
// The lists and the TIN; never the selection or its points.
void FreeTinEdgeSet(TINModel* tin);
// Orders every point's neighbours counterclockwise by the angle at which the
// point is seen from them (from just past east); equal angles by point
// index, so that every run gives the same order. 0 when the memory ran out.
int SortRingByAngle(TINModel* tin);
// X, Y of the point at height z on the segment a-b, measured from its lower
// end; the middle when both ends are at one height.
void EdgePointAtZ(float z, const PointRecord* a, const PointRecord* b, double out[2]);

// One pass of a filter: the tile's remaining candidates and their TIN.
struct CandidatePass {
    PointSelection* candidates;
    TINModel* tin;
    int32_t* marks;           // 0 interior
    PointAdjacency* lists;
};

enum CandidatePassSetup { PASS_HULL_ONLY, PASS_RINGS, PASS_SORTED_RINGS };

// When a filter stops: after maxPasses passes (0: no bound), after a pass with
// fewer than stopBelow rejects; always after a pass without reject, since the
// next one would find the same candidates and reject nothing again.
struct PassRule {
    int32_t maxPasses;
    int32_t stopBelow;
    int32_t emptyGivesZero;   // no candidates or no TIN: 0 instead of the total so far
    int32_t setup;            // CandidatePassSetup
};

// The rule of a filter whose setting `run` counts its passes: at most `run`
// passes when it is positive, else no bound and a stop after a pass with
// fewer than `stopBelowUnbounded` rejects.
PassRule CountedPassRule(int32_t run, int32_t stopBelowUnbounded, int32_t emptyGivesZero, int32_t setup);

// A pass's test: the number of points it reclassified, or kStepFailed.
typedef int (*CandidatePassTest)(CandidatePass* pass, void* context);

// The tile's entries that are still candidates: 1 with a selection, 0 when
// none is left, kStepFailed when the memory ran out.
int  SelectPassCandidates(PointSelection* tile, PointSelection** out);
// 1 ready; 0 no candidates or no TIN; kStepFailed when the memory ran out.
int  BeginCandidatePass(PointSelection* tile, int32_t setup, CandidatePass* pass);
void EndCandidatePass(CandidatePass* pass);
// The passes of a filter over one tile: the sum of the rejects, or kStepFailed.
int RunCandidatePasses(PointSelection* tile, const PassRule& rule, CandidatePassTest test, void* context);
// The same under CountedPassRule, where a count of 0 makes no pass (result 0).
int RunCountedPasses(PointSelection* tile, int32_t run, int32_t stopBelowUnbounded, int32_t emptyGivesZero,
                     int32_t setup, CandidatePassTest test, void* context);

// Degrees to radians with the program's pi.
double DegreesToRadians(double degrees);
