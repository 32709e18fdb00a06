// Plan view point drawing speed: the 2.75 million points of autzen_x25.laz
// drawn into an off-screen 1600 x 1000 view, fitted (decimated) and zoomed so
// that every point is drawn, in colour modes 1200, 1202 and 1207. Prints
// milliseconds per draw (best and median of several runs, one core).
#include "app/display_settings.h"
#include "app/jobcontrol.h"
#include "app/viewrecord.h"
#include "app/winlongs.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/dataset.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "views/plan/colorramp.h"
#include "views/plan/planview.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

// Spatial tiles by the data's own rule: about 2^18 points a tile over the
// extent grown by 5 %, west and north edges inclusive.
static void BuildTiles(DataSet* set)
{
    double dx = 0.05 * (set->maxX - set->minX), dy = 0.05 * (set->maxY - set->minY);
    double left = set->minX - dx, right = set->maxX + dx, bottom = set->minY - dy, top = set->maxY + dy;
    double W = right - left, H = top - bottom;
    int n = set->pointCount / 262144, rows = 1, columns = 1;
    if (n > 0) {
        double s = std::sqrt(W * H / n);
        columns = (int)(W / s + 1);
        rows = (int)(H / s + 1);
    }
    double w = W / columns, h = H / rows;
    std::vector<std::vector<PointRecord*>> cells((size_t)rows * columns);
    for (int k = 0; k < set->pointCount; k++) {
        PointRecord* p = &set->points[k];
        int j = (int)std::floor((p->x - left) / w), i = (int)std::floor((top - p->y) / h);
        j = std::min(std::max(j, 0), columns - 1);
        i = std::min(std::max(i, 0), rows - 1);
        cells[(size_t)i * columns + j].push_back(p);
    }
    PointTiles* tiles = (PointTiles*)NBLCalloc(1, sizeof(PointTiles));
    tiles->rows = rows;
    tiles->columns = columns;
    tiles->cells = (PointSelection***)NBLCalloc2D(rows, columns, sizeof(PointSelection*));
    for (int i = 0; i < rows; i++)
        for (int j = 0; j < columns; j++) {
            auto& list = cells[(size_t)i * columns + j];
            if (list.empty()) continue;
            PointSelection* s = (PointSelection*)NBLCalloc(1, sizeof(PointSelection));
            s->polygon = NewPolygon(4);
            gpc_vertex* v = s->polygon->contour[0].vertex;
            v[0] = {left + j * w, top - i * h};
            v[1] = {left + (j + 1) * w, top - i * h};
            v[2] = {left + (j + 1) * w, top - (i + 1) * h};
            v[3] = {left + j * w, top - (i + 1) * h};
            s->count = s->capacity = (int32_t)list.size();
            s->items = (PointRecord**)NBLMalloc(list.size() * sizeof(PointRecord*));
            memcpy(s->items, list.data(), list.size() * sizeof(PointRecord*));
            tiles->cells[i][j] = s;
        }
    set->tiles = tiles;
}

// What the statistics step gives the drawers: ramp and intensity ranges and
// the colours of the point source IDs.
static void FillStatistics(DataSet* set)
{
    float lo = 3e38f, hi = -3e38f;
    int iLo = 65535, iHi = 0;
    for (int k = 0; k < set->pointCount; k++) {
        const PointRecord& p = set->points[k];
        lo = std::min(lo, p.z);
        hi = std::max(hi, p.z);
        iLo = std::min(iLo, (int)p.intensity);
        iHi = std::max(iHi, (int)p.intensity);
    }
    if (set->rampHighZ <= set->rampLowZ) {
        set->rampLowZ = lo;
        set->rampHighZ = hi;
    }
    if (set->intensityHigh <= set->intensityLow) {
        set->intensityLow = iLo;
        set->intensityHigh = iHi;
    }
    for (int i = 0; i < 65536; i++) set->sourceIdTable[i].color = GetPaletteColor(i);
}

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
    FillStatistics(set);
    if (!set->tiles) BuildTiles(set);
    QueryPerformanceCounter(&t1);
    printf("data: %s, %d points read with the LAS/LAZ loader (%.0f ms with tiling), %d x %d tiles\n", path,
           set->pointCount, Millis(t0, t1, f), set->tiles->rows, set->tiles->columns);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BenchPlanView";
    wc.cbWndExtra = CHILD_EXTRA_BYTES;
    RegisterClassA(&wc);
    HWND view = CreateWindowExA(0, "BenchPlanView", "bench", WS_POPUP, 0, 0, 1600, 1000, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ViewRecord* r = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    InitViewSettings(r);
    r->window = view;
    r->dataSetCount = 1;
    r->dataSets = (DataSet**)NBLCalloc(1, sizeof(DataSet*));
    r->dataSets[0] = set;
    SetWindowSlot(view, CHILD_RECORD, (LONG_PTR)r);
    SetWindowSlot(view, CHILD_JOB, (LONG_PTR)CreateJobControl());
    ComputeViewExtents(view);
    printf("view %d x %d drawing area, scale %.4f units a pixel\n", r->clientWidth, r->clientHeight, r->scale);

    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r->drawWidth, r->drawHeight);
    ReleaseDC(nullptr, screen);
    SelectObject(mem, bitmap);

    const int modes[3] = {1200, 1202, 1207};
    for (int zoomed = 0; zoomed < 2; zoomed++) {
        // Zoom level 3 draws every point; the world window stays the fitted one.
        r->zoomLevel = zoomed ? 3 : 0;
        for (int mode : modes) {
            r->pointColorMode = mode;
            std::vector<double> times;
            for (int run = 0; run < 9; run++) {
                PatBlt(mem, 0, 0, r->drawWidth, r->drawHeight, BLACKNESS);
                QueryPerformanceCounter(&t0);
                DrawPointsForColorMode(view, mem);
                QueryPerformanceCounter(&t1);
                times.push_back(Millis(t0, t1, f));
            }
            std::sort(times.begin(), times.end());
            printf("%-16s mode %d: best %6.1f ms, median %6.1f ms (step %d)\n",
                   zoomed ? "every point" : "fitted", mode, times[0], times[times.size() / 2],
                   PointDecimationStep(set->pointCount, r->zoomLevel));
        }
    }
    DeleteDC(mem);
    DeleteObject(bitmap);
    DestroyWindow(view);
    return 0;
}
