// The frame window procedure, its background and the orderly close.
#include "shell/frame.h"
#include "shell/help.h"
#include "gis/project/project_window.h"
#include "gis/project/tile_tools.h"
#include "views/gl3d/gl_view.h"
#include "app/view_arrange.h"
#include "shell/view_window.h"
#include "views/plan/draw_thread.h"
#include "views/plan/view_mapping.h"
#include "app/window_slots.h"
#include "app/frame_bars.h"
#include "shell/frame_command.h"
#include "shell/open_files.h"
#include "shell/registry.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include "app/status_bars.h"
#include "resource.h"
#include <algorithm>
#include <cstdio>
#include <vector>

void PaintFrameBackground(HWND frame, HDC hdc)
{
    HWND client = (HWND)GetWindowSlot(frame, FRAME_CLIENT);
    FillViewBackground(client, hdc, 0xFFFFFF);
    // Loaded once for the process: the frame paints it on every WM_PAINT.
    static HBITMAP logo;
    if (!logo) logo = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(IDB_LOGO));
    if (!logo) return;
    BITMAP info;
    GetObjectA(logo, sizeof info, &info);
    RECT r;
    GetClientRect(client, &r);
    int x = r.right / 2 - info.bmWidth / 2;
    int y = r.bottom / 4 - info.bmHeight / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memory, logo);
    BitBlt(hdc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

static HWND FrameOwner() { return FrameWindow; }

static void RepaintFrameNow()
{
    if (!MDIClientWindow) return;
    HDC dc = GetDC(MDIClientWindow);
    PaintFrameBackground(FrameWindow, dc);
    ReleaseDC(MDIClientWindow, dc);
}

static int OpenTileInNewView(const char* path)
{
    return OpenFilesInNewView(path, 0);
}

void InstallShellHooks()
{
    static const ShellHooks hooks = {FrameOwner, WriteViewStatus, RepaintFrameNow, ShowHelpTopic};
    SetShellHooks(&hooks);
    SetTileOpener(OpenTileInNewView);
}

static int EndToolOf(HWND child, void*)
{
    SendMessageA(child, WM_END_TOOL, 0, 0);
    return 1;
}

static int InvalidateChild(HWND child, void*)
{
    InvalidateView(child, 1);
    return 1;
}

const char kWorkerRunningQuestion[] = "Vivuzoz Oduri is running!\n\nAre you sure you want to quit?";

// The questions begin with the active view (the plan view of an active
// profile or 3D window), then follow the MDI cycle; 0 when the user cancelled
// one. Only a view that asks is brought to the front.
static int AskViewsToSave(HWND frame)
{
    HWND projectWin = (HWND)GetWindowSlot(frame, FRAME_PROJECTWIN);
    std::vector<HWND> children = CycledMDIChildren();
    if (!children.empty()) {
        ViewRecord* record = ViewRecordOf(children[0]);
        if (children[0] != projectWin && record && record->window && record->window != children[0])
            children.insert(children.begin(), record->window);
    }
    std::vector<HWND> asked;
    for (HWND child : children) {
        if (child == projectWin || !IsWindow(child)) continue;
        ViewRecord* record = ViewRecordOf(child);
        if (!record) continue;
        if (child != record->window) {
            // A profile or 3D window: release the view's GL context.
            if (record->glWindow) CloseGLView(record->glWindow);
        } else if (std::find(asked.begin(), asked.end(), child) == asked.end()) {
            asked.push_back(child);
            if (!AskToSaveViewSets(child)) return 0;
        }
    }
    return 1;
}

int FrameClose(HWND frame)
{
    if (IsWorkerBusy()) {
        if (ShowMessageBox(frame, kWorkerRunningQuestion, "Warning",
                           MB_YESNO | MB_ICONQUESTION) != IDYES)
            return 0;
        KillWorkerThread();
    }
    CancelAllViewDraws();
    SaveRegistrySettings((HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0));
    if (!AskViewsToSave(frame)) return 0;
    // Closing the project window closes the project: an unsaved one is offered for saving.
    CloseProjectWindow();
    return 1;
}

LRESULT CALLBACK MDIFrameWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND client = (HWND)GetWindowSlot(hwnd, FRAME_CLIENT);
    switch (message) {
    case WM_CREATE: {
        CLIENTCREATESTRUCT ccs;
        ccs.hWindowMenu = FrameWindowMenu;
        ccs.idFirstChild = 1;
        client = CreateWindowExA(0, "MDICLIENT", nullptr, 0x52300000, 0, 0, 0, 0, hwnd, nullptr, AppInstance, &ccs);
        SetWindowSlot(hwnd, FRAME_CLIENT, (LONG_PTR)client);
        SetWindowSlot(hwnd, FRAME_APPJOB, (LONG_PTR)CreateJobControl());
        SetWindowSlot(hwnd, FRAME_WORKERJOB, (LONG_PTR)CreateJobControl());
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        LayoutFrameBars(hwnd);
        if (wParam == SIZE_MINIMIZED) VisitMDIChildren(EndToolOf, nullptr);
        // The MDI client fills what the rebar leaves: DefFrameProc would
        // stretch it over the whole client area, under the bars.
        return 0;
    case WM_PAINT: {
        HDC dc = GetDC(client);
        PaintFrameBackground(hwnd, dc);
        ReleaseDC(client, dc);
        return DefFrameProcA(hwnd, client, message, wParam, lParam);
    }
    case WM_CLOSE:
        if (!FrameClose(hwnd)) return 0;
        break;
    case WM_NOTIFY:
        return OnFrameBarNotify(hwnd, lParam);
    case WM_COMMAND:
        if (FrameCommand(wParam, lParam)) return 0;
        break;
    case WM_ENTERSIZEMOVE:
        SizeMoveActive = 1;
        return 0;
    case WM_EXITSIZEMOVE:
        SizeMoveActive = 0;
        VisitMDIChildren(InvalidateChild, nullptr);
        ArrangeViewWindows(0);
        return 0;
    case WM_DROPFILES:
        return OpenDroppedFiles(hwnd, (HDROP)wParam);
    }
    return DefFrameProcA(hwnd, client, message, wParam, lParam);
}
