// Comparison anchor for bench_triangulate: CGAL's 2-D Delaunay triangulation
// (exact predicates, inexact constructions kernel; insertion of a range sorts
// the points spatially first) on the same point sets. Built natively by
// bench/cgal/run; not part of the product or its build.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include "../bench_points.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

typedef CGAL::Exact_predicates_inexact_constructions_kernel K;
typedef CGAL::Delaunay_triangulation_2<K> Delaunay;

static double Run(const std::vector<double>& p, size_t* faces)
{
    std::vector<K::Point_2> pts;
    pts.reserve(p.size() / 2);
    for (size_t i = 0; i < p.size(); i += 2) pts.emplace_back(p[i], p[i + 1]);
    auto t0 = std::chrono::steady_clock::now();
    Delaunay dt;
    dt.insert(pts.begin(), pts.end());
    auto t1 = std::chrono::steady_clock::now();
    *faces = dt.number_of_faces();
    return std::chrono::duration<double>(t1 - t0).count();
}

// bench_cgal [LAS]: every set, best of 3; bench_cgal SET POINTS [LAS]: one run
// of one set, printed as "seconds triangles".
int main(int argc, char** argv)
{
    if (argc >= 3 && (!strcmp(argv[1], "uniform") || !strcmp(argv[1], "real"))) {
        int n = atoi(argv[2]);
        bool uniform = !strcmp(argv[1], "uniform");
        std::vector<double> p = uniform ? BenchUniform(n)
                                        : BenchTiled(BenchReadLasXY(argc > 3 ? argv[3] : "../shared/data/lidar/autzen_trim.las"), n);
        if (p.empty()) return 1;
        size_t faces = 0;
        double s = Run(p, &faces);
        printf("%.3f %zu\n", s, faces);
        return 0;
    }
    const char* las = argc > 1 ? argv[1] : "../shared/data/lidar/autzen_trim.las";
    std::vector<double> autzen = BenchReadLasXY(las);
    int counts[2] = { 1000000, 5000000 };
    printf("set        points     triangles  seconds (best of 3, CGAL Delaunay_triangulation_2)\n");
    for (int n : counts) {
        for (int kind = 0; kind < 2; kind++) {
            std::vector<double> p = kind == 0 ? BenchUniform(n) : BenchTiled(autzen, n);
            if (p.empty()) {
                printf("real       %-10d (autzen_trim.las not found at %s)\n", n, las);
                continue;
            }
            double best = 1e30;
            size_t faces = 0;
            for (int r = 0; r < 3; r++) {
                double s = Run(p, &faces);
                if (s < best) best = s;
            }
            printf("%-10s %-10d %-10zu %.3f\n", kind == 0 ? "uniform" : "real", n, faces, best);
            fflush(stdout);
        }
    }
    return 0;
}
