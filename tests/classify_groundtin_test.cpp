// The ground triangulation engine against the divide-and-conquer
// triangulator, its exact undo, its random numbers and its output numbering.
#include "tests/tri_check.h"
#include "tests/test_support.h"
#include "classify/groundtin.h"
#include "data/selection.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "base/heap.h"
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>

namespace {

typedef std::array<std::pair<double, double>, 3> CoordTriangle;

// One engine run over a point list in the given order.
struct GroundRun {
    std::vector<double> points;
    TriangulateIO in{}, out{};
    PointSelection selection{};
    std::vector<PointRecord*> table;
    int32_t leftOut = 0;

    explicit GroundRun(std::vector<double> p) : points(std::move(p)) {}
    ~GroundRun()
    {
        NBLFree(out.pointMarkers);
        NBLFree(out.triangles);
        if (out.points != points.data()) NBLFree(out.points);
    }
    // Sets up the lists for a run of `count` points (all of them by default).
    void Prepare(int32_t count = -1)
    {
        in.points = points.data();
        in.pointCount = count < 0 ? (int32_t)(points.size() / 2) : count;
        out.points = points.data();   // written in place, as the walks share their list
        table.assign(points.size() / 2, nullptr);
        selection.items = table.data();
        selection.count = (int32_t)(points.size() / 2);
    }
    int Run(GroundTinRunRoutine routine, const char* switches = "iQz", int32_t routineArgument = 0)
    {
        if (!in.points) Prepare();   // else as prepared by hand
        return GroundTinDrive(switches, &in, &out, &selection, routine, routineArgument);
    }
    std::set<CoordTriangle> Triangles() const { return CoordSet(out); }

    static std::set<CoordTriangle> CoordSet(const TriangulateIO& o)
    {
        std::set<CoordTriangle> s;
        for (int t = 0; t < o.triangleCount; t++) {
            CoordTriangle c;
            for (int k = 0; k < 3; k++) {
                const double* p = o.points + 2 * o.triangles[3 * t + k];
                c[k] = std::make_pair(p[0], p[1]);
            }
            std::sort(c.begin(), c.end());
            s.insert(c);
        }
        return s;
    }
};

int32_t lastLeftOut = 0;
int32_t lastHull = 0;

int32_t PlainWalk(GroundMesh* m, GroundTinSwitches* b, int32_t n)
{
    int32_t hull = GroundTinRunInsertAll(m, b, n);
    lastLeftOut = m->leftOutCount;
    lastHull = hull;
    return hull;
}

std::set<CoordTriangle> DivideAndConquer(const std::vector<double>& points)
{
    TriRun r(points);
    r.Run("Qz");
    return GroundRun::CoordSet(r.out);
}

// No point strictly inside any triangle's circumcircle (checked exactly).
bool EmptyCircles(const std::set<CoordTriangle>& triangles, const std::vector<double>& points)
{
    ExactInit();
    for (const CoordTriangle& t : triangles) {
        double a[2] = { t[0].first, t[0].second }, b[2] = { t[1].first, t[1].second },
               c[2] = { t[2].first, t[2].second };
        if (OrientationTest(0, a, b, c) < 0) std::swap(a, b);
        for (size_t i = 0; i < points.size(); i += 2)
            if (InCircleTest(0, a, b, c, &points[i]) > 0.0) return false;
    }
    return true;
}

std::vector<double> Shuffled(std::vector<double> p, unsigned seed)
{
    std::vector<std::pair<double, double>> q;
    for (size_t i = 0; i < p.size(); i += 2) q.emplace_back(p[i], p[i + 1]);
    std::mt19937 rng(seed);
    std::shuffle(q.begin(), q.end(), rng);
    std::vector<double> out;
    for (auto& v : q) {
        out.push_back(v.first);
        out.push_back(v.second);
    }
    return out;
}

}  // namespace

TEST(GroundTinEngine, RandomSetsMatchDivideAndConquer)
{
    for (unsigned seed = 1; seed <= 5; seed++) {
        std::vector<double> p = RandomPoints(2000 + 500 * (int)seed, seed, 637000.25, 851000.5, 250.0);
        GroundRun g(p);
        ASSERT_EQ(g.Run(PlainWalk), 1);
        EXPECT_EQ(lastLeftOut, 0);
        std::set<CoordTriangle> mine = g.Triangles();
        EXPECT_EQ(mine, DivideAndConquer(p)) << "seed " << seed;
        // Euler: T = 2V - h - 2
        EXPECT_EQ(g.out.triangleCount, 2 * g.in.pointCount - lastHull - 2);
    }
}

