// Property checks on larger sets: empty circumcircles across every edge
// (equivalent to the global property for a valid triangulation) and the Euler
// counts T = 2V - h - 2, E = 3V - h - 3 with h hull edges.
#include "tests/tri_check.h"
#include "point_sets.h"
#include <cmath>
#include <random>

static void CheckEuler(const TriRun& r, int distinct)
{
    MeshCheck c = CheckMesh(r.out, 0, true);
    ASSERT_TRUE(c.ok) << c.why;
    EXPECT_EQ(r.out.triangleCount, 2 * distinct - c.hullEdges - 2);
    EXPECT_EQ(r.out.edgeCount, 3 * distinct - c.hullEdges - 3);
}

static int Distinct(const std::vector<double>& p)
{
    std::set<std::pair<double, double>> s;
    for (size_t i = 0; i < p.size(); i += 2) s.insert(std::make_pair(p[i], p[i + 1]));
    return (int)s.size();
}

TEST(TriProperty, RandomSetsAreDelaunay)
{
    for (unsigned seed = 1; seed <= 6; seed++) {
        for (const char* sw : { "neQz", "neQzl" }) {
            std::vector<double> p = RandomPoints(3000, seed, 500000.125, 4100000.375, 300.0);
            TriRun r(p);
            r.Run(sw);
            CheckEuler(r, 3000);
        }
    }
}

TEST(TriProperty, LidarLikeSetsAreDelaunay)
{
    // scan lines of quantised (1 cm) points with repeats and collinear runs
    std::mt19937 rng(99);
    std::normal_distribution<double> jitter(0.0, 0.05);
    std::vector<double> p;
    for (int line = 0; line < 60; line++) {
        for (int k = 0; k < 120; k++) {
            double x = 637000.0 + k * 0.7 + jitter(rng);
            double y = 851000.0 + line * 0.9 + 0.3 * std::sin(k * 0.1) + jitter(rng);
            p.push_back(std::round(x * 100.0) / 100.0);
            p.push_back(std::round(y * 100.0) / 100.0);
        }
    }
    for (int k = 0; k < 200; k++) {   // exact repeats and a collinear row
        p.push_back(p[2 * k * 7]);
        p.push_back(p[2 * k * 7 + 1]);
        p.push_back(637000.0 + k * 0.25);
        p.push_back(850990.0);
    }
    TriRun r(p);
    r.Run("neQz");
    CheckEuler(r, Distinct(p));
}

TEST(TriProperty, AutzenPointsAreDelaunay)
{
    REQUIRE_SAMPLES();
    DataSet* set = ReadSampleLAS(SamplePath("autzen_trim.las").c_str());
    ASSERT_NE(set, nullptr);
    std::vector<double> p;
    for (int i = 0; i < set->pointCount; i++) {
        p.push_back(set->points[i].x);
        p.push_back(set->points[i].y);
    }
    FreeDataSet(set);
    ASSERT_EQ(p.size(), 2 * 110000u);
    TriRun r(p);
    r.Run("neQz");
    EXPECT_EQ(r.out.pointCount, (int)(p.size() / 2));
    CheckEuler(r, Distinct(p));
}
