// Hand reclassification speed: a polygon over the western half of a point
// set reclassified (plan view "Polygon Reclass") and undone.
//   bench_reclass FILE   (default ../shared/data/bench/autzen_x25.laz)
#include "base/crash.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "app/display_settings.h"
#include "shell/record_parts.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "classify/plan_polygon_tools.h"
#include "classify/undo.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include <windows.h>
#include "bench_clock.h"
#include <cstdio>


int main(int argc, char** argv)
{
    InstallCrashFilter();
    InstallViewRecordParts();
    SetMessageBoxHook(AnswerYes);
    const char* path = argc > 1 ? argv[1] : "..\\shared\\data\\bench\\autzen_x25.laz";
    // Worktrees sit one folder deeper than the project root.
    if (argc <= 1 && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        path = "..\\..\\shared\\data\\bench\\autzen_x25.laz";
    DataSet* set = LoadLASData(path, "bench");
    if (!set) {
        fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }
    if (!set->tiles) set->tiles = BuildPointTiles(set);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = CHILD_EXTRA_BYTES;
    wc.lpszClassName = "BenchView";
    wc.hInstance = GetModuleHandleA(nullptr);
    RegisterClassA(&wc);
    // Windows need a display (run under Xvfb without one).
    HWND view = CreateWindowA("BenchView", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                             wc.hInstance, nullptr);
    if (!view) {
        fprintf(stderr, "cannot create a window\n");
        return 1;
    }
    SetDefaultDisplaySettings();   // every class and return on display
    ViewRecord* r = CreateViewRecord();
    r->window = view;
    r->dataSets[0] = set;
    r->currentDataSet = set;
    r->classSelection.targetClass = 7;
    SetWindowSlot(view, CHILD_RECORD, (LONG_PTR)r);

    // A six-sided outline around the western half.
    double midX = (set->minX + set->maxX) / 2, pad = 1.0;
    double cornersX[] = {set->minX - pad, midX, midX + 0.001, midX, set->minX - pad, set->minX - 2 * pad};
    double cornersY[] = {set->minY - pad, set->minY - pad, (set->minY + set->maxY) / 2, set->maxY + pad,
                         set->maxY + pad, (set->minY + set->maxY) / 2};
    r->editPolyline = CreatePolyline(0);
    for (int i = 0; i < 6; i++) {
        Vec3 v = {cornersX[i], cornersY[i], 0.0f};
        AddPolylineVertex(r->editPolyline, &v);
    }
    for (int round = 0; round < 3; round++) {
        double t0 = Seconds();
        int changed = ReclassPolygon(view);
        double t1 = Seconds();
        int restored = UndoClassEdit(view);
        double t2 = Seconds();
        printf("%d points: reclass %d in %.1f ms, undo %d in %.1f ms\n", set->pointCount, changed,
               (t1 - t0) * 1000.0, restored, (t2 - t1) * 1000.0);
    }
    SetWindowSlot(view, CHILD_RECORD, 0);
    FreeViewRecord(r);
    DestroyWindow(view);
    return 0;
}
