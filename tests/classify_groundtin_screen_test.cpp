// The screening insertions on crafted stars: a centre point inserted last
// into a ring of neighbours whose heights decide the verdict.
#include "tests/point_sets.h"
#include "classify/groundtin_screen.h"
#include "data/selection.h"
#include "base/heap.h"
#include <cmath>
#include <functional>

namespace {

// The points of one crafted case: ring k at angle k * 45 degrees, an outer
// ring three times as far (so the inner ring lies inside the hull), the
// centre last.
struct Star {
    std::vector<PointRecord> points;
    std::vector<float> figures;   // PointSlopeTable entries (all points)
    int verdict = -99;

    Star(double radius, const std::vector<float>& ringZ, float centreZ, double cx = 0.0, double cy = 0.0)
    {
        for (int k = 0; k < 8; k++) {
            double a = k * std::acos(-1.0) / 4;
            points.push_back(MakePoint(cx + 3 * radius * std::cos(a + 0.1), cy + 3 * radius * std::sin(a + 0.1),
                                       0.0f));
        }
        const int n = (int)ringZ.size();
        for (int k = 0; k < n; k++) {
            double a = k * 2 * std::acos(-1.0) / n;
            points.push_back(MakePoint(cx + radius * std::cos(a), cy + radius * std::sin(a), ringZ[k]));
        }
        points.push_back(MakePoint(cx, cy, centreZ));
        for (PointRecord& p : points) p.classification = 2;   // every point a candidate
        figures.assign(points.size(), 0.0f);
    }
    PointRecord& Centre() { return points.back(); }
};

Star* running = nullptr;
std::function<int(GroundMesh*, GroundTinSwitches*, Vertex)> screen;

int32_t ScreenLast(GroundMesh* m, GroundTinSwitches* b, int32_t)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    GroundTinBoundingBox(m, b);
    GroundTinTraversalInit(&m->vertices);
    Vertex v = GroundTinVertexTraverse(m);
    GroundFirstVertex = v;
    GroundTinInitFlipPool(m);
    int32_t count = m->inputCount;
    for (int32_t i = 0; v; v = GroundTinVertexTraverse(m), i++) {
        GroundHandle out;
        if (i < count - 1) GroundTinInsertVertex(m, b, v, &out);
        else running->verdict = screen(m, b, v);
    }
    GroundTinFreeFlipPool(m);
    return GroundTinRemoveBox(m, b);
}

// Runs the screening routine on the star's centre; returns its verdict.
int Screen(Star& star, int (*routine)(GroundMesh*, GroundTinSwitches*, Vertex, GroundHandle*))
{
    running = &star;
    screen = [routine](GroundMesh* m, GroundTinSwitches* b, Vertex v) {
        GroundHandle out;
        return routine(m, b, v, &out);
    };
    std::vector<PointRecord*> table;
    std::vector<double> xy;
    for (PointRecord& p : star.points) {
        table.push_back(&p);
        xy.push_back(p.x);
        xy.push_back(p.y);
    }
    PointSelection selection{};
    selection.items = table.data();
    selection.count = (int32_t)table.size();
    TriangulateIO in{}, out{};
    in.points = out.points = xy.data();
    in.pointCount = selection.count;
    PointSlopeTable = star.figures.data();
    EXPECT_EQ(GroundTinDrive("iQz", &in, &out, &selection, ScreenLast, 0), 1);
    PointSlopeTable = nullptr;
    NBLFree(out.pointMarkers);
    NBLFree(out.triangles);
    return star.verdict;
}

std::vector<float> Ring(float z) { return std::vector<float>(8, z); }

}  // namespace