TEST(GroundTinEngine, DuplicatesAreLeftOutAndTheMeshIsUnchanged)
{
    std::vector<double> p = RandomPoints(800, 7, 1000.0, 2000.0, 50.0);
    std::vector<double> unique = p;
    for (int k = 0; k < 100; k++) {   // exact repeats, inserted later
        p.push_back(p[6 * k]);
        p.push_back(p[6 * k + 1]);
    }
    GroundRun g(p);
    ASSERT_EQ(g.Run(PlainWalk), 1);
    EXPECT_EQ(lastLeftOut, 100);
    EXPECT_EQ(g.out.pointCount, 900);   // left-out vertices are still written
    EXPECT_EQ(g.Triangles(), DivideAndConquer(unique));
}

TEST(GroundTinEngine, GridsAndNearDegenerateSetsAreDelaunay)
{
    // A grid is full of cocircular quadruples: either diagonal is right, so
    // check the empty-circle property and the triangle count instead.
    std::vector<double> grid;
    for (int i = 0; i < 20; i++)
        for (int j = 0; j < 20; j++) {
            grid.push_back(500.0 + i);
            grid.push_back(700.0 + j);
        }
    grid = Shuffled(grid, 3);
    GroundRun g(grid);
    ASSERT_EQ(g.Run(PlainWalk), 1);
    EXPECT_EQ(g.out.triangleCount, 2 * 19 * 19);
    EXPECT_EQ(lastHull, 4 * 19);
    EXPECT_TRUE(EmptyCircles(g.Triangles(), grid));

    // Nearly collinear rows (offsets of a few ulps) and a tiny cluster.
    std::vector<double> nearRows;
    for (int k = 0; k < 150; k++) {
        nearRows.push_back(10.0 + k * 0.5);
        nearRows.push_back(20.0 + (k % 3) * 1e-13);
        nearRows.push_back(10.0 + k * 0.5 + 0.25);
        nearRows.push_back(21.0 + (k % 5) * 1e-12);
    }
    std::vector<double> cluster = RandomPoints(60, 11, 40.0, 20.4, 1e-6);
    nearRows.insert(nearRows.end(), cluster.begin(), cluster.end());
    nearRows = Shuffled(nearRows, 5);
    GroundRun n(nearRows);
    ASSERT_EQ(n.Run(PlainWalk), 1);
    std::set<CoordTriangle> mine = n.Triangles();
    EXPECT_TRUE(EmptyCircles(mine, nearRows));
    EXPECT_EQ(n.out.triangleCount, 2 * n.in.pointCount - lastHull - 2);
}

TEST(GroundTinEngine, RealPointsInHeightOrderMatchDivideAndConquer)
{
    // A LiDAR tile in ascending Z, as the walks insert it: coordinates on a
    // centimetre lattice, spatially random insertions.
    REQUIRE_SAMPLES();
    DataSet* set = LoadLASData(SamplePath("autzen_trim.las").c_str(), "autzen_trim.las");
    ASSERT_NE(set, nullptr);
    std::vector<const PointRecord*> order;
    for (int32_t i = 0; i < set->pointCount; i++) order.push_back(&set->points[i]);
    std::stable_sort(order.begin(), order.end(), [](const PointRecord* a, const PointRecord* b) { return a->z < b->z; });
    std::vector<double> p;
    for (const PointRecord* r : order) {
        p.push_back(r->x);
        p.push_back(r->y);
    }
    FreeDataSet(set);
    ASSERT_GT(p.size(), 100000u);
    GroundRun g(p);
    ASSERT_EQ(g.Run(PlainWalk), 1);
    EXPECT_EQ(g.Triangles(), DivideAndConquer(p));
    EXPECT_EQ(g.out.triangleCount, 2 * (g.in.pointCount - lastLeftOut) - lastHull - 2);
}

