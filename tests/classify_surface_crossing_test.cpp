// The Crossing filter on crafted tiles, and where a perpendicular leaves the
// two triangles of an edge.
#include "tests/classify_filter_cases.h"
#include "tests/point_selections.h"
#include "classify/candidate_tin.h"
#include "classify/groundtin_screen.h"
#include "classify/surface_crossing.h"
#include "data/tin_model.h"

namespace {

const int kN = 15;

std::vector<PointRecord> SpikeAt(int i0, int j0, double height)
{
    return CandidateGrid(kN, [=](int i, int j) { return i == i0 && j == j0 ? 10.0 + height : 10.0; });
}

}  // namespace

TEST(SurfaceCrossing, SteepEdgesAroundAPoint)
{
    // Edges rising 70 degrees and more to a point 3 above its neighbours.
    FilterRun spike = RunFilterChecked(StepCrossing, SpikeAt(7, 7, 3.0));
    EXPECT_EQ(spike.classes[7 * kN + 7], WORK_CROSSING);
    EXPECT_EQ(spike.Count(WORK_CROSSING), 1);
    EXPECT_EQ(spike.result, 1);
    // Edges of 3 degrees score nothing.
    EXPECT_EQ(RunFilterChecked(StepCrossing, SpikeAt(7, 7, 0.05)).Count(WORK_CROSSING), 0);
    // A point 5 steps in has only interior neighbours; 4 steps in, one of its
    // neighbours lies within three edges of the hull and it is never judged.
    EXPECT_EQ(RunFilterChecked(StepCrossing, SpikeAt(5, 7, 3.0)).classes[5 * kN + 7], WORK_CROSSING);
    EXPECT_EQ(RunFilterChecked(StepCrossing, SpikeAt(4, 7, 3.0)).Count(WORK_CROSSING), 0);
    // "Cross Run" 0 runs no pass.
    EXPECT_EQ(RunFilter(StepCrossing, SpikeAt(7, 7, 3.0), 1.0, [](SurfaceMagicSettings* s) { s->crossRun = 0; }).result,
              0);
}

TEST(SurfaceCrossing, PerpendicularLeavesBothTriangles)
{
    // Edge (0,0)-(2,0) between the triangles up to (2,2) and down to (1,-2).
    // The perpendicular x = 1 runs parallel to the edge (2,0)-(2,2): that one
    // is not crossed; it leaves through (0,0)-(2,2) at (1,1) and through the
    // corner (1,-2) below.
    std::vector<PointRecord> pts = { MakePoint(0, 0, 0.0f, 2), MakePoint(2, 0, 0.0f, 2), MakePoint(2, 2, 4.0f, 2),
                                     MakePoint(1, -2, 6.0f, 2) };
    DataSet* set = MakePointSet(pts);
    PointSelection* all = SelectAllPoints(set);
    CrossingEdgeSet edges;
    ASSERT_EQ(BuildCrossingEdgeSet(all, &edges), 1);
    EXPECT_EQ(edges.edgeCount, 5);
    const CrossingEdge* shared = nullptr;
    for (int32_t k = 0; k < edges.edgeCount; k++) {
        const CrossingEdge& e = edges.edges[k];
        if ((e.first == 0 && e.second == 1) || (e.first == 1 && e.second == 0)) shared = &e;
        // Each triangle's slot names the edge opposite that corner.
        const int32_t* t = &edges.tin->triangles[3 * e.triangle];
        EXPECT_NE(t[e.slot], e.first);
        EXPECT_NE(t[e.slot], e.second);
        EXPECT_EQ(edges.triangleEdges[3 * e.triangle + e.slot], k);
    }
    ASSERT_NE(shared, nullptr);
    ASSERT_GE(shared->neighbour, 0);
    int32_t slot;
    EXPECT_EQ(FindNeighbourEdgeSlot(edges.tin->neighbors, shared->triangle, shared->slot, &slot), shared->neighbour);
    EXPECT_EQ(slot, shared->neighbourSlot);
    // x = 1 about the set's origin, the first point (0, 0).
    CrossingPoint at[2];
    ASSERT_EQ(FindPerpendicularCrossings(&edges, shared, 1.0, 0.0, 1.0, at), 1);
    bool upFirst = at[0].y > 0;
    const CrossingPoint& up = upFirst ? at[0] : at[1];
    const CrossingPoint& down = upFirst ? at[1] : at[0];
    EXPECT_NEAR(up.x, 1.0, 1e-12);
    EXPECT_NEAR(up.y, 1.0, 1e-12);
    EXPECT_GT(up.z, 0.0f);
    EXPECT_LT(up.z, 4.0f);
    EXPECT_NEAR(down.x, 1.0, 1e-12);
    EXPECT_NEAR(down.y, -2.0, 1e-12);
    // A line that misses the triangles crosses nothing.
    EXPECT_EQ(FindPerpendicularCrossings(&edges, shared, 1.0, 0.0, 7.0, at), 0);
    FreeCrossingEdgeSet(&edges);
    FreePointSelection(all);
    FreeDataSet(set);
}

TEST(SurfaceCrossing, FewOrDuplicatePoints)
{
    std::vector<PointRecord> two = { MakePoint(0, 0, 0, 2), MakePoint(1, 0, 5, 2) };
    FilterRun run = RunFilter(StepCrossing, two, 1.0);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.Count(WORK_GROUND), 2);
    std::vector<PointRecord> pts = SpikeAt(7, 7, 3.0);
    for (int k = 0; k < 20; k++) pts.push_back(pts[(size_t)(16 + 10 * k)]);
    EXPECT_EQ(RunFilterChecked(StepCrossing, pts).classes[7 * kN + 7], WORK_CROSSING);
}
