// Constrained segments, hull segments, holes and regions.
#include "tests/tri_check.h"
#include <cmath>
#include <memory>
#include <random>

static std::set<std::pair<int, int>> SegmentSet(const TriangulateIO& out)
{
    std::set<std::pair<int, int>> s;
    for (int i = 0; i < out.segmentCount; i++) {
        int a = out.segments[2 * i], b = out.segments[2 * i + 1];
        s.insert(std::make_pair(a < b ? a : b, a < b ? b : a));
    }
    return s;
}

static bool Contains(const std::set<std::pair<int, int>>& s, int a, int b)
{
    return s.count(std::make_pair(a < b ? a : b, a < b ? b : a)) != 0;
}

TEST(TriSegments, DelaunayEdgeSegmentGetsOneSubsegment)
{
    TriRun r({ 0, 0, 4, 0, 4, 4, 0, 4, 2, 1 });
    r.segments = { 0, 4 };
    r.segmentMarkers = { 7 };
    r.Run("pcQz");
    EXPECT_TRUE(IsValidMesh(r.out, 0, true));
    std::set<std::pair<int, int>> s = SegmentSet(r.out);
    EXPECT_EQ(r.out.segmentCount, 5);   // the segment plus four hull edges
    EXPECT_TRUE(Contains(s, 0, 4));
    for (int i = 0; i < r.out.segmentCount; i++) {
        int a = r.out.segments[2 * i], b = r.out.segments[2 * i + 1];
        EXPECT_EQ(r.out.segmentMarkers[i], (a + b == 4 && (a == 4 || b == 4)) ? 7 : 1);
    }
}

TEST(TriSegments, ForcedSegmentAppearsAsEdge)
{
    // a thin diamond: the Delaunay diagonal is the short one, the segment forces the long one
    TriRun r({ 0, 0, 10, -1, 20, 0, 10, 1 });
    r.segments = { 0, 2 };
    r.Run("pcneQz");
    std::set<std::pair<int, int>> e = TriangleEdges(r.out, 0);
    EXPECT_TRUE(Contains(e, 0, 2));
    EXPECT_FALSE(Contains(e, 1, 3));
    std::set<std::pair<int, int>> fixed = SegmentSet(r.out);
    EXPECT_TRUE(IsValidMesh(r.out, 0, true, &fixed));
}

TEST(TriSegments, SegmentThroughVertexIsSplit)
{
    TriRun r({ 0, 0, 4, 0, 4, 4, 0, 4, 2, 2, 1, 3 });
    r.segments = { 0, 2 };
    r.segmentMarkers = { 5 };
    r.Run("pcQz");
    std::set<std::pair<int, int>> s = SegmentSet(r.out);
    EXPECT_TRUE(Contains(s, 0, 4));
    EXPECT_TRUE(Contains(s, 4, 2));
    for (int i = 0; i < r.out.segmentCount; i++) {
        int a = r.out.segments[2 * i], b = r.out.segments[2 * i + 1];
        if ((a == 4 || b == 4) && (a == 0 || b == 0 || a == 2 || b == 2)) { EXPECT_EQ(r.out.segmentMarkers[i], 5); }
    }
}

TEST(TriSegments, CrossingSegmentsMeetAtNewVertex)
{
    TriRun r({ 0, 0, 4, 0, 4, 4, 0, 4, 1, 2.2, 3, 1.7 });
    r.segments = { 0, 2, 1, 3 };
    r.segmentMarkers = { 3, 9 };
    r.Run("pcQz");
    ASSERT_EQ(r.out.pointCount, 7);
    EXPECT_DOUBLE_EQ(r.out.points[12], 2.0);
    EXPECT_DOUBLE_EQ(r.out.points[13], 2.0);
    EXPECT_EQ(r.out.pointMarkers[6], 3);   // the segment that was there first
    std::set<std::pair<int, int>> s = SegmentSet(r.out);
    for (int v : { 0, 1, 2, 3 }) EXPECT_TRUE(Contains(s, v, 6)) << v;
    EXPECT_EQ(r.out.segmentCount, 4 + 4);
    std::set<std::pair<int, int>> fixed = s;
    EXPECT_TRUE(IsValidMesh(r.out, 0, true, &fixed));
}

TEST(TriSegments, OutOfRangeAndDegenerateSegmentsIgnored)
{
    TriRun r({ 0, 0, 4, 0, 4, 4, 0, 4, 0, 0 });
    r.segments = { 0, 5, -1, 2, 0, 4, 1, 3 };
    r.Run("pcQz");
    std::set<std::pair<int, int>> s = SegmentSet(r.out);
    EXPECT_TRUE(Contains(s, 1, 3));
    EXPECT_FALSE(Contains(s, 0, 4));
    EXPECT_TRUE(IsValidMesh(r.out, 0, false));
}

