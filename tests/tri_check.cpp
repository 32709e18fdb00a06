// Shared helpers of the triangulator tests (see tri_check.h).
#include "tests/tri_check.h"
#include "base/heap.h"
#include "point_sets.h"
#include <cstdio>
#include <random>

TriRun::~TriRun()
{
    TriangulateIO* r[2] = { &out, &vor };
    for (TriangulateIO* io : r) {
        if (io->points && io->points != points.data()) NBLFree(io->points);
        NBLFree(io->pointAttributes);
        NBLFree(io->pointMarkers);
        NBLFree(io->triangles);
        NBLFree(io->triangleAttributes);
        NBLFree(io->neighbors);
        NBLFree(io->segments);
        NBLFree(io->segmentMarkers);
        NBLFree(io->edges);
        NBLFree(io->edgeMarkers);
        NBLFree(io->normals);
    }
}

void TriRun::Run(const char* switches, bool voronoi)
{
    in.points = points.data();
    in.pointCount = (int)(points.size() / 2);
    if (!segments.empty()) {
        in.segments = segments.data();
        in.segmentCount = (int)(segments.size() / 2);
        in.segmentMarkers = segmentMarkers.empty() ? nullptr : segmentMarkers.data();
    }
    if (!pointMarkers.empty()) in.pointMarkers = pointMarkers.data();
    if (!holes.empty()) {
        in.holes = holes.data();
        in.holeCount = (int)(holes.size() / 2);
    }
    if (!regions.empty()) {
        in.regions = regions.data();
        in.regionCount = (int)(regions.size() / 4);
    }
    RunTriangulation(switches, &in, &out, voronoi ? &vor : nullptr, 0);
}

std::set<std::pair<int, int>> TriangleEdges(const TriangulateIO& out, int first)
{
    std::set<std::pair<int, int>> e;
    for (int t = 0; t < out.triangleCount; t++) {
        const int32_t* c = out.triangles + (int64_t)t * out.cornerCount;
        for (int k = 0; k < 3; k++) {
            int a = c[k] - first, b = c[(k + 1) % 3] - first;
            e.insert(std::make_pair(a < b ? a : b, a < b ? b : a));
        }
    }
    return e;
}

MeshCheck CheckMesh(const TriangulateIO& out, int first, bool delaunay,
                    const std::set<std::pair<int, int>>* constrained)
{
    MeshCheck r;
    auto fail = [&](const std::string& why) {
        if (r.ok) r.why = why;
        r.ok = false;
    };
    const double* p = out.points;
    // edge -> (triangle, opposite vertex)
    std::map<std::pair<int, int>, std::pair<int, int>> directed;
    for (int t = 0; t < out.triangleCount; t++) {
        const int32_t* c = out.triangles + (int64_t)t * out.cornerCount;
        int v[3] = { c[0] - first, c[1] - first, c[2] - first };
        for (int k = 0; k < 3; k++) {
            if (v[k] < 0 || v[k] >= out.pointCount) { fail("corner out of range"); return r; }
        }
        if (OrientationTest(0, p + 2 * v[0], p + 2 * v[1], p + 2 * v[2]) <= 0.0) fail("triangle not counterclockwise");
        for (int k = 0; k < 3; k++) {
            auto key = std::make_pair(v[k], v[(k + 1) % 3]);
            if (directed.count(key)) fail("directed edge used twice");
            directed[key] = std::make_pair(t, v[(k + 2) % 3]);
        }
    }
    for (auto& d : directed) {
        auto rev = directed.find(std::make_pair(d.first.second, d.first.first));
        if (rev == directed.end()) {
            r.hullEdges++;
            continue;
        }
        if (!delaunay) continue;
        int a = d.first.first, b = d.first.second, c = d.second.second, opposite = rev->second.second;
        auto und = std::make_pair(a < b ? a : b, a < b ? b : a);
        if (constrained && constrained->count(und)) continue;
        if (InCircleTest(0, p + 2 * a, p + 2 * b, p + 2 * c, p + 2 * opposite) > 0.0) fail("edge not Delaunay");
    }
    if (out.neighbors) {
        for (int t = 0; t < out.triangleCount; t++) {
            const int32_t* c = out.triangles + (int64_t)t * out.cornerCount;
            for (int k = 0; k < 3; k++) {
                int nb = out.neighbors[3 * t + k];
                // neighbour k lies across the edge opposite corner k
                int a = c[(k + 1) % 3], b = c[(k + 2) % 3];
                auto rev = directed.find(std::make_pair(b - first, a - first));
                int expect = rev == directed.end() ? -1 : rev->second.first + first;
                if (nb != expect) fail("neighbour list wrong");
            }
        }
    }
    return r;
}

::testing::AssertionResult IsValidMesh(const TriangulateIO& out, int first, bool delaunay,
                                       const std::set<std::pair<int, int>>* constrained)
{
    MeshCheck c = CheckMesh(out, first, delaunay, constrained);
    if (c.ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << c.why;
}

std::vector<double> RandomPoints(int n, unsigned seed, double x0, double y0, double size)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, size);
    std::vector<double> p((size_t)n * 2);
    for (int i = 0; i < n; i++) {
        p[2 * i] = x0 + u(rng);
        p[2 * i + 1] = y0 + u(rng);
    }
    return p;
}

std::vector<double> SampleXY(const char* name)
{
    std::vector<double> p;
    DataSet* set = ReadSampleLAS(SamplePath(name).c_str());
    if (!set) return p;
    for (int i = 0; i < set->pointCount; i++) {
        p.push_back(set->points[i].x);
        p.push_back(set->points[i].y);
    }
    FreeDataSet(set);
    return p;
}
