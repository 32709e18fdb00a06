// Helpers for the triangulator tests: running a triangulation into fresh
// records and checking the structure of its output.
#pragma once
#include "gtest_winelib.h"
#include "base/triangulate/triangulate.h"
#include "base/triangulate/predicates.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Owns the output arrays of one run (the arrays come from NBLMalloc, freed with NBLFree).
struct TriRun {
    TriangulateIO in{};
    TriangulateIO out{};
    TriangulateIO vor{};
    std::vector<double> points;
    std::vector<int32_t> segments, segmentMarkers, pointMarkers;
    std::vector<double> holes, regions;

    explicit TriRun(std::vector<double> p) : points(std::move(p)) {}
    ~TriRun();
    void Run(const char* switches, bool voronoi = false);
    // point k of the output (numbers from `first`)
    const double* P(int number, int first = 0) const { return out.points + 2 * (number - first); }
};

struct MeshCheck {
    bool ok = true;
    std::string why;
    int hullEdges = 0;
};

// Checks counterclockwise triangles, symmetric neighbours, that each
// neighbour shares the edge, and (when delaunay) the empty-circle property
// across every interior edge that is not in `constrained`.
MeshCheck CheckMesh(const TriangulateIO& out, int first, bool delaunay,
                    const std::set<std::pair<int, int>>* constrained = nullptr);
// CheckMesh as an assertion whose failure says what is wrong.
::testing::AssertionResult IsValidMesh(const TriangulateIO& out, int first, bool delaunay,
                                       const std::set<std::pair<int, int>>* constrained = nullptr);

// The set of undirected edges of the triangle list.
std::set<std::pair<int, int>> TriangleEdges(const TriangulateIO& out, int first);

std::vector<double> RandomPoints(int n, unsigned seed, double x0, double y0, double size);

// XY of the points of the sample LAS file `name` as the loader reads them;
// empty when the file is absent.
std::vector<double> SampleXY(const char* name);
