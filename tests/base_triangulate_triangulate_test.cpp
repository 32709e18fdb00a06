// Delaunay construction and the outputs each switch asks for.
#include "tests/tri_check.h"
#include "base/heap.h"
#include <windows.h>

static std::vector<double> Grid(int nx, int ny, double x0, double y0, double step)
{
    std::vector<double> p;
    for (int j = 0; j < ny; j++)
        for (int i = 0; i < nx; i++) {
            p.push_back(x0 + i * step);
            p.push_back(y0 + j * step);
        }
    return p;
}

TEST(TriMesh, UnitSquareWithNeighbours)
{
    TriRun r({ 0, 0, 1, 0, 1, 1, 0, 1 });
    r.Run("nQz");
    ASSERT_EQ(r.out.triangleCount, 2);
    EXPECT_EQ(r.out.cornerCount, 3);
    EXPECT_EQ(r.out.pointCount, 4);
    EXPECT_TRUE(IsValidMesh(r.out, 0, true));
    for (int t = 0; t < 2; t++) {
        int minus = 0, other = 0;
        for (int k = 0; k < 3; k++) {
            if (r.out.neighbors[3 * t + k] == -1) minus++;
            else if (r.out.neighbors[3 * t + k] == 1 - t) other++;
        }
        EXPECT_EQ(minus, 2);
        EXPECT_EQ(other, 1);
    }
    ASSERT_NE(r.out.pointMarkers, nullptr);
    for (int i = 0; i < 4; i++) EXPECT_EQ(r.out.pointMarkers[i], 1);
    EXPECT_EQ(r.out.segmentCount, 4);   // hull edges without segment output
}

TEST(TriMesh, TriangleEdgesAndOneBasedNumbers)
{
    TriRun r({ 0, 0, 2, 0, 1, 3 });
    r.Run("eQ");
    ASSERT_EQ(r.out.edgeCount, 3);
    ASSERT_EQ(r.out.triangleCount, 1);
    for (int i = 0; i < 3; i++) EXPECT_EQ(r.out.edgeMarkers[i], 1);
    std::set<int> seen;
    for (int i = 0; i < 6; i++) seen.insert(r.out.edges[i]);
    EXPECT_EQ(seen, (std::set<int>{ 1, 2, 3 }));
    for (int k = 0; k < 3; k++) EXPECT_GE(r.out.triangles[k], 1);
    EXPECT_TRUE(IsValidMesh(r.out, 1, true));
}

TEST(TriMesh, GridCellsGetTwoTrianglesAndRunsRepeat)
{
    for (const char* sw : { "nQz", "nQzl" }) {
        std::vector<double> g = Grid(23, 17, 500000.125, 4100000.375, 0.5);
        TriRun a(g), b(g);
        a.Run(sw);
        b.Run(sw);
        ASSERT_EQ(a.out.triangleCount, 2 * 22 * 16) << sw;
        MeshCheck c = CheckMesh(a.out, 0, true);
        EXPECT_TRUE(c.ok) << c.why;
        EXPECT_EQ(c.hullEdges, 2 * (22 + 16));
        ASSERT_EQ(a.out.triangleCount, b.out.triangleCount);
        EXPECT_EQ(0, memcmp(a.out.triangles, b.out.triangles, sizeof(int32_t) * 3 * a.out.triangleCount));
        // every cell split by one diagonal
        std::set<std::pair<int, int>> e = TriangleEdges(a.out, 0);
        EXPECT_EQ((int)e.size(), 22 * 17 + 23 * 16 + 22 * 16);
    }
}

TEST(TriMesh, DuplicatesStayInPointListButNotInTriangles)
{
    std::vector<double> p = { 0, 0, 4, 0, 4, 4, 0, 4, 2, 2, 4, 0, 2, 2 };
    {
        TriRun r(p);
        r.Run("nQz");
        EXPECT_EQ(r.out.pointCount, 7);
        EXPECT_EQ(r.out.triangleCount, 4);
        MeshCheck c = CheckMesh(r.out, 0, true);
        EXPECT_TRUE(c.ok) << c.why;
        std::set<int> used;
        for (int i = 0; i < 12; i++) used.insert(r.out.triangles[i]);
        EXPECT_EQ(used.size(), 5u);
        EXPECT_EQ(r.out.points[10], 4.0);   // point 5 keeps its place
    }
    {
        TriRun r(p);
        r.Run("Qzj");
        EXPECT_EQ(r.out.pointCount, 5);
        EXPECT_EQ(r.out.triangleCount, 4);
        EXPECT_TRUE(IsValidMesh(r.out, 0, true));
    }
}

