// Elevation grid speed: a 4000 x 4000 Float32 GeoTIFF made here is loaded
// with the grid loader and, for comparison, read whole with GDAL's own
// raster read; then the shades are built and the shaded surface is drawn into
// an off-screen 1600 x 1000 view, fitted and zoomed. Prints seconds and
// milliseconds (best and median of several runs).
#include "app/display_settings.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/statistics.h"
#include "views/plan/draw_grid.h"
#include "views/plan/draw_points.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include <gdal.h>
#include "bench_view.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

static const int kSide = 4000;

// Rolling hills with a void corner, written row block by row block.
static bool MakeGrid(const char* path)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), ToNativePath(path).c_str(), kSide, kSide, 1,
                                 GDT_Float32, nullptr);
    if (!ds) return false;
    double g[6] = {600000, 1, 0, 5000000, 0, -1};
    GDALSetGeoTransform(ds, g);
    std::vector<float> rows((size_t)kSide * 100);
    bool ok = true;
    for (int r0 = 0; r0 < kSide && ok; r0 += 100) {
        for (int r = 0; r < 100; r++)
            for (int c = 0; c < kSide; c++) {
                int row = r0 + r;
                rows[(size_t)r * kSide + c] = row < 50 && c < 50 ? -10000.0f
                                              : (float)(100 + 20 * sin(c / 150.0) * cos(row / 210.0) + row * 0.01);
            }
        ok = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, r0, kSide, 100, rows.data(), kSide, 100,
                          GDT_Float32, 0, 0) == CE_None;
    }
    GDALClose(ds);
    return ok;
}

int main(int argc, char** argv)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + "bench_grid_" + std::to_string(GetCurrentProcessId()) + ".tif";
    const char* file = argc > 1 ? argv[1] : path.c_str();
    SetDefaultDisplaySettings();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    if (argc <= 1 && !MakeGrid(file)) {
        fprintf(stderr, "cannot write %s\n", file);
        return 1;
    }

    // Warm the file cache, then take the best of three for each reader.
    double gdalBest = 1e9, loadBest = 1e9;
    DataSet* set = nullptr;
    for (int run = 0; run < 3; run++) {
        QueryPerformanceCounter(&t0);
        GDALDatasetH ds = GDALOpen(ToNativePath(file).c_str(), GA_ReadOnly);
        std::vector<float> all((size_t)kSide * kSide);
        CPLErr e = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, kSide, kSide, all.data(), kSide, kSide,
                                GDT_Float32, 0, 0);
        (void)e;
        GDALClose(ds);
        QueryPerformanceCounter(&t1);
        gdalBest = std::min(gdalBest, Seconds(t0, t1, f));

        if (set) FreeDataSet(set);
        QueryPerformanceCounter(&t0);
        set = Load32BitTIFF(file, "bench_grid.tif");
        QueryPerformanceCounter(&t1);
        if (!set) {
            fprintf(stderr, "cannot load %s\n", file);
            return 1;
        }
        loadBest = std::min(loadBest, Seconds(t0, t1, f));
    }
    printf("grid %d x %d Float32: GDAL raster read %.3f s, Load32BitTIFF %.3f s (ratio %.2f)\n", kSide, kSide,
           gdalBest, loadBest, loadBest / gdalBest);
    ComputeDataSetStatistics(set);

    ViewRecord* r = nullptr;
    HWND view = MakeBenchView(set, &r);

    QueryPerformanceCounter(&t0);
    CreateGridMesh(view);
    QueryPerformanceCounter(&t1);
    printf("shades of %d x %d cells: %.3f s\n", kSide, kSide, Seconds(t0, t1, f));

    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r->drawWidth, r->drawHeight);
    ReleaseDC(nullptr, screen);
    SelectObject(mem, bitmap);
    const double fitted = r->scale;
    const double scales[3] = {fitted, 0.5, 0.2};   // whole grid; 2 and 5 pixels a cell
    const char* names[3] = {"fitted", "2 px a cell", "5 px a cell"};
    for (int s = 0; s < 3; s++) {
        r->scale = scales[s];
        r->viewRight = r->viewLeft + r->scale * r->drawWidth;
        r->viewBottom = r->viewTop - r->scale * r->drawHeight;
        for (int mode : {0, 2}) {
            r->tinColorMode = mode;
            std::vector<double> times;
            for (int run = 0; run < 7; run++) {
                PatBlt(mem, 0, 0, r->drawWidth, r->drawHeight, BLACKNESS);
                QueryPerformanceCounter(&t0);
                DrawGridShaded(view, mem);
                QueryPerformanceCounter(&t1);
                times.push_back(1000 * Seconds(t0, t1, f));
            }
            std::sort(times.begin(), times.end());
            printf("shaded %-12s %s: best %6.1f ms, median %6.1f ms\n", names[s], mode == 2 ? "grey" : "ramp",
                   times[0], times[times.size() / 2]);
        }
    }
    DeleteDC(mem);
    DeleteObject(bitmap);
    DestroyWindow(view);
    if (argc <= 1) DeleteFileA(file);
    return 0;
}
