#include "test_support.h"
#include "data/selection.h"

// The grid rows and columns a polygon covers come from all its outer rings:
// a clip against a grid's extent can split one polygon into two.
TEST(PolygonBounds, CoversEveryOuterRingAndIgnoresHoles)
{
    DataSet grid = {};
    grid.rows = 100;
    grid.columns = 100;
    grid.cellSize = 1.0;
    grid.originX = 0.0;
    grid.originY = 100.0;
    gpc_vertex west[4] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    gpc_vertex east[4] = {{60, 50}, {70, 50}, {70, 80}, {60, 80}};
    gpc_vertex hole[4] = {{0, 0}, {99, 0}, {99, 99}, {0, 99}};
    gpc_vertex_list rings[3] = {{4, west}, {4, east}, {4, hole}};
    int32_t holes[3] = {0, 0, 1};
    gpc_polygon polygon = {3, holes, rings};
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    ASSERT_EQ(PolygonBounds(&polygon, &grid, &r0, &r1, &c0, &c1), 1);
    EXPECT_EQ(r0, 20);   // 100 - 80
    EXPECT_EQ(r1, 90);   // 100 - 10
    EXPECT_EQ(c0, 10);
    EXPECT_EQ(c1, 70);

    gpc_polygon empty = {0, nullptr, nullptr};
    EXPECT_EQ(PolygonBounds(&empty, &grid, &r0, &r1, &c0, &c1), 0);
}