TEST(TriMesh, DegenerateInputsGiveEmptyMeshes)
{
    {   // on a line
        TriRun r({ 0, 0, 1, 1, 2, 2, 3, 3, 5, 5 });
        r.Run("neQz");
        EXPECT_EQ(r.out.triangleCount, 0);
        EXPECT_EQ(r.out.edgeCount, 0);
        EXPECT_EQ(r.out.pointCount, 5);
    }
    {   // two distinct points and a copy
        TriRun r({ 0, 0, 1, 0, 0, 0 });
        r.Run("nQz");
        EXPECT_EQ(r.out.triangleCount, 0);
        EXPECT_EQ(r.out.segmentCount, 0);
    }
    for (int n = 0; n <= 2; n++) {
        TriRun r(std::vector<double>((size_t)n * 2, 1.0));
        r.Run("neQz");
        EXPECT_EQ(r.out.triangleCount, 0);
        EXPECT_EQ(r.out.edgeCount, 0);
    }
    {   // all at one position
        TriRun r({ 3, 3, 3, 3, 3, 3, 3, 3 });
        r.Run("pceQz");
        EXPECT_EQ(r.out.triangleCount, 0);
        EXPECT_EQ(r.out.segmentCount, 0);
    }
    {   // a negative count is refused
        TriangulateIO in{}, out{};
        double p[6] = { 0, 0, 1, 0, 0, 1 };
        in.points = p;
        in.pointCount = -3;
        RunTriangulation("nQz", &in, &out, nullptr, 0);
        EXPECT_EQ(out.triangleCount, 0);
        EXPECT_EQ(out.triangles, nullptr);
        // a count whose triangle count would not fit the i32 outputs is refused
        in.pointCount = 0x40000000;
        RunTriangulation("nQz", &in, &out, nullptr, 0);
        EXPECT_EQ(out.triangleCount, 0);
        EXPECT_EQ(out.pointCount, 0);
        EXPECT_EQ(out.triangles, nullptr);
    }
}

TEST(TriMesh, PointsRewrittenInPlaceWithoutAllocation)
{
    std::vector<double> p = RandomPoints(200, 3, 0, 0, 100);
    std::vector<double> copy = p;
    TriRun r(p);
    r.out.points = r.points.data();
    r.Run("nQz");
    EXPECT_EQ(r.out.points, r.points.data());
    EXPECT_EQ(r.points, copy);
    EXPECT_TRUE(IsValidMesh(r.out, 0, true));
}

TEST(TriMesh, EdgeListMatchesTriangles)
{
    TriRun r(RandomPoints(500, 11, 1000, 2000, 50));
    r.Run("neQz");
    std::set<std::pair<int, int>> fromTris = TriangleEdges(r.out, 0), fromEdges;
    int hull = 0;
    for (int i = 0; i < r.out.edgeCount; i++) {
        int a = r.out.edges[2 * i], b = r.out.edges[2 * i + 1];
        fromEdges.insert(std::make_pair(a < b ? a : b, a < b ? b : a));
        hull += r.out.edgeMarkers[i];
    }
    EXPECT_EQ(fromEdges, fromTris);
    EXPECT_EQ((int)fromEdges.size(), r.out.edgeCount);
    MeshCheck c = CheckMesh(r.out, 0, true);
    EXPECT_TRUE(c.ok) << c.why;
    EXPECT_EQ(hull, c.hullEdges);
    int onHull = 0;
    for (int i = 0; i < r.out.pointCount; i++) onHull += r.out.pointMarkers[i];
    EXPECT_EQ(onHull, c.hullEdges);
}

