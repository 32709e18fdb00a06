// Arranging a plan view with its profile and 3D windows inside the MDI
// client ("panelize"), and all views at once.
#include "app/view_arrange.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"

// Without the old bits: painting is held back while windows are arranged,
// and copied bits would keep pieces of whatever lay there before.
static void Place(HWND window, int x, int y, int width, int height)
{
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOCOPYBITS);
}

// Painting was held back while arranging: everything is painted afresh.
static void RepaintArranged()
{
    RedrawWindow(MDIClientWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// The frame's menu bar may have changed with a child's maximised state or
// menu, and Wine works out its height only when the frame's edge is next
// calculated: until then the frame lays out its bars and the MDI client as
// if the menu bar had another height, and windows placed now would be cut or
// leave a strip once it has. The frame is measured anew first, so what is
// placed fits the client area it keeps.
static void MeasureFrameAnew()
{
    SetWindowPos(FrameWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

int ArrangeViewPanels(HWND view)
{
    if (!IsWindow(view)) return 0;
    SizeMoveActive = 1;
    ViewRecord* record = ViewRecordOf(view);
    HWND plan = record && record->window ? record->window : view;
    HWND profile = record ? record->profileWindow : nullptr;
    HWND gl = record ? record->glWindow : nullptr;
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)plan, 0);
    if (!profile && !gl) {
        SendMessageA(MDIClientWindow, WM_MDIMAXIMIZE, (WPARAM)plan, 0);
    } else {
        SendMessageA(MDIClientWindow, WM_MDICASCADE, 0, 0);
        MeasureFrameAnew();
        // The panels fill the client area without its scroll bars: the MDI
        // client's own scroll check, posted by the moves, would hide them
        // afterwards, leaving a bare strip and repainting every view twice.
        ShowScrollBar(MDIClientWindow, SB_BOTH, FALSE);
        RECT r;
        GetClientRect(MDIClientWindow, &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        if (profile && gl) {
            Place(plan, 0, 0, w / 2, h);
            Place(profile, w / 2, 0, w / 2, h / 2);
            Place(gl, w / 2, h / 2, w / 2, h / 2);
        } else if (gl) {
            Place(plan, 0, 0, w / 2, h);
            Place(gl, w / 2, 0, w / 2, h);
        } else {
            Place(profile, 0, 0, w, h / 2);
            Place(plan, 0, h / 2, w, h / 2);
        }
    }
    SizeMoveActive = 0;
    RepaintArranged();
    return 1;
}

HWND ActiveViewOrNext()
{
    HWND active = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    HWND project = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    if (!active || active != project) return active;
    SendMessageA(MDIClientWindow, WM_MDINEXT, 0, 0);
    HWND next = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    if (!next || next == project) return nullptr;
    ShowWindow(project, SW_HIDE);
    return next;
}

// Several plan views: each maximised once (so that its own WM_SIZE work
// runs), then all tiled side by side.
static int TileAllViews(HWND view)
{
    SizeMoveActive = 1;
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    SendMessageA(MDIClientWindow, WM_MDIMAXIMIZE, (WPARAM)view, 0);
    SendMessageA(MDIClientWindow, WM_MDICASCADE, 0, 0);
    MeasureFrameAnew();
    SendMessageA(MDIClientWindow, WM_MDITILE, MDITILE_VERTICAL, 0);
    SizeMoveActive = 0;
    RepaintArranged();
    return 1;
}

bool ArrangesAsPanels()
{
    return GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) < 2;
}

int ArrangeViewWindows(HWND view)
{
    if (!FrameWindow || !MDIClientWindow) return 1;
    LONG_PTR views = GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT);
    if (view) return views < 2 ? ArrangeViewPanels(view) : TileAllViews(view);
    if (views == 1) {
        HWND next = ActiveViewOrNext();
        if (next) ArrangeViewPanels(next);
    } else if (views == 0) {
        HWND project = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
        if (project) {
            ViewRecord* record = ViewRecordOf(project);
            if (record) record->projectShown = 1;
            ShowWindow(project, SW_SHOWMAXIMIZED);
        }
    } else {
        HWND next = ActiveViewOrNext();
        if (next) TileAllViews(next);
    }
    return 1;
}