TEST(GroundTinEngine, SetsTooLargeForThirtyTwoBitLinksAreRefused)
{
    // Links hold a triangle index times four: 2^29 points would need more
    // triangles than they can name. The run fails as it does when memory
    // runs out, before it reads a point, and the next run is whole.
    std::vector<double> p = RandomPoints(300, 8, 0.0, 0.0, 10.0);
    GroundRun huge(p);
    huge.Prepare(1 << 29);
    EXPECT_EQ(huge.Run(PlainWalk), 0);
    EXPECT_EQ(huge.out.triangleCount, 0);
    EXPECT_EQ(huge.out.pointCount, 0);
    GroundRun after(p);
    ASSERT_EQ(after.Run(PlainWalk), 1);
    EXPECT_EQ(after.Triangles(), DivideAndConquer(p));
}

TEST(GroundTinEngine, CollinearSinglePointAndEqualPointsGiveNoTriangles)
{
    std::vector<double> line;
    for (int k = 0; k < 30; k++) {
        line.push_back(3.0 * k);
        line.push_back(2.0 * k + 5.0);
    }
    GroundRun g(Shuffled(line, 2));
    ASSERT_EQ(g.Run(PlainWalk), 1);
    EXPECT_EQ(g.out.triangleCount, 0);
    EXPECT_EQ(g.out.segmentCount, 0);   // the hull count reported

    GroundRun one({ 4.0, 4.0 });
    ASSERT_EQ(one.Run(PlainWalk), 1);
    EXPECT_EQ(one.out.triangleCount, 0);

    GroundRun same({ 4.0, 4.0, 4.0, 4.0, 4.0, 4.0 });
    ASSERT_EQ(same.Run(PlainWalk), 1);
    EXPECT_EQ(lastLeftOut, 2);
    EXPECT_EQ(same.out.triangleCount, 0);
}

TEST(GroundTinEngine, PointOnAnEdgeSplitsBothTriangles)
{
    // Square split by its diagonal; the centre lies on the diagonal.
    GroundRun g({ 0, 0, 2, 0, 2, 2, 0, 2, 1, 1 });
    ASSERT_EQ(g.Run(PlainWalk), 1);
    EXPECT_EQ(g.out.triangleCount, 4);
    for (int t = 0; t < 4; t++) {
        bool hasCentre = false;
        for (int k = 0; k < 3; k++) hasCentre |= g.out.triangles[3 * t + k] == 4;
        EXPECT_TRUE(hasCentre);
    }
}

TEST(GroundTinEngine, MarkersNumberFromZeroWithZAndOneWithout)
{
    std::vector<double> p = RandomPoints(50, 4, 0.0, 0.0, 10.0);
    GroundRun zero(p);
    ASSERT_EQ(zero.Run(PlainWalk, "iQz"), 1);
    GroundRun one(p);
    ASSERT_EQ(one.Run(PlainWalk, "iQ"), 1);
    ASSERT_EQ(zero.out.triangleCount, one.out.triangleCount);
    int minZero = 1 << 30, minOne = 1 << 30, hullMarks = 0;
    for (int k = 0; k < 3 * zero.out.triangleCount; k++) {
        minZero = std::min(minZero, (int)zero.out.triangles[k]);
        minOne = std::min(minOne, (int)one.out.triangles[k]);
        EXPECT_EQ(one.out.triangles[k], zero.out.triangles[k] + 1);
    }
    EXPECT_EQ(minZero, 0);
    EXPECT_EQ(minOne, 1);
    // The marker list holds 1 for hull vertices (box removal) and 0 inside.
    for (int k = 0; k < 50; k++) hullMarks += zero.out.pointMarkers[k];
    EXPECT_EQ(hullMarks, lastHull);

    // Five attributes make a vertex 72 bytes: numbers are then read from the
    // vertices rather than taken from their addresses, and must be the same.
    std::vector<double> attributes(5 * 50);
    for (size_t k = 0; k < attributes.size(); k++) attributes[k] = (double)k;
    GroundRun wide(p);
    wide.in.pointAttributes = attributes.data();
    wide.in.pointAttributeCount = 5;
    ASSERT_EQ(wide.Run(PlainWalk, "iQz"), 1);
    ASSERT_EQ(wide.out.triangleCount, zero.out.triangleCount);
    for (int k = 0; k < 3 * zero.out.triangleCount; k++) EXPECT_EQ(wide.out.triangles[k], zero.out.triangles[k]);
    NBLFree(wide.out.pointAttributes);
}