TEST(TriSegments, RandomSegmentsOnRandomPoints)
{
    std::vector<double> p = RandomPoints(400, 21, 500000, 4100000, 100);
    TriRun r(p);
    std::mt19937 rng(4);
    for (int i = 0; i < 40; i++) {
        r.segments.push_back((int)(rng() % 400));
        r.segments.push_back((int)(rng() % 400));
    }
    r.Run("pcnQz");
    std::set<std::pair<int, int>> fixed = SegmentSet(r.out);
    EXPECT_TRUE(IsValidMesh(r.out, 0, true, &fixed));
    std::set<std::pair<int, int>> e = TriangleEdges(r.out, 0);
    for (auto& s : fixed) EXPECT_TRUE(e.count(s)) << s.first << "-" << s.second;
    // each input segment is covered by a chain of collinear subsegments
    for (size_t i = 0; i + 1 < r.segments.size(); i += 2) {
        int a = r.segments[i], b = r.segments[i + 1];
        if (a == b) continue;
        const double* pa = r.P(a);
        const double* pb = r.P(b);
        double length = 0.0, covered = 0.0;
        length = std::hypot(pb[0] - pa[0], pb[1] - pa[1]);
        for (auto& s : fixed) {
            const double* q0 = r.P(s.first);
            const double* q1 = r.P(s.second);
            auto onSeg = [&](const double* q) {
                double cross = (pb[0] - pa[0]) * (q[1] - pa[1]) - (pb[1] - pa[1]) * (q[0] - pa[0]);
                double dot = (q[0] - pa[0]) * (pb[0] - pa[0]) + (q[1] - pa[1]) * (pb[1] - pa[1]);
                return std::fabs(cross) <= 1e-6 * length * length && dot >= -1e-9 && dot <= length * length * (1 + 1e-9);
            };
            if (onSeg(q0) && onSeg(q1)) covered += std::hypot(q1[0] - q0[0], q1[1] - q0[1]);
        }
        EXPECT_NEAR(covered, length, 1e-6 * length) << a << "-" << b;
    }
}

TEST(TriSegments, HullSegmentsWithC)
{
    TriRun r(RandomPoints(300, 8, 0, 0, 10));
    r.Run("cQz");
    MeshCheck c = CheckMesh(r.out, 0, true);
    EXPECT_TRUE(c.ok) << c.why;
    EXPECT_EQ(r.out.segmentCount, c.hullEdges);
    for (int i = 0; i < r.out.segmentCount; i++) {
        EXPECT_EQ(r.out.segmentMarkers[i], 1);
        EXPECT_EQ(r.out.pointMarkers[r.out.segments[2 * i]], 1);
    }
}

// A 10 x 10 square of points with a closed square of segments at 2..8 and
// points outside it at the corners of a larger box.
static TriRun* SquareDomain()
{
    std::vector<double> p;
    for (int j = 0; j <= 10; j++)
        for (int i = 0; i <= 10; i++) {
            p.push_back(i);
            p.push_back(j);
        }
    TriRun* r = new TriRun(p);
    auto id = [](int i, int j) { return j * 11 + i; };
    int ring[4][2] = { { 2, 2 }, { 8, 2 }, { 8, 8 }, { 2, 8 } };
    for (int k = 0; k < 4; k++) {
        r->segments.push_back(id(ring[k][0], ring[k][1]));
        r->segments.push_back(id(ring[(k + 1) % 4][0], ring[(k + 1) % 4][1]));
    }
    return r;
}

static double Area(const TriRun& r)
{
    double a = 0;
    for (int t = 0; t < r.out.triangleCount; t++) {
        const int32_t* c = r.out.triangles + 3 * t;
        const double *p = r.P(c[0]), *q = r.P(c[1]), *s = r.P(c[2]);
        a += 0.5 * ((q[0] - p[0]) * (s[1] - p[1]) - (q[1] - p[1]) * (s[0] - p[0]));
    }
    return a;
}

TEST(TriHoles, ExteriorRemovedOutsideClosedSegments)
{
    std::unique_ptr<TriRun> r(SquareDomain());
    r->Run("pnQz");
    EXPECT_DOUBLE_EQ(Area(*r), 36.0);
    EXPECT_EQ(r->out.pointCount, 121);   // points outside stay in the list
    MeshCheck c = CheckMesh(r->out, 0, false);
    EXPECT_TRUE(c.ok) << c.why;
    EXPECT_EQ(c.hullEdges, 24);
    EXPECT_EQ(r->out.edgeCount, (3 * r->out.triangleCount + 24) / 2);
    std::set<int> used;
    for (int i = 0; i < 3 * r->out.triangleCount; i++) used.insert(r->out.triangles[i]);
    EXPECT_EQ(used.size(), 49u);
}