TEST(TriMesh, SecondOrderNodesAtEdgeMidpoints)
{
    TriRun r({ 0, 0, 2, 0, 2, 2, 0, 2, 1, 3 });
    r.Run("o2Qz");
    ASSERT_EQ(r.out.cornerCount, 6);
    int n = r.out.triangleCount;
    std::set<std::pair<int, int>> e = TriangleEdges(r.out, 0);
    EXPECT_EQ(r.out.pointCount, 5 + (int)e.size());
    for (int t = 0; t < n; t++) {
        const int32_t* c = r.out.triangles + 6 * t;
        for (int k = 0; k < 3; k++) {
            // node k+3 sits on the edge opposite corner k
            const double* a = r.P(c[(k + 1) % 3]);
            const double* b = r.P(c[(k + 2) % 3]);
            const double* m = r.P(c[3 + k]);
            EXPECT_EQ(m[0], 0.5 * (a[0] + b[0]));
            EXPECT_EQ(m[1], 0.5 * (a[1] + b[1]));
        }
    }
}

TEST(TriMesh, VoronoiDiagram)
{
    TriRun r({ 0, 0, 2, 0, 2, 2, 0, 2, 1, 1.2 });
    r.Run("vQz", true);
    ASSERT_EQ(r.vor.pointCount, r.out.triangleCount);
    ASSERT_EQ(r.vor.edgeCount, r.out.edgeCount);
    int rays = 0;
    for (int i = 0; i < r.vor.edgeCount; i++) {
        if (r.vor.edges[2 * i + 1] == -1) {
            rays++;
            EXPECT_TRUE(r.vor.normals[2 * i] != 0.0 || r.vor.normals[2 * i + 1] != 0.0);
        }
    }
    EXPECT_EQ(rays, 4);
    EXPECT_EQ(r.vor.pointMarkers, nullptr);
}

TEST(TriMesh, ProgressBarsNamedAndStepped)
{
    std::vector<double> p = RandomPoints(40000, 5, 0, 0, 1000);
    TriangulateIO in{}, out{};
    in.points = p.data();
    in.pointCount = 40000;
    RunTriangulation("Qz", &in, &out, nullptr, 1);
    EXPECT_EQ(TriShowProgress, 1);
    EXPECT_EQ(TriPointCount, 40000);
    EXPECT_EQ(out.triangleCount > 0, true);
    NBLFree(out.points);
    NBLFree(out.pointMarkers);
    NBLFree(out.triangles);
    TriShowProgress = 0;
}

namespace {
struct ConcurrentCase {
    std::vector<double> points;
    const char* switches;
    std::vector<int32_t> expected;   // the triangles of a run on its own
    HANDLE go;                       // set once every thread is there
    int mismatches = 0;
};

std::vector<int32_t> Triangles(std::vector<double> points, const char* switches)
{
    TriRun r(std::move(points));
    r.Run(switches);
    return std::vector<int32_t>(r.out.triangles, r.out.triangles + 3 * (size_t)r.out.triangleCount);
}

DWORD WINAPI RepeatCase(LPVOID parameter)
{
    ConcurrentCase* c = (ConcurrentCase*)parameter;
    WaitForSingleObject(c->go, INFINITE);
    for (int round = 0; round < 30; round++)
        if (Triangles(c->points, c->switches) != c->expected) c->mismatches++;
    return 0;
}
}  // namespace

// Key points triangulate on several threads at once: every run keeps its own
// mesh, switches, abort point and output list.
TEST(TriMesh, ThreadsTriangulatingAtOnceGetTheirOwnResults)
{
    std::vector<ConcurrentCase> cases(8);
    for (size_t i = 0; i < cases.size(); i++) {
        ConcurrentCase& c = cases[i];
        // Random points, and lattices whose cocircular cells need exact tests.
        c.points = i % 2 ? Grid(60 + (int)i, 50, 3.0 * (double)i, 0, 0.5) : RandomPoints(12000, (unsigned)i + 1, 0, 0, 500);
        c.switches = i % 4 == 0 ? "eQz" : i % 4 == 1 ? "nQz" : i % 4 == 2 ? "Qz" : "cQz";
        c.expected = Triangles(c.points, c.switches);
        ASSERT_FALSE(c.expected.empty());
    }
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE threads[8];
    for (size_t i = 0; i < cases.size(); i++) {
        cases[i].go = go;
        threads[i] = CreateThread(nullptr, 0, RepeatCase, &cases[i], 0, nullptr);
    }
    SetEvent(go);
    for (HANDLE t : threads) {
        ASSERT_NE(t, nullptr);
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    CloseHandle(go);
    for (size_t i = 0; i < cases.size(); i++) EXPECT_EQ(cases[i].mismatches, 0) << "case " << i;
}
