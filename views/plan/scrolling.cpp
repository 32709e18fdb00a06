// Scrolling and paging of the plan view: the scroll bars follow the scroll
// offsets, bar messages and the paging keys move them, a pan drag ends here.
// Every change ends with the world window recomputed and a redraw.
#include "views/plan/scrolling.h"
#include "app/command_ids.h"
#include "app/view_jobs.h"
#include "views/plan/view_mapping.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "app/status_bars.h"
#include <cstdlib>

static void SetScrollRangePos(HWND window, int bar, int position, int maximum, BOOL redraw)
{
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_POS, 0, maximum, 0, position, 0};
    SetScrollInfo(window, bar, &info, redraw);
}

static void SetScrollPosOnly(HWND window, int bar, int position, BOOL redraw)
{
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, position, 0};
    SetScrollInfo(window, bar, &info, redraw);
}

static int GetScrollTrackPos(HWND window, int bar)
{
    SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(window, bar, &info);
    return info.nTrackPos;
}

static void FillClientBlack(HWND view, const RECT* rect)
{
    HDC dc = GetDC(view);
    FillRect(dc, rect, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(view, dc);
}

int UpdateScrollBars(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || IsIconic(view) || !IsWindowEnabled(view)) return 0;
    RECT rc;
    GetViewClientRect(view, &rc);
    if (rc.right + 1 < r->imageWidth) SetScrollRangePos(view, SB_HORZ, r->scrollX, r->imageWidth - (rc.right + 1), TRUE);
    else SetScrollRangePos(view, SB_HORZ, 0, 1, TRUE);
    if (rc.bottom + 1 < r->imageHeight)
        SetScrollRangePos(view, SB_VERT, r->scrollY, r->imageHeight - (rc.bottom + 1), TRUE);
    else SetScrollRangePos(view, SB_VERT, 0, 1, TRUE);
    return 1;
}

// One axis of a scroll: `offset` is scroll x or y, `image` the image size along
// the axis, `drawable` the client size. Codes 0-3: line back, line forward,
// page back, page forward; 4: thumb released. Returns 1 when it moved.
static int ScrollAxis(HWND view, int bar, int code, int* offset, int image, int drawable)
{
    if (code > SB_THUMBPOSITION) return 0;   // tracking, top, bottom, end of scroll
    CancelViewDraw(view);
    int old = *offset;
    int line = (int)(drawable * 0.1), page = (int)(drawable * 0.9);
    if (line < 1) line = 1;
    if (page < 1) page = 1;
    if (code == SB_THUMBPOSITION) {
        int to = GetScrollTrackPos(view, bar);
        if (to == old) return 0;
        *offset = to < 0 ? 0 : to;
        SetScrollPosOnly(view, bar, *offset, TRUE);
        ResetViewCache(view);
        RECT area;
        GetViewClientRect(view, &area);
        FillClientBlack(view, &area);
        InvalidateRect(view, nullptr, TRUE);
        return 1;
    }
    int step = (code == SB_LINEUP || code == SB_LINEDOWN) ? line : page;
    if (code == SB_LINEUP || code == SB_PAGEUP) {
        if (*offset < 1) return 0;
        *offset -= step;
        if (*offset < 0) *offset = 0;
    } else {
        if (*offset >= image - drawable) return 0;
        *offset += step;
        if (*offset > image - drawable) *offset = image - drawable;
    }
    SetScrollPosOnly(view, bar, *offset, TRUE);
    int shift = old - *offset;
    RECT uncovered = {0, 0, 0, 0};
    if (bar == SB_HORZ) ScrollWindowEx(view, shift, 0, nullptr, nullptr, nullptr, &uncovered, 0);
    else ScrollWindowEx(view, 0, shift, nullptr, nullptr, nullptr, &uncovered, 0);
    ResetViewCache(view);
    FillClientBlack(view, &uncovered);
    InvalidateRect(view, nullptr, FALSE);
    return 1;
}

