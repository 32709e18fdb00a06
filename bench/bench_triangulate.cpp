// Triangulation benchmark: 1 and 5 million points, uniform and real (autzen
// tiled), triangulated with the switches of the view TIN ("nQz": triangles and
// neighbours). Prints seconds per set. Compare with bench/cgal/run.
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "bench/bench_points.h"
#include <chrono>
#include <cstdio>

static double Seconds(std::vector<double>& p, const char* switches, int* triangles)
{
    TriangulateIO in{}, out{};
    in.points = p.data();
    in.pointCount = (int)(p.size() / 2);
    out.points = p.data();   // as the system's callers do: rewritten in place
    auto t0 = std::chrono::steady_clock::now();
    RunTriangulation(switches, &in, &out, nullptr, 0);
    auto t1 = std::chrono::steady_clock::now();
    *triangles = out.triangleCount;
    NBLFree(out.pointMarkers);
    NBLFree(out.triangles);
    NBLFree(out.neighbors);
    NBLFree(out.edges);
    NBLFree(out.edgeMarkers);
    return std::chrono::duration<double>(t1 - t0).count();
}

int main(int argc, char** argv)
{
    const char* las = argc > 1 ? argv[1] : "../shared/data/lidar/autzen_trim.las";
    std::vector<double> autzen = BenchReadLasXY(las);
    int counts[2] = { 1000000, 5000000 };
    printf("set        points     triangles  seconds (best of 3, \"nQz\")\n");
    for (int n : counts) {
        for (int kind = 0; kind < 2; kind++) {
            std::vector<double> p = kind == 0 ? BenchUniform(n) : BenchTiled(autzen, n);
            if (p.empty()) {
                printf("real       %-10d (autzen_trim.las not found at %s)\n", n, las);
                continue;
            }
            double best = 1e30;
            int tris = 0;
            for (int r = 0; r < 3; r++) {
                double s = Seconds(p, "nQz", &tris);
                if (s < best) best = s;
            }
            printf("%-10s %-10d %-10d %.3f\n", kind == 0 ? "uniform" : "real", n, tris, best);
            fflush(stdout);
        }
    }
    return 0;
}
