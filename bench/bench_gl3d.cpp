// 3D view speed: frames per second of the 3D view of a point file (rendering,
// read-back and blit) at 1280 x 800, with the point list compiled once.
//   bench_gl3d [FILE] [frames]   (default ../shared/data/bench/autzen_x25.laz, 50)
// Needs a display (run it under xvfb-run).
#include "bench_clock.h"
#include "app/command_ids.h"
#include "shell/frame.h"
#include "shell/startup.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/crash.h"
#include "base/messages.h"
#include "views/gl3d/gl_render.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

static HWND FirstView()
{
    HWND child = GetWindow(MDIClientWindow, GW_CHILD);
    for (; child; child = GetWindow(child, GW_HWNDNEXT)) {
        ViewRecord* r = ViewRecordOf(child);
        if (r && r->window == child) return child;
    }
    return nullptr;
}

int main(int argc, char** argv)
{
    InstallCrashFilter();
    SetMessageBoxHook(AnswerYes);
    std::string path = argc > 1 ? argv[1] : "../shared/data/bench/autzen_x25.laz";
    int frames = argc > 2 ? atoi(argv[2]) : 50;
    char full[MAX_PATH];
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (!InitInstance(full)) return 1;
    HWND view = FirstView();
    if (!view) {
        fprintf(stderr, "no view of %s\n", full);
        return 1;
    }
    ViewRecord* r = ViewRecordOf(view);
    r->displayMode = DISPLAY_POINTS;
    SendMessageA(view, WM_COMMAND, CMD_OPEN_3D, 0);
    HWND gl = r->glWindow;
    if (!gl) return 1;
    // A client area of 1280 x 800.
    RECT want = {0, 0, 1280, 800};
    AdjustWindowRectEx(&want, (DWORD)GetWindowLongA(gl, GWL_STYLE), FALSE, (DWORD)GetWindowLongA(gl, GWL_EXSTYLE));
    MoveWindow(gl, 0, 0, want.right - want.left, want.bottom - want.top, TRUE);
    RECT client;
    GetClientRect(gl, &client);

    double start = Seconds();
    RenderGLView(gl);
    double first = Seconds() - start;
    start = Seconds();
    for (int i = 0; i < frames; i++) {
        r->glAzimuth = (float)(i * 7 % 360);
        RenderGLView(gl);
    }
    double seconds = Seconds() - start;
    printf("3D view of %d points at %ld x %ld: first frame (list compiled) %.2f s; %.1f frames/s over %d frames\n",
           r->currentDataSet ? r->currentDataSet->pointCount : 0, (long)client.right, (long)client.bottom, first,
           frames / seconds, frames);
    return 0;
}
