// Ground triangulation engine benchmark: the points of a LAS or LAZ file
// inserted one by one in ascending Z order (the order of the classification
// walks), against the divide-and-conquer triangulator on the same points.
// Prints seconds and points per second of each (best of 3).
#include "classify/groundtin.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "base/heap.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

static double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int main(int argc, char** argv)
{
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
    double bestGround = 1e30, bestDivide = 1e30;
    int32_t groundTriangles = 0, divideTriangles = 0;
    int runs = argc > 2 ? atoi(argv[2]) : 3;
    for (int r = 0; r < runs; r++) {
        std::vector<double> p = xy;
        TriangulateIO in{}, out{};
        in.points = p.data();
        in.pointCount = (int32_t)(p.size() / 2);
        out.points = p.data();
        double s = Now();
        GroundTinDrive("iQz", &in, &out, &selection, GroundTinRunInsertAll, 0);
        bestGround = std::min(bestGround, Now() - s);
        groundTriangles = out.triangleCount;
        NBLFree(out.pointMarkers);
        NBLFree(out.triangles);

        p = xy;
        TriangulateIO in2{}, out2{};
        in2.points = p.data();
        in2.pointCount = in.pointCount;
        out2.points = p.data();
        s = Now();
        RunTriangulation("Qz", &in2, &out2, nullptr, 0);
        bestDivide = std::min(bestDivide, Now() - s);
        divideTriangles = out2.triangleCount;
        NBLFree(out2.pointMarkers);
        NBLFree(out2.triangles);
    }
    double n = (double)xy.size() / 2;
    printf("ground engine, ascending Z:  %.3f s  %.2f M points/s  %d triangles\n", bestGround, n / bestGround / 1e6,
           groundTriangles);
    printf("divide and conquer (\"Qz\"):   %.3f s  %.2f M points/s  %d triangles\n", bestDivide,
           n / bestDivide / 1e6, divideTriangles);
    printf("ratio: %.2f\n", bestGround / bestDivide);
    FreeDataSet(set);
    return 0;
}