TEST(GroundTinEngine, NoListsWithNAndE)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> u(0.0, 100.0);
    std::vector<double> p;
    for (int k = 0; k < 400; k++) p.push_back(u(random));
    GroundRun lists(p), none(p);
    ASSERT_EQ(lists.Run(PlainWalk), 1);
    ASSERT_EQ(none.Run(PlainWalk, "iQzNE"), 1);
    // The counts are those of the full run; no list was made.
    EXPECT_EQ(none.out.triangleCount, lists.out.triangleCount);
    EXPECT_EQ(none.out.pointCount, lists.out.pointCount);
    EXPECT_GT(none.out.triangleCount, 0);
    EXPECT_EQ(none.out.triangles, nullptr);
    EXPECT_EQ(none.out.pointMarkers, nullptr);
    EXPECT_EQ(none.points, p);   // the shared list was not rewritten
}

TEST(GroundTinEngine, RandomSequenceFromSeedOne)
{
    GroundMesh m;
    GroundTinInit(&m);   // seed 1
    const int32_t expected[6] = { 212, 489, 687, 819, 51, 700 };
    for (int k = 0; k < 6; k++) EXPECT_EQ(GroundTinRandom(1000), expected[k]);
    GroundTinInit(&m);
    EXPECT_EQ(GroundTinRandom(2), 0);
    EXPECT_EQ(GroundTinRandom(3), 1);
    EXPECT_EQ(GroundTinRandom(7), 4);
    EXPECT_EQ(GroundTinRandom(4092), 3347);
    EXPECT_EQ(GroundTinRandom(1), 0);
}

TEST(GroundTinEngine, SwitchesParseAsTheTriangulatorsDo)
{
    GroundTinSwitches b;
    const char* iqz[1] = { "iQz" };
    GroundTinParseSwitches(1, iqz, &b);
    EXPECT_EQ(b.firstNumber, 0);
    EXPECT_EQ(b.segmentFlag, 0);
    EXPECT_EQ(b.order, 1);
    EXPECT_EQ(b.S, -1);
    EXPECT_EQ(b.l, 1);
    const char* more[2] = { "pq25.5S12", "o2Bl" };
    GroundTinParseSwitches(2, more, &b);
    EXPECT_EQ(b.segmentFlag, 1);
    EXPECT_DOUBLE_EQ(b.qAngle, 25.5);
    EXPECT_EQ(b.S, 12);
    EXPECT_EQ(b.order, 2);
    EXPECT_EQ(b.B, 1);
    EXPECT_EQ(b.l, 0);
    EXPECT_EQ(b.firstNumber, 1);
}

// ---- undo --------------------------------------------------------------------------

namespace {

typedef std::map<GroundTriangle*, std::array<uint32_t, 6>> MeshSnapshot;

MeshSnapshot Snapshot(GroundMesh* m)
{
    MeshSnapshot s;
    GroundTinTraversalInit(&m->triangles);
    for (GroundTriangle* t = GroundTinTriangleTraverse(m); t; t = GroundTinTriangleTraverse(m))
        s[t] = { t->link[0], t->link[1], t->link[2], t->corner[0], t->corner[1], t->corner[2] };
    return s;
}

int undoChecks = 0, undoMismatches = 0, edgeSplits = 0, triangleSplits = 0, flipsSeen = 0;

int32_t UndoWalk(GroundMesh* m, GroundTinSwitches* b, int32_t keepFirst)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    GroundTinBoundingBox(m, b);
    GroundTinInitFlipPool(m);
    GroundTinTraversalInit(&m->vertices);
    int k = 0;
    for (Vertex v = GroundTinVertexTraverse(m); v; v = GroundTinVertexTraverse(m), k++) {
        GroundHandle handle, out;
        if (k < keepFirst) {
            GroundTinInsertVertex(m, b, v, &handle);
            continue;
        }
        MeshSnapshot before = Snapshot(m);
        int located = GroundTinLocateVertex(m, b, v, &handle);
        if (located == GROUND_ON_VERTEX) continue;
        GroundTinInsertLocated(m, b, v, &handle, located, 1, nullptr, &out);
        int depth = 0;
        FlipRecord* r = m->flipTop;
        for (; r && r->link && r->link != EdgeSplitMarker; r = r->link) depth++;
        flipsSeen += depth;
        if (r && r->link == EdgeSplitMarker) edgeSplits++;
        else triangleSplits++;
        if (k % 3 != 0) {   // take two of three out again, keep the rest
            GroundTinUndoVertex(m, b);
            GroundVertexType(m, v) = GROUND_VERTEX_LEFT_OUT;
            m->leftOutCount++;
            undoChecks++;
            if (Snapshot(m) != before) undoMismatches++;
        }
    }
    GroundTinFreeFlipPool(m);
    return GroundTinRemoveBox(m, b);
}

