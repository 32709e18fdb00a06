// Plan view point drawing speed: the 2.75 million points of autzen_x25.laz
// drawn into an off-screen 1600 x 1000 view, fitted (decimated) and zoomed so
// that every point is drawn, in colour modes 1200, 1202 and 1207, and as
// points of size 2 by elevation and in one colour. Prints
// milliseconds per draw (best and median of several runs, one core).
#include "app/display_settings.h"
#include "views/plan/draw_points.h"
#include "views/plan/view_mapping.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "data/statistics.h"
#include "views/plan/color_ramp.h"
#include "bench_view.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

static double Millis(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return 1000.0 * (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "..\\shared\\data\\bench\\autzen_x25.laz";
    SetThreadAffinityMask(GetCurrentThread(), 1);
    SetDefaultDisplaySettings();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    DataSet* set = LoadLASData(path, "autzen_x25.laz");
    if (!set) {
        fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    ComputeDataSetStatistics(set);
    set->tiles = BuildPointTiles(set);
    if (!set->tiles) {
        fprintf(stderr, "no tiles for %s\n", path);
        return 1;
    }
    QueryPerformanceCounter(&t1);
    printf("data: %s, %d points read with the LAS/LAZ loader (%.0f ms with statistics and tiles), %d x %d tiles\n", path,
           set->pointCount, Millis(t0, t1, f), set->tiles->rows, set->tiles->columns);

    ViewRecord* r = nullptr;
    HWND view = MakeBenchView(set, &r);
    printf("view %d x %d drawing area, scale %.4f units a pixel\n", r->clientWidth, r->clientHeight, r->scale);

    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r->drawWidth, r->drawHeight);
    ReleaseDC(nullptr, screen);
    SelectObject(mem, bitmap);

    // Points of size 1 in three modes, then points of size 2 by elevation
    // (a colour change at almost every point) and in one colour (by file).
    struct Case {
        int mode, size;
    };
    const Case cases[5] = {{1200, 1}, {1202, 1}, {1207, 1}, {1200, 2}, {1205, 2}};
    for (int zoomed = 0; zoomed < 2; zoomed++) {
        // Zoom level 3 draws every point; the world window stays the fitted one.
        r->zoomLevel = zoomed ? 3 : 0;
        for (const Case& c : cases) {
            int mode = c.mode;
            r->pointColorMode = mode;
            r->pointSizeStep = c.size;
            std::vector<double> times;
            for (int run = 0; run < 9; run++) {
                PatBlt(mem, 0, 0, r->drawWidth, r->drawHeight, BLACKNESS);
                QueryPerformanceCounter(&t0);
                DrawPointsForColorMode(view, mem);
                QueryPerformanceCounter(&t1);
                times.push_back(Millis(t0, t1, f));
            }
            std::sort(times.begin(), times.end());
            printf("%-16s mode %d, size %d: best %6.1f ms, median %6.1f ms (step %d)\n",
                   zoomed ? "every point" : "fitted", mode, c.size, times[0], times[times.size() / 2],
                   PointDecimationStep(set->pointCount, r->zoomLevel));
        }
    }
    DeleteDC(mem);
    DeleteObject(bitmap);
    DestroyWindow(view);
    return 0;
}
