// Profile opening speed: a 50 m wide profile box laid across autzen_x25.laz
// (2.75 million points) in a started program, timed from the click that ends
// the box to the profile window's finished drawing: point selection, the
// projected copy, the profile's scales and its draw thread. The first box
// also creates and arranges the window; the later ones update it. Prints
// milliseconds per box and the number of points in it.
#include "app/command_ids.h"
#include "shell/frame.h"
#include "app/job_control.h"
#include "shell/startup.h"
#include "app/view_record.h"
#include "shell/view_tools.h"
#include "app/window_slots.h"
#include "data/selection.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static double Millis(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return 1000.0 * (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

static void Pump()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// Pumps until the window has nothing left to paint and no draw runs.
static bool WaitUntilDrawn(HWND window, int ms)
{
    JobControl* job = (JobControl*)GetWindowSlot(window, CHILD_JOB);
    DWORD start = GetTickCount();
    while ((int)(GetTickCount() - start) < ms) {
        Pump();
        RECT update;
        if (!GetUpdateRect(window, &update, FALSE) && !JobBusy(job) && !*(HANDLE volatile*)&job->thread) return true;
        Sleep(0);
    }
    return false;
}

static HWND FirstView;
static int KeepFirst(HWND child, void*)
{
    char name[32];
    GetClassNameA(child, name, sizeof name);
    if (!FirstView && !lstrcmpA(name, "MDIChild")) FirstView = child;
    return 1;
}

int main(int argc, char** argv)
{
    std::string path = argc > 1 ? argv[1] : "..\\shared\\data\\bench\\autzen_x25.laz";
    if (argc < 2 && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        path = "..\\..\\shared\\data\\bench\\autzen_x25.laz";   // from a worktree
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    if (!InitInstance(("\"" + path + "\"").c_str())) {
        fprintf(stderr, "the program did not start\n");
        return 1;
    }
    VisitMDIChildren(KeepFirst, nullptr);
    HWND view = FirstView;
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->currentDataSet || r->currentDataSet->pointCount == 0) {
        fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    UpdateWindow(view);
    WaitUntilDrawn(view, 120000);
    QueryPerformanceCounter(&t1);
    const DataSet* set = r->currentDataSet;
    printf("data: %s, %d points, opened and drawn in %.0f ms\n", path.c_str(), set->pointCount, Millis(t0, t1, f));

    SetViewTool(view, TOOL_PROFILE);
    r->staticProfileWidth = 1;   // the second click ends the box
    r->profileWidth = 50.0f;
    std::vector<double> updates;
    double first = 0;
    int points = 0;
    for (int run = 0; run < 8; run++) {
        // West to east across the data, a little higher each time.
        double y = set->minY + (0.3 + 0.05 * run) * (set->maxY - set->minY);
        double ax = set->minX + 0.02 * (set->maxX - set->minX), bx = set->maxX - 0.02 * (set->maxX - set->minX);
        POINT a = {(LONG)((ax - r->viewLeft) / r->scale), (LONG)((r->viewTop - y) / r->scale)};
        POINT b = {(LONG)((bx - r->viewLeft) / r->scale), a.y};
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(a.x, a.y));
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(a.x, a.y));
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(b.x, b.y));
        WaitUntilDrawn(view, 60000);
        QueryPerformanceCounter(&t0);
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.x, b.y));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(b.x, b.y));
        LARGE_INTEGER tc;
        QueryPerformanceCounter(&tc);
        if (getenv("BENCH_DETAIL")) printf("  click handled after %.1f ms\n", Millis(t0, tc, f));
        HWND profile = r->profileWindow;
        if (!profile || !WaitUntilDrawn(profile, 60000)) {
            fprintf(stderr, "no profile drawn\n");
            return 1;
        }
        QueryPerformanceCounter(&t1);
        points = r->profilePoints ? r->profilePoints->count : 0;
        if (run == 0) first = Millis(t0, t1, f);
        else updates.push_back(Millis(t0, t1, f));
        WaitUntilDrawn(view, 60000);   // the plan view's own redraw is not part of the figure
    }
    std::sort(updates.begin(), updates.end());
    printf("first box (creates the window): %.1f ms\n", first);
    printf("later boxes: best %.1f ms, median %.1f ms, worst %.1f ms (last box %d points, profile %d x %d)\n",
           updates.front(), updates[updates.size() / 2], updates.back(), points, r->profile.clientWidth,
           r->profile.clientHeight);
    DestroyWindow(FrameWindow);
    return 0;
}
