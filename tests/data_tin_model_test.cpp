// TIN models from point sets: triangles, normals, Z ranges and neighbours.
#include "point_sets.h"
#include "window_fixtures.h"
#include "app/view_selection.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "point_selections.h"
#include "data/tin_model.h"
#include <cmath>
#include <map>
#include <set>

namespace {

double Cross(const PointRecord* a, const PointRecord* b, const PointRecord* c)
{
    return (b->x - a->x) * (c->y - a->y) - (b->y - a->y) * (c->x - a->x);
}

// Checks what every TIN must hold: counter-clockwise triangles with normals
// pointing up, Z ranges inside the TIN's range, and neighbours that agree
// with each other on the shared edge. Returns the number of hull edges.
int CheckTIN(const TINModel* tin)
{
    const PointSelection* s = tin->points;
    int hull = 0;
    std::map<std::pair<int, int>, int> edgeOwner;
    for (int t = 0; t < tin->triangleCount; t++) {
        const int* v = &tin->triangles[3 * t];
        for (int k = 0; k < 3; k++) EXPECT_TRUE(v[k] >= 0 && v[k] < s->count);
        const PointRecord *a = s->items[v[0]], *b = s->items[v[1]], *c = s->items[v[2]];
        EXPECT_GT(Cross(a, b, c), 0) << "triangle " << t;
        EXPECT_GT(tin->normals[t].z, 0);
        float low = std::min({a->z, b->z, c->z}), high = std::max({a->z, b->z, c->z});
        EXPECT_EQ(tin->zRanges[2 * t], low);
        EXPECT_EQ(tin->zRanges[2 * t + 1], high);
        EXPECT_GE(low, tin->minZ);
        EXPECT_LE(high, tin->maxZ);
        for (int k = 0; k < 3; k++) {
            int u = tin->neighbors[3 * t + k];
            // Neighbour k lies across the edge opposite vertex k.
            int p = v[(k + 1) % 3], q = v[(k + 2) % 3];
            if (u < 0) {
                hull++;
                continue;
            }
            EXPECT_LT(u, tin->triangleCount);
            const int* w = &tin->triangles[3 * u];
            std::set<int> shared = {w[0], w[1], w[2]};
            EXPECT_TRUE(shared.count(p) && shared.count(q)) << "triangle " << t << " side " << k;
            bool back = false;
            for (int m = 0; m < 3; m++) back |= tin->neighbors[3 * u + m] == t;
            EXPECT_TRUE(back);
        }
    }
    return hull;
}

}  // namespace

TEST(TIN, NullSelectionBeepsAndTellsAndTinyOnesAreSilent)
{
    BoxAnswers boxes;
    EXPECT_EQ(BuildTINFromPoints(nullptr), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, kNoTINPointsText));
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(boxes.shown()[0].type, (unsigned)MB_OK);
    DataSet* set = MakePointSet({MakePoint(0, 0, 0), MakePoint(1, 0, 0)});
    for (int n : {1, 2}) {
        PointSelection* s = SelectAllPoints(set);
        s->count = n;
        EXPECT_EQ(BuildTINFromPoints(s), nullptr);
        FreePointSelection(s);
    }
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(FreeTINModel(nullptr, 1), 0);
    FreeVertexAdjacency(3, nullptr);
    FreeTriangleLists(nullptr);
    FreeDataSet(set);
}

TEST(TIN, CollinearPointsGiveNoTriangles)
{
    DataSet* set = MakePointSet({MakePoint(0, 0, 1), MakePoint(1, 1, 2), MakePoint(2, 2, 3)});
    TINModel* tin = BuildTINFromPoints(SelectAllPoints(set));
    ASSERT_NE(tin, nullptr);
    EXPECT_EQ(tin->triangleCount, 0);
    EXPECT_EQ(tin->minZ, 3.37e38);
    EXPECT_EQ(tin->maxZ, -3.37e38);
    EXPECT_EQ(ComputeTriangleNormals(tin), 0);
    FreeTINModel(tin, 1);
    FreeDataSet(set);
}

TEST(TIN, SquareWithCentreOnAPlane)
{
    // z = x + 2y: every raw normal is a positive multiple of (-1, -2, 1).
    auto z = [](double x, double y) { return (float)(x + 2 * y); };
    DataSet* set = MakePointSet({MakePoint(0, 0, z(0, 0)), MakePoint(2, 0, z(2, 0)), MakePoint(2, 2, z(2, 2)),
                                 MakePoint(0, 2, z(0, 2)), MakePoint(1, 1.2, z(1, 1.2))});
    PointSelection* s = SelectAllPoints(set);
    TINModel* tin = BuildTINFromPoints(s);
    ASSERT_NE(tin, nullptr);
    EXPECT_EQ(tin->points, s);
    ASSERT_EQ(tin->triangleCount, 4);
    EXPECT_EQ(CheckTIN(tin), 4);
    for (int t = 0; t < 4; t++) {
        const Vec3& n = tin->normals[t];
        EXPECT_NEAR(n.x / n.z, -1, 1e-5);
        EXPECT_NEAR(n.y / n.z, -2, 1e-5);
    }
    EXPECT_EQ(tin->minZ, 0);
    EXPECT_EQ(tin->maxZ, 6);
    int markers = 0;
    for (int i = 0; i < 5; i++) markers += tin->pointMarkers[i] != 0;
    EXPECT_EQ(markers, 4);   // the corners are on the hull, the centre is not
    EXPECT_EQ(tin->pointMarkers[4], 0);

    // Freed without its points, the selection stays usable.
    FreeTINModel(tin, 0);
    EXPECT_EQ(s->count, 5);
    EXPECT_EQ(s->items[4]->x, 1);
    FreePointSelection(s);
    FreeDataSet(set);
}

using TINInAView = ViewFixture;

TEST_F(TINInAView, AutzenGroundTINIsConsistent)
{
    REQUIRE_SAMPLES();
    DataSet* set = ReadSampleLAS(SamplePath("autzen_trim.las").c_str());
    ASSERT_NE(set, nullptr);
    set->tiles = BuildPointTiles(set);
    HWND view = OpenView({set});
    ViewRecord* record = Record(view);
    PointSelection* ground = LocateTINData(view);
    ASSERT_NE(ground, nullptr);
    ASSERT_GT(ground->count, 1000);
    TINModel* tin = BuildTINFromPoints(ground);
    ASSERT_NE(tin, nullptr);
    int hullEdges = CheckTIN(tin);
    int hullPoints = 0;
    for (int i = 0; i < ground->count; i++) hullPoints += tin->pointMarkers[i] != 0;
    // Euler on a triangulated point set without duplicates: T = 2n - 2 - h.
    std::set<std::pair<double, double>> distinct;
    for (int i = 0; i < ground->count; i++) distinct.insert({ground->items[i]->x, ground->items[i]->y});
    if ((int)distinct.size() == ground->count) {
        EXPECT_EQ(tin->triangleCount, 2 * ground->count - 2 - hullEdges);
        EXPECT_EQ(hullEdges, hullPoints);
    }
    double lowest = 1e300, highest = -1e300;
    for (int i = 0; i < ground->count; i++) {
        lowest = std::min(lowest, (double)ground->items[i]->z);
        highest = std::max(highest, (double)ground->items[i]->z);
    }
    EXPECT_EQ(tin->minZ, lowest);
    EXPECT_EQ(tin->maxZ, highest);
    // Dropping the view's TIN frees its points with it.
    record->tin = tin;
}
