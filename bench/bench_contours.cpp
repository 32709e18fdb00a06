// Contour speed: 1 m contours over the TIN of autzen_trim.las (every point)
// and over the ground points (class 2) of autzen_x25.laz. Prints the seconds
// of the TIN build and of the tracing, and the lines and vertices traced.
#include "app/display_settings.h"
#include "base/heap.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/tin_contours.h"
#include <windows.h>
#include <cstdio>

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
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
    LARGE_INTEGER f, t0, t1, t2;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    TINModel* tin = BuildTINFromPoints(points);
    QueryPerformanceCounter(&t1);
    ContourList* list = NewContourList();
    TraceTINContours(tin, 1.0f, &list, nullptr);
    QueryPerformanceCounter(&t2);
    long long vertices = 0;
    for (int i = 0; list && i < list->count; i++) vertices += list->lines[i]->vertexCount;
    printf("%s: %d points, %d triangles, Z %.1f .. %.1f\n", title, n, tin ? tin->triangleCount : 0, tin ? tin->minZ : 0,
           tin ? tin->maxZ : 0);
    printf("  TIN %.3f s, 1 m contours %.3f s: %d lines, %lld vertices\n", Seconds(t0, t1, f), Seconds(t1, t2, f),
           list ? list->count : 0, vertices);
    FreeContourList(list);
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
