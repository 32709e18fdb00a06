// Contour speed: 1 m contours over the TIN of autzen_trim.las (every point)
// and over the ground points (class 2) of autzen_x25.laz. Prints the median
// seconds of three alternating rounds of the TIN build, of the tracing on the
// default threads and of the tracing on one thread, the lines and vertices
// traced and a checksum of the lines (order, types and vertex bits) to
// compare runs by; the two tracings must give the same checksum.
#include "app/display_settings.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/tin_contours.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

// FNV-1a over every line's type, vertex count and vertex bytes, in list order.
static uint64_t ContourChecksum(const ContourList* list)
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, size_t bytes) {
        const unsigned char* b = (const unsigned char*)data;
        for (size_t i = 0; i < bytes; i++) h = (h ^ b[i]) * 1099511628211ull;
    };
    for (int i = 0; list && i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        mix(&line->type, sizeof line->type);
        mix(&line->vertexCount, sizeof line->vertexCount);
        mix(line->vertices, (size_t)line->vertexCount * sizeof(Vec3));
    }
    return h;
}

static void Run(const char* path, const char* title, int onlyClass)
{
    DataSet* set = LoadLASData(path, title);
    if (!set) {
        printf("%s: cannot be read at %s\n", title, path);
        return;
    }
    printf("%s: %d points loaded\n", title, set->pointCount);
    int n = 0;
    for (int i = 0; i < set->pointCount; i++) n += onlyClass < 0 || set->points[i].classification == onlyClass;
    PointSelection* points = CreatePointSelection(n);
    for (int i = 0, k = 0; i < set->pointCount; i++)
        if (onlyClass < 0 || set->points[i].classification == onlyClass) points->items[k++] = &set->points[i];
    // Rounds alternate the TIN build and the tracing; medians and spreads are printed.
    const int rounds = 3;
    double tinSeconds[rounds], contourSeconds[rounds], oneThreadSeconds[rounds];
    TINModel* tin = nullptr;
    ContourList* list = nullptr;
    ContourList* oneThread = nullptr;
    LARGE_INTEGER f, t0, t1, t2, t3;
    QueryPerformanceFrequency(&f);
    for (int round = 0; round < rounds; round++) {
        FreeContourList(list);
        FreeContourList(oneThread);
        FreeTINModel(tin, 0);
        QueryPerformanceCounter(&t0);
        tin = BuildTINFromPoints(points);
        QueryPerformanceCounter(&t1);
        list = NewContourList();
        TraceTINContours(tin, 1.0f, &list, nullptr);
        QueryPerformanceCounter(&t2);
        oneThread = NewContourList();
        TraceTINContours(tin, 1.0f, &oneThread, nullptr, 0, 1);
        QueryPerformanceCounter(&t3);
        tinSeconds[round] = Seconds(t0, t1, f);
        contourSeconds[round] = Seconds(t1, t2, f);
        oneThreadSeconds[round] = Seconds(t2, t3, f);
    }
    long long vertices = 0;
    for (int i = 0; list && i < list->count; i++) vertices += list->lines[i]->vertexCount;
    printf("%s: %d points, %d triangles, Z %.1f .. %.1f\n", title, n, tin ? tin->triangleCount : 0, tin ? tin->minZ : 0,
           tin ? tin->maxZ : 0);
    std::sort(tinSeconds, tinSeconds + rounds);
    std::sort(contourSeconds, contourSeconds + rounds);
    std::sort(oneThreadSeconds, oneThreadSeconds + rounds);
    printf("  TIN %.3f s (%.3f .. %.3f), 1 m contours %.3f s (%.3f .. %.3f) on %d threads, %.3f s (%.3f .. %.3f) on "
           "one, over %d rounds\n",
           tinSeconds[rounds / 2], tinSeconds[0], tinSeconds[rounds - 1], contourSeconds[rounds / 2], contourSeconds[0],
           contourSeconds[rounds - 1], ContourThreadCount(), oneThreadSeconds[rounds / 2], oneThreadSeconds[0],
           oneThreadSeconds[rounds - 1], rounds);
    printf("  contours / TIN %.2f (one thread %.2f)\n", contourSeconds[rounds / 2] / tinSeconds[rounds / 2],
           oneThreadSeconds[rounds / 2] / tinSeconds[rounds / 2]);
    uint64_t sum = ContourChecksum(list), oneSum = ContourChecksum(oneThread);
    printf("  %d lines, %lld vertices, checksum %016llx%s\n", list ? list->count : 0, vertices,
           (unsigned long long)sum, sum == oneSum ? "" : " (DIFFERS on one thread)");
    FreeContourList(list);
    FreeContourList(oneThread);
    FreeTINModel(tin, 1);
    FreeDataSet(set);
}

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetDefaultDisplaySettings();
    Run(argc > 1 ? argv[1] : "..\\shared\\data\\lidar\\autzen_trim.las", "autzen_trim.las", -1);
    Run(argc > 2 ? argv[2] : "..\\shared\\data\\bench\\autzen_x25.laz", "autzen_x25.laz ground", 2);
    return 0;
}
