// Property checks on larger sets: empty circumcircles across every edge
// (equivalent to the global property for a valid triangulation) and the Euler
// counts T = 2V - h - 2, E = 3V - h - 3 with h hull edges.
#include "tests/tri_check.h"
#include "point_sets.h"
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    std::vector<double> p = SampleXY("autzen_trim.las");
    ASSERT_EQ(p.size(), 2 * 110000u);
    TriRun r(p);
    r.Run("neQz");
    EXPECT_EQ(r.out.pointCount, (int)(p.size() / 2));
    CheckEuler(r, Distinct(p));
}

// Lattices are full of ties: equal x, equal y, repeats and cocircular
// quadruples, where which Delaunay triangulation comes out depends on the
// order of the cuts and which repeat stays on the sort. The checksums are
// those of the median cuts and the classic quicksort loop, which the faster
// rank cuts and block partitions must reproduce exactly.
static uint64_t MeshChecksum(const TriangulateIO& out)
{
    uint64_t h = 14695981039346656037ull;
    for (int64_t i = 0; i < 3 * (int64_t)out.triangleCount; i++) h = (h ^ (uint32_t)out.triangles[i]) * 1099511628211ull;
    for (int64_t i = 0; i < 3 * (int64_t)out.triangleCount; i++) h = (h ^ (uint32_t)out.neighbors[i]) * 1099511628211ull;
    return h;
}

static std::vector<double> ShuffledLattice(bool repeats)
{
    std::mt19937 rng(repeats ? 2027 : 2026);
    std::vector<double> p;
    if (!repeats) {
        for (int i = 0; i < 110; i++)
            for (int j = 0; j < 110; j++) {
                p.push_back(500000.0 + i * 0.5);
                p.push_back(4100000.0 + j * 0.5);
            }
    } else {
        for (int k = 0; k < 20000; k++) {   // 20000 draws from 22500 nodes
            p.push_back(637000.0 + (int)(rng() % 150) * 0.25);
            p.push_back(851000.0 + (int)(rng() % 150) * 0.25);
        }
    }
    for (int i = (int)p.size() / 2 - 1; i > 0; i--) {
        int j = (int)(rng() % (unsigned)(i + 1));
        std::swap(p[2 * i], p[2 * j]);
        std::swap(p[2 * i + 1], p[2 * j + 1]);
    }
    return p;
}

TEST(TriProperty, TiesGiveTheSameMeshAsTheMedianCuts)
{
    struct Case { bool repeats; int triangles; uint64_t checksum; };
    for (const Case& c : { Case{ false, 23762, 0x46de89c59fdf102bull }, Case{ true, 26207, 0x50f6ec6c2e62556cull } }) {
        for (const char* sw : { "nQz", "pcnQz" }) {
            TriRun r(ShuffledLattice(c.repeats));
            r.Run(sw);
            EXPECT_EQ(r.out.triangleCount, c.triangles) << sw;
            EXPECT_EQ(MeshChecksum(r.out), c.checksum) << sw << (c.repeats ? " with repeats" : "");
        }
    }
}

// Parts of the mesh built on worker threads must give the same output,
// numbering included, as one thread: the sets are large enough to be cut
// into parts, and the repeats must keep the point that one thread keeps.
// The triangulator reads the C library's environment; an empty count leaves
// the choice to it.
static void SetTriThreads(const char* threads)
{
    static char setting[40];
    snprintf(setting, sizeof setting, "VELKA_TRI_THREADS=%s", threads);
    putenv(setting);
}

static uint64_t ChecksumOnThreads(const std::vector<double>& p, const char* sw, const char* threads)
{
    SetTriThreads(threads);
    TriRun r(p);
    r.Run(sw);
    SetTriThreads("");
    uint64_t h = MeshChecksum(r.out) * 31 + (uint64_t)r.out.triangleCount;
    for (int i = 0; i < r.out.pointCount; i++) h = (h ^ (uint32_t)r.out.pointMarkers[i]) * 1099511628211ull;
    return h;
}

TEST(TriProperty, AnyThreadCountGivesTheSameMesh)
{
    struct Set {
        const char* name;
        std::vector<double> points;
        std::vector<const char*> switches;
    };
    std::vector<Set> sets;
    sets.push_back({ "lattice", ShuffledLattice(false), { "nQz", "pcnQz" } });
    sets.push_back({ "lattice with repeats", ShuffledLattice(true), { "nQz", "pcnQz" } });
    sets.push_back({ "random", RandomPoints(30000, 7, 500000.125, 4100000.375, 300.0), { "nQz", "nQzl" } });
    std::vector<double> row;   // collinear, with every point twice
    for (int k = 0; k < 3000; k++) {
        row.push_back(637000.0 + (k % 1500) * 0.5);
        row.push_back(851000.0 + (k % 1500) * 0.25);
    }
    sets.push_back({ "collinear repeats", row, { "nQz" } });
    sets.push_back({ "one point", std::vector<double>(4000, 12.5), { "nQz" } });
    std::vector<double> withNaN = RandomPoints(5000, 8, 0.0, 0.0, 100.0);
    withNaN[2 * 2500] = std::nan("");   // a sort by comparisons must not see it
    sets.push_back({ "a coordinate not a number", withNaN, { "nQz" } });
    std::vector<double> autzen = SampleXY("autzen_trim.las");
    if (!autzen.empty()) {
        sets.push_back({ "autzen", autzen, { "nQz" } });
    } else {
        EXPECT_FALSE(SamplesRequired()) << "autzen_trim.las absent";
    }
    for (const Set& set : sets) {
        for (const char* sw : set.switches) {
            uint64_t one = ChecksumOnThreads(set.points, sw, "1");
            for (const char* threads : { "2", "3", "8" })
                EXPECT_EQ(ChecksumOnThreads(set.points, sw, threads), one) << set.name << " " << sw << " on " << threads;
        }
    }
}
