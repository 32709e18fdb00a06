// Key-point search: thins the ground candidates of one tile down to the points
// a surface of a given accuracy needs, by collapsing the cheapest edges of the
// candidates' TIN while the quadric error stays within the accuracy.
#pragma once
#include <cstdint>

struct PointSelection;
struct SurfaceMagicSettings;
struct TINModel;
struct Vec3;

// The class of candidates that are not key points.
constexpr uint8_t kThinnedClass = 16;

// Ten sums of plane products per point: a², ab, ac, ad, b², bc, bd, c², cd, d².
struct PointQuadric {
    double aa, ab, ac, ad, bb, bc, bd, cc, cd, dd;
};

// Costs are kept in double precision: an f32 cost reorders near-equal
// collapses between a file and its copy in other units.
struct CollapseCandidate {
    double  cost;
    int32_t removed;
    int32_t kept;
    int32_t slot;     // heap slot; -1 once out of the heap
};

struct CostHeap {
    CollapseCandidate** slots;   // slot 0 holds a sentinel of cost -1
    int32_t count;
    int32_t capacity;
    CollapseCandidate sentinel;
};

// The number of candidates given class 16 (not key points); 0 when fewer
// than 3. "Thin Error" is a distance in the data's units.
int StepFindKeyPoints(PointSelection* tile, SurfaceMagicSettings* settings);

// The points relative to the first one (X, Y, Z), one a point: the planes
// and errors are taken in these.
void ComputeLocalPoints(const PointSelection* points, Vec3* local);
// "eQz" TIN of the selection with hull marks, ring marks 2 and 3 and planes
// (from `local`, as ComputeLocalPoints gives it); null for a null selection
// or 2 points or fewer.
TINModel* BuildKeyPointTin(PointSelection* points, const Vec3* local);
PointQuadric* ComputeVertexQuadrics(const TINModel* tin);
// Error (sum of squared distances to the summed planes) of a quadric at p.
double QuadricError(const PointQuadric& q, double x, double y, double z);
CollapseCandidate* ComputeEdgeCollapseCosts(const TINModel* tin, const PointQuadric* quadrics, const Vec3* local);

int  BuildCostHeap(CostHeap* heap, const TINModel* tin, CollapseCandidate* candidates);
void PushCostHeap(CostHeap* heap, CollapseCandidate* record);
CollapseCandidate* PopCostHeap(CostHeap* heap);
void SiftDownCostHeap(CostHeap* heap, int32_t slot);
void UpdateCostHeap(CostHeap* heap, int32_t slot, double cost);
void RemoveFromCostHeap(CostHeap* heap, int32_t slot);
void FreeCostHeap(CostHeap* heap);

void CollapseEdge(CollapseCandidate* record, TINModel* tin, PointQuadric* quadrics, CollapseCandidate* candidates,
                  CostHeap* heap, const Vec3* local);
// Frees a key-point TIN (its edge lists live in one block), not its points.
void FreeKeyPointTin(TINModel* tin);