int ScrollView(HWND view, UINT message, WPARAM wParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    RECT rc;
    GetViewClientRect(view, &rc);
    int code = LOWORD(wParam), moved = 0;
    if (message == WM_HSCROLL) moved = ScrollAxis(view, SB_HORZ, code, &r->scrollX, r->imageWidth, rc.right);
    else if (message == WM_VSCROLL) moved = ScrollAxis(view, SB_VERT, code, &r->scrollY, r->imageHeight, rc.bottom);
    if (moved) {
        SetViewExtentsFromScroll(view);
        UpdateViewStatusBar(view);   // the world position under the mouse moved
    }
    return moved;
}

int ScrollCommand(HWND view, int id)
{
    switch (id) {
    case CMD_PAGE_UP: ScrollView(view, WM_VSCROLL, SB_PAGEUP); return 1;
    case CMD_PAGE_DOWN: ScrollView(view, WM_VSCROLL, SB_PAGEDOWN); return 1;
    case CMD_PAGE_LEFT: ScrollView(view, WM_HSCROLL, SB_PAGELEFT); return 1;
    case CMD_PAGE_RIGHT: ScrollView(view, WM_HSCROLL, SB_PAGERIGHT); return 1;
    }
    return 0;
}

// Clamps one pan offset to the image; true when it had to.
static bool ClampPan(int* offset, int image, int drawable)
{
    if (*offset < 0) {
        *offset = 0;
        return true;
    }
    if (*offset > image - drawable) {
        *offset = image > drawable ? image - drawable : 0;
        return true;
    }
    return false;
}

int PanView(HWND view, int x, int y)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    CancelViewDraw(view);
    RECT rc;
    GetViewClientRect(view, &rc);
    r->scrollX = r->panStartX + r->scrollX - x;
    r->scrollY = r->panStartY + r->scrollY - y;
    bool erase = ClampPan(&r->scrollX, r->imageWidth, rc.right);
    erase = ClampPan(&r->scrollY, r->imageHeight, rc.bottom) || erase;
    SetScrollPosOnly(view, SB_HORZ, r->scrollX, TRUE);
    SetScrollPosOnly(view, SB_VERT, r->scrollY, TRUE);
    ResetViewCache(view);
    SetViewExtentsFromScroll(view);
    InvalidateRect(view, nullptr, erase);
    return 1;
}

int KeepProfileBoxInView(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    double mx = (r->profileA.x + r->profileB.x) / 2, my = (r->profileA.y + r->profileB.y) / 2;
    if (r->viewLeft < mx && mx < r->viewRight && r->viewBottom < my && my < r->viewTop) return 0;
    r->panStartX = (int)((mx - r->viewLeft) / r->scale);
    r->panStartY = (int)((r->viewTop - my) / r->scale);
    RECT area;
    GetViewClientRect(view, &area);
    FillClientBlack(view, &area);
    PanView(view, area.right / 2, area.bottom / 2);
    return 1;
}

// One axis of CenterViewOnProfile: pixels a and b of the line's ends,
// `first` whether a is the western (northern) end.
static int CenteredOffset(int a, int b, bool first, bool same, int drawable, int image)
{
    int offset;
    if (same) {
        offset = a - drawable / 2;
    } else {
        int start = first ? a : b;
        int spare = drawable - std::abs(a - b);
        offset = start - std::abs(spare) / 2;
    }
    // An image narrower than the window has nothing to scroll.
    if (offset > image - drawable) offset = image - drawable;
    if (offset < 0) offset = 0;
    return offset;
}

int CenterViewOnProfile(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || r->zoomLevel == 0) return 0;
    RECT area;
    GetViewClientRect(view, &area);
    const Vec3& a = r->profileA;
    const Vec3& b = r->profileB;
    int xa = (int)((a.x - r->dataMinX) / r->scale), xb = (int)((b.x - r->dataMinX) / r->scale);
    r->scrollX = CenteredOffset(xa, xb, b.x > a.x, a.x == b.x, area.right, r->imageWidth);
    int ya = (int)((r->dataMaxY - a.y) / r->scale), yb = (int)((r->dataMaxY - b.y) / r->scale);
    r->scrollY = CenteredOffset(ya, yb, b.y < a.y, a.y == b.y, area.bottom, r->imageHeight);
    SetScrollPosOnly(view, SB_HORZ, r->scrollX, TRUE);
    SetScrollPosOnly(view, SB_VERT, r->scrollY, TRUE);
    ResetViewCache(view);
    SetViewExtentsFromScroll(view);
    return 1;
}
