// Triangulation benchmark: 1 and 5 million points, uniform and real (autzen
// tiled), triangulated with the switches of the view TIN ("nQz": triangles and
// neighbours).
//   bench_triangulate [LAS]              every set, best of 3, in seconds
//   bench_triangulate SET POINTS [LAS]   one run of one set (uniform or real):
//                                        "seconds triangles checksum" (FNV-1a of
//                                        the corner and neighbour arrays, to see
//                                        that a change kept the output)
//   bench_triangulate threads SET POINTS [THREADS [ROUNDS [LAS]]]
//                                        one thread against THREADS (8 unless
//                                        given), alternating for ROUNDS rounds
//                                        (3 unless given): every round, the
//                                        medians, their ratio and whether the
//                                        checksums agree
// The environment variable VELKA_TRI_THREADS sets the thread count of the
// other modes (1 = one thread; unset = one a processor).
// bench/cgal/run alternates single runs of this program and of CGAL.
#include "base/triangulate/triangulate.h"
#include "base/heap.h"
#include "bench/bench_points.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static uint64_t Fnv(uint64_t h, const int* a, int64_t n)
{
    for (int64_t i = 0; i < n; i++) h = (h ^ (uint32_t)a[i]) * 1099511628211ull;
    return h;
}

static double Seconds(std::vector<double>& p, const char* switches, int* triangles, uint64_t* checksum = nullptr)
{
    TriangulateIO in{}, out{};
    in.points = p.data();
    in.pointCount = (int)(p.size() / 2);
    out.points = p.data();   // as the system's callers do: rewritten in place
    auto t0 = std::chrono::steady_clock::now();
    RunTriangulation(switches, &in, &out, nullptr, 0);
    auto t1 = std::chrono::steady_clock::now();
    *triangles = out.triangleCount;
    if (checksum) {
        *checksum = Fnv(14695981039346656037ull, out.triangles, 3 * (int64_t)out.triangleCount);
        if (out.neighbors) *checksum = Fnv(*checksum, out.neighbors, 3 * (int64_t)out.triangleCount);
    }
    NBLFree(out.pointMarkers);
    NBLFree(out.triangles);
    NBLFree(out.neighbors);
    NBLFree(out.edges);
    NBLFree(out.edgeMarkers);
    return std::chrono::duration<double>(t1 - t0).count();
}

static const char* kDefaultLas = "../shared/data/lidar/autzen_trim.las";

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Each run triangulates a fresh copy: the runs write the points back in place.
static int CompareThreads(std::vector<double>& p, int threads, int rounds)
{
    static char text[32];
    std::vector<double> one, many;
    uint64_t oneSum = 0, manySum = 0;
    bool same = true;
    for (int r = 0; r < rounds; r++) {
        for (int k = 0; k < 2; k++) {
            bool first = (k == 0) == (r % 2 == 0);   // the order swapped every round
            // The triangulator reads the C library's environment, which keeps this buffer.
            snprintf(text, sizeof text, "VELKA_TRI_THREADS=%d", first ? 1 : threads);
            putenv(text);
            std::vector<double> copy = p;
            int tris = 0;
            uint64_t sum = 0;
            double s = Seconds(copy, "nQz", &tris, &sum);
            (first ? one : many).push_back(s);
            uint64_t& seen = first ? oneSum : manySum;
            if (r == 0 && k < 2 && seen == 0) seen = sum;
            same = same && sum == seen;
            printf("round %d: %d thread%s %.3f s (%d triangles, checksum %016llx)\n", r + 1, first ? 1 : threads,
                   first ? "" : "s", s, tris, (unsigned long long)sum);
            fflush(stdout);
        }
    }
    snprintf(text, sizeof text, "VELKA_TRI_THREADS=");
    putenv(text);
    same = same && oneSum == manySum;
    printf("median 1 thread %.3f s, %d threads %.3f s, ratio %.2f, checksums %s\n", Median(one), threads, Median(many),
           Median(one) / Median(many), same ? "equal" : "DIFFERENT");
    return same ? 0 : 2;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && !strcmp(argv[1], "threads")) {
        int n = atoi(argv[3]);
        int threads = argc > 4 ? atoi(argv[4]) : 8;
        int rounds = argc > 5 ? atoi(argv[5]) : 3;
        std::vector<double> p = !strcmp(argv[2], "uniform") ? BenchUniform(n)
                                                            : BenchTiled(BenchReadLasXY(argc > 6 ? argv[6] : kDefaultLas), n);
        if (p.empty() || threads < 1 || rounds < 1) return 1;
        return CompareThreads(p, threads, rounds);
    }
    if (argc >= 3 && (!strcmp(argv[1], "uniform") || !strcmp(argv[1], "real"))) {
        int n = atoi(argv[2]);
        bool uniform = !strcmp(argv[1], "uniform");
        std::vector<double> p = uniform ? BenchUniform(n) : BenchTiled(BenchReadLasXY(argc > 3 ? argv[3] : kDefaultLas), n);
        if (p.empty()) return 1;
        int tris = 0;
        uint64_t checksum = 0;
        double s = Seconds(p, "nQz", &tris, &checksum);
        printf("%.3f %d %016llx\n", s, tris, (unsigned long long)checksum);
        return 0;
    }
    const char* las = argc > 1 ? argv[1] : kDefaultLas;
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