TEST(GroundScreen, AAStepAboveNeighboursAndTooSteep)
{
    StepHeight = 1.0f;
    Star gentle(10.0, Ring(0.0f), 1.5f);   // mean slope 0.15, every neighbour lower by 1.5
    EXPECT_EQ(Screen(gentle, GroundTinInsertAA), SCREEN_STEP);
    std::vector<float> oneUp = Ring(0.0f);
    oneUp[3] = 1.5f;                       // k - 1 lower still counts
    Star almost(10.0, oneUp, 1.5f);
    EXPECT_EQ(Screen(almost, GroundTinInsertAA), SCREEN_STEP);
    oneUp[6] = 1.5f;
    Star twoUp(10.0, oneUp, 1.5f);
    EXPECT_EQ(Screen(twoUp, GroundTinInsertAA), SCREEN_KEEP);
    Star steep(1.0, Ring(0.0f), 0.8f);     // mean slope 0.8
    EXPECT_EQ(Screen(steep, GroundTinInsertAA), SCREEN_TOO_STEEP);
    Star flat(1.0, Ring(0.0f), 0.5f);      // 0.5: below both limits
    EXPECT_EQ(Screen(flat, GroundTinInsertAA), SCREEN_KEEP);
    EXPECT_EQ(flat.Centre().classification, 2);   // AA writes no class itself
}

TEST(GroundScreen, RefineByContourCrossings)
{
    StepHeight = 0.5f;
    // Alternating heights: eight crossings, no angle test; neighbours above exist.
    Star alternating(1.0, { 0, 1, 0, 1, 0, 1, 0, 1 }, 0.5f);
    EXPECT_EQ(Screen(alternating, GroundTinInsertGround), SCREEN_KEEP);
    // All neighbours lower: nothing at or above.
    Star peak(1.0, Ring(0.0f), 0.5f);
    EXPECT_EQ(Screen(peak, GroundTinInsertGround), SCREEN_REJECT);
    // Two crossings about 90 degrees apart: a narrow ridge end.
    Star ridge(1.0, { 1, 1, 0, 0, 0, 0, 0, 0 }, 0.5f);
    EXPECT_EQ(Screen(ridge, GroundTinInsertGround), SCREEN_REJECT);
    // Two crossings on opposite sides: a slope through the point.
    Star slope(1.0, { 1, 1, 1, 1, 0, 0, 0, 0 }, 0.5f);
    EXPECT_EQ(Screen(slope, GroundTinInsertGround), SCREEN_KEEP);
    // A neighbour at the same height neither crosses nor leaves the point alone on top.
    Star level(1.0, { 0.5f, 0, 0, 0, 0, 0, 0, 0 }, 0.5f);
    EXPECT_EQ(Screen(level, GroundTinInsertGround), SCREEN_KEEP);
}

TEST(GroundScreen, AestheticClassesAndDuplicates)
{
    AestheticLimit = 5;
    Star bump(1.0, Ring(0.0f), 0.2f);      // mean slope 20 %, neighbours' figures 0
    EXPECT_EQ(Screen(bump, GroundTinInsertAesthetic), SCREEN_KEEP);
    EXPECT_EQ(bump.Centre().classification, WORK_AESTHETIC);
    EXPECT_EQ(bump.figures.back(), 20.0f);
    Star smooth(1.0, Ring(0.0f), 0.2f);
    for (int k = 8; k < 16; k++) smooth.figures[k] = 18.0f;   // 20 - 18 within the limit
    Screen(smooth, GroundTinInsertAesthetic);
    EXPECT_EQ(smooth.Centre().classification, WORK_GROUND);
    // More neighbours than are worked out at once: 16 at 20 % and 8 at -20 %
    // make a mean of 6.7 %.
    std::vector<float> wide(24, 0.0f);
    for (int k = 16; k < 24; k++) wide[k] = 0.4f;
    Star many(1.0, wide, 0.2f);
    Screen(many, GroundTinInsertAesthetic);
    EXPECT_EQ(many.figures.back(), 7.0f);
    EXPECT_EQ(many.Centre().classification, WORK_AESTHETIC);

    // On top of a ring point: the aesthetic walk marks it, AA writes no class.
    for (bool aa : {false, true}) {
        Star twin(1.0, Ring(0.0f), 0.2f);
        twin.points.back().x = twin.points[9].x;
        twin.points.back().y = twin.points[9].y;
        EXPECT_EQ(Screen(twin, aa ? GroundTinInsertAA : GroundTinInsertAesthetic), SCREEN_DUPLICATE) << aa;
        EXPECT_EQ(twin.Centre().classification, aa ? 2 : WORK_DUPLICATE) << aa;
    }
}

