// Ground triangulation engine benchmark: the points of a LAS or LAZ file
// inserted one by one in ascending Z order (the order of the classification
// walks), against the divide-and-conquer triangulator on the same points.
// Prints each run's seconds, then the median and points per second of each
// (runs alternate between the two), and a checksum of the ground engine's
// triangle set (independent of triangle and corner order) to compare builds.
#include "classify/groundtin.h"
#include "bench_clock.h"
#include <windows.h>
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "base/heap.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

// A checksum of a triangle set as coordinate triples: the same for the same
// triangles in any order and with any corner rotation.
static uint64_t Mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

static uint64_t TriangleSetChecksum(const TriangulateIO& out)
{
    uint64_t sum = 0;
    for (int32_t t = 0; t < out.triangleCount; t++) {
        uint64_t corner[3];
        for (int c = 0; c < 3; c++) {
            const double* p = out.points + 2 * (int64_t)out.triangles[3 * (int64_t)t + c];
            uint64_t x, y;
            memcpy(&x, &p[0], 8);
            memcpy(&y, &p[1], 8);
            corner[c] = Mix(x * 0x9e3779b97f4a7c15ULL ^ Mix(y));
        }
        std::sort(corner, corner + 3);
        sum += Mix(corner[0] ^ Mix(corner[1] ^ Mix(corner[2])));
    }
    return sum;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}


static double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int main(int argc, char** argv)
{
    // The engine runs on one thread: so does the triangulator it is held
    // against, unless VELKA_TRI_THREADS says otherwise.
    if (!getenv("VELKA_TRI_THREADS")) putenv((char*)"VELKA_TRI_THREADS=1");
    const char* path = argc > 1 ? argv[1] : "../shared/data/bench/autzen_x25.laz";
    double t0 = Now();
    DataSet* set = LoadLASData(path, "bench");
    if (!set) {
        printf("cannot load %s\n", path);
        return 1;
    }
    printf("%s: %d points, loaded in %.2f s\n", path, set->pointCount, Now() - t0);
    std::vector<int32_t> order(set->pointCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return set->points[a].z < set->points[b].z; });
    std::vector<double> xy(2 * order.size());
    std::vector<PointRecord*> table(order.size());
    for (size_t k = 0; k < order.size(); k++) {
        xy[2 * k] = set->points[order[k]].x;
        xy[2 * k + 1] = set->points[order[k]].y;
        table[k] = &set->points[order[k]];
    }
    PointSelection selection{};
    selection.items = table.data();
    selection.count = (int32_t)table.size();
    std::vector<double> groundTimes, divideTimes;
    int32_t groundTriangles = 0, divideTriangles = 0;
    uint64_t groundChecksum = 0;
    int runs = argc > 2 ? atoi(argv[2]) : 3;
    for (int r = 0; r < runs; r++) {
        std::vector<double> p = xy;
        TriangulateIO in{}, out{};
        in.points = p.data();
        in.pointCount = (int32_t)(p.size() / 2);
        out.points = p.data();
        double s = Now(), c = ThreadSeconds();
        GroundTinDrive("iQz", &in, &out, &selection, GroundTinRunInsertAll, 0);
        groundTimes.push_back(Now() - s);
        double groundCpu = ThreadSeconds() - c;
        groundTriangles = out.triangleCount;
        groundChecksum = TriangleSetChecksum(out);
        NBLFree(out.pointMarkers);
        NBLFree(out.triangles);

        p = xy;
        TriangulateIO in2{}, out2{};
        in2.points = p.data();
        in2.pointCount = in.pointCount;
        out2.points = p.data();
        s = Now();
        c = ThreadSeconds();
        RunTriangulation("Qz", &in2, &out2, nullptr, 0);
        divideTimes.push_back(Now() - s);
        double divideCpu = ThreadSeconds() - c;
        divideTriangles = out2.triangleCount;
        printf("run %d: ground engine %.3f s (cpu %.2f), divide and conquer %.3f s (cpu %.2f)\n", r + 1,
               groundTimes.back(), groundCpu, divideTimes.back(), divideCpu);
        fflush(stdout);
        NBLFree(out2.pointMarkers);
        NBLFree(out2.triangles);
    }
    double n = (double)xy.size() / 2;
    double bestGround = Median(groundTimes), bestDivide = Median(divideTimes);
    printf("ground engine, ascending Z:  %.3f s  %.2f M points/s  %d triangles  checksum %016llx\n", bestGround,
           n / bestGround / 1e6, groundTriangles, (unsigned long long)groundChecksum);
    printf("divide and conquer (\"Qz\"):   %.3f s  %.2f M points/s  %d triangles\n", bestDivide,
           n / bestDivide / 1e6, divideTriangles);
    printf("ratio of the medians: %.2f\n", bestGround / bestDivide);
    FreeDataSet(set);
    return 0;
}