// The kept points of an UndoWalk input: the first keepFirst and every third after.
std::vector<double> KeptPoints(const std::vector<double>& p, int keepFirst)
{
    std::vector<double> kept;
    for (int k = 0; k < (int)p.size() / 2; k++)
        if (k < keepFirst || k % 3 == 0) {
            kept.push_back(p[2 * k]);
            kept.push_back(p[2 * k + 1]);
        }
    return kept;
}

}  // namespace

TEST(GroundTinEngine, UndoRestoresTheMeshExactly)
{
    for (unsigned seed = 1; seed <= 4; seed++) {
        // A grid first, then random points and points on grid edges (edge splits).
        std::vector<double> p;
        for (int i = 0; i < 15; i++)
            for (int j = 0; j < 15; j++) {
                p.push_back(100.0 + 2 * i);
                p.push_back(300.0 + 2 * j + (i % 2) * 0.5);
            }
        int keepFirst = (int)p.size() / 2;
        std::vector<double> extra = RandomPoints(300, seed, 100.0, 300.0, 28.0);
        for (int k = 0; k < 60; k++) {
            extra.push_back(100.0 + 2 * (k % 14));   // midpoints of the vertical grid lines
            extra.push_back(301.0 + 2 * ((k * 7) % 14) + ((k % 14) % 2) * 0.5);
        }
        extra = Shuffled(extra, seed);
        p.insert(p.end(), extra.begin(), extra.end());
        undoChecks = undoMismatches = edgeSplits = triangleSplits = flipsSeen = 0;
        GroundRun g(p);
        ASSERT_EQ(g.Run(UndoWalk, "iQz", keepFirst), 1);
        EXPECT_GT(undoChecks, 200);
        EXPECT_EQ(undoMismatches, 0) << "seed " << seed;
        EXPECT_GT(edgeSplits, 10);
        EXPECT_GT(triangleSplits, 100);
        EXPECT_GT(flipsSeen, 300);
        // What stays is the Delaunay triangulation of the kept points.
        std::vector<double> kept = KeptPoints(p, keepFirst);
        EXPECT_TRUE(EmptyCircles(g.Triangles(), kept));
    }
}

// ---- one triangulation at a time ---------------------------------------------------

namespace {

LONG triangulationsDone = 0;

DWORD WINAPI TriangulateOnAThread(void*)
{
    std::vector<double> p = RandomPoints(500, 9, 0.0, 0.0, 100.0);
    TriRun r(p);
    r.Run("Qz");
    if (r.out.triangleCount > 0) InterlockedIncrement(&triangulationsDone);
    GroundRun g(p);
    if (g.Run(PlainWalk) == 1 && g.out.triangleCount == r.out.triangleCount) InterlockedIncrement(&triangulationsDone);
    return 0;
}

}  // namespace

// The ground engine keeps process-wide state, so its runs wait for the lock;
// the general triangulator keeps its run state per thread and a run without
// a progress bar does not wait.
TEST(GroundTinEngine, GroundRunsWaitForTheLockSilentTriangulationsDoNot)
{
    triangulationsDone = 0;
    LockTriangulation();
    HANDLE thread = CreateThread(nullptr, 0, TriangulateOnAThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 300), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(triangulationsDone, 1);
    UnlockTriangulation();
    ASSERT_EQ(WaitForSingleObject(thread, 30000), (DWORD)WAIT_OBJECT_0) << "triangulation thread never finished";
    CloseHandle(thread);
    EXPECT_EQ(triangulationsDone, 2);
}