TEST(TriHoles, ConvexHullKeptWithC)
{
    std::unique_ptr<TriRun> r(SquareDomain());
    r->Run("pcQz");
    EXPECT_DOUBLE_EQ(Area(*r), 100.0);
}

TEST(TriHoles, HoleRemovesItsRegionOnly)
{
    std::unique_ptr<TriRun> r(SquareDomain());
    r->holes = { 5.5, 5.5 };
    r->Run("pcQz");
    EXPECT_DOUBLE_EQ(Area(*r), 100.0 - 36.0);
    std::unique_ptr<TriRun> o(SquareDomain());
    o->holes = { 5.5, 5.5 };
    o->Run("pcOQz");
    EXPECT_DOUBLE_EQ(Area(*o), 100.0);
    std::unique_ptr<TriRun> far(SquareDomain());
    far->holes = { 50.0, 5.0 };
    far->Run("pcQz");
    EXPECT_DOUBLE_EQ(Area(*far), 100.0);
    EXPECT_EQ(far->out.holeCount, 1);
    EXPECT_EQ(far->out.holes, far->holes.data());
}

TEST(TriHoles, RegionAttributesLaterRegionWins)
{
    std::unique_ptr<TriRun> r(SquareDomain());
    r->regions = { 5, 5.5, 7.0, 0, 4.5, 4.5, 9.0, 0, 0.5, 0.5, 3.0, 0 };
    r->Run("pcAQz");
    ASSERT_EQ(r->out.triangleAttributeCount, 1);
    double inner = 0, outer = 0;
    for (int t = 0; t < r->out.triangleCount; t++) {
        const int32_t* c = r->out.triangles + 3 * t;
        double cx = (r->P(c[0])[0] + r->P(c[1])[0] + r->P(c[2])[0]) / 3;
        double cy = (r->P(c[0])[1] + r->P(c[1])[1] + r->P(c[2])[1]) / 3;
        bool in = cx > 2 && cx < 8 && cy > 2 && cy < 8;
        EXPECT_EQ(r->out.triangleAttributes[t], in ? 9.0 : 3.0);
        (in ? inner : outer) += 1;
    }
    EXPECT_GT(inner, 0);
    EXPECT_GT(outer, 0);

    std::unique_ptr<TriRun> h(SquareDomain());
    h->holes = { 5, 5 };
    h->regions = { 5.5, 5.5, 4.0, 0 };   // falls in the hole: skipped
    h->Run("pcAQz");
    for (int t = 0; t < h->out.triangleCount; t++) EXPECT_EQ(h->out.triangleAttributes[t], 0.0);
}

// Many crossing segments: on random points every run yields a valid
// constrained Delaunay mesh; on a coarse lattice (crossings that round next to
// lattice points) a run may be abandoned, but never returns a broken mesh.
TEST(TriSegments, ManyCrossingSegmentsStayValid)
{
    int lattice = 0, latticeEmpty = 0;
    for (unsigned seed = 0; seed < 60; seed++) {
        std::mt19937 rng(seed);
        bool grid = seed % 2 == 1;
        int n = 20 + (int)(rng() % 200);
        std::vector<double> p;
        for (int i = 0; i < n; i++) {
            if (grid) {
                p.push_back(500000.0 + (rng() % 20) * 0.5);
                p.push_back(4100000.0 + (rng() % 20) * 0.5);
            } else {
                p.push_back(500000.0 + (rng() % 1000000) * 1e-4);
                p.push_back(4100000.0 + (rng() % 1000000) * 1e-4);
            }
        }
        TriRun r(p);
        for (int i = 0; i < 25; i++) {
            r.segments.push_back((int)(rng() % n));
            r.segments.push_back((int)(rng() % n));
        }
        r.Run("pcneQz");
        if (grid) {
            lattice++;
            if (r.out.triangleCount == 0) {
                latticeEmpty++;
                continue;
            }
        }
        ASSERT_GT(r.out.triangleCount, 0) << seed;
        std::set<std::pair<int, int>> fixed = SegmentSet(r.out);
        MeshCheck c = CheckMesh(r.out, 0, !grid, &fixed);
        EXPECT_TRUE(c.ok) << seed << ": " << c.why;
        std::set<std::pair<int, int>> e = TriangleEdges(r.out, 0);
        for (auto& s : fixed) EXPECT_TRUE(e.count(s)) << seed;
    }
    EXPECT_LT(latticeEmpty * 4, lattice);
}