TEST(GroundScreen, HCSMWorkingClassesMoveTheRejectOntoTheSurface)
{
    auto reset = [] {
        SlopeRatioLimit = 250;
        SpikeHeight = 0.05f;
        HighStepHeight = 1.0f;
        StepHeight = 0.125f;
        SpacingLimit = 0.0f;
    };
    reset();
    Star spike(1.0, Ring(0.0f), 0.5f);     // S 50, figures 5: R 500
    for (int k = 8; k < 16; k++) spike.figures[k] = 5.0f;
    Screen(spike, GroundTinInsertHCSM);
    EXPECT_EQ(spike.Centre().classification, WORK_TOO_STEEP);
    EXPECT_EQ(spike.Centre().z, 0.0f);     // on the plane of the ring
    EXPECT_EQ(spike.figures.back(), 5.0f); // Nb

    // A step, a point closer than the spacing; with figures 0, R is S itself
    // (50): at the limit and over it.
    const struct {
        int32_t slopeLimit;
        float spacing;
        double radius;
        float centreZ;
        int verdict;
    } rows[] = {{1000000, 0.0f, 10.0, 2.0f, WORK_STEP}, {1000000, 5.0f, 1.0, 0.5f, WORK_DUPLICATE},
                {50, 0.0f, 1.0, 0.5f, WORK_GROUND}, {49, 0.0f, 1.0, 0.5f, WORK_TOO_STEEP}};
    for (const auto& row : rows) {
        reset();
        SlopeRatioLimit = row.slopeLimit;
        SpacingLimit = row.spacing;
        Star star(row.radius, Ring(0.0f), row.centreZ);
        Screen(star, GroundTinInsertHCSM);
        EXPECT_EQ(star.Centre().classification, row.verdict) << row.slopeLimit;
        if (row.verdict != WORK_GROUND) continue;
        EXPECT_EQ(star.Centre().z, 0.5f);
        EXPECT_EQ(star.figures.back(), 50.0f);
    }

    // A point that is no longer a candidate is not even inserted.
    reset();
    Star done(1.0, Ring(0.0f), 0.5f);
    done.Centre().classification = 6;
    EXPECT_EQ(Screen(done, GroundTinInsertHCSM), SCREEN_KEEP);
    EXPECT_EQ(done.Centre().classification, 6);
    EXPECT_EQ(done.Centre().z, 0.5f);
}

TEST(GroundScreen, PointsNextToTheBoundingTriangleAreNotJudged)
{
    // A point outside the hull of the others: its star reaches the box.
    StepHeight = 0.1f;
    std::vector<PointRecord> few = { MakePoint(0, 1, 0), MakePoint(-1, -1, 0), MakePoint(1, -1, 0),
                                     MakePoint(0, 5, 9.0f) };
    Star star(1.0, Ring(0.0f), 0.0f);
    star.points = few;
    for (PointRecord& p : star.points) p.classification = 2;
    star.figures.assign(4, 0.0f);
    EXPECT_EQ(Screen(star, GroundTinInsertAA), SCREEN_KEEP);
    EXPECT_EQ(Screen(star, GroundTinInsertGround), SCREEN_REJECT);
    AestheticLimit = 0;
    EXPECT_EQ(Screen(star, GroundTinInsertAesthetic), SCREEN_KEEP);
    EXPECT_EQ(star.Centre().classification, 2);
}
