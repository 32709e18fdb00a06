// The profile's mapping. Scales are powers of two below the full-view scale;
// every change first stops the profile's draw thread, which reads the
// mapping while it draws.
#include "views/profile/profile_mapping.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/rubber_bands.h"
#include "app/command_ids.h"
#include "app/status_bars.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "data/selection.h"
#include <cmath>
#include <cstdlib>

static void ImageSize(ViewMapping& m)
{
    m.imageWidth = (int)((m.maxX - m.minX) / m.scale + 0.5);
    m.imageHeight = (int)((m.maxY - m.minY) / m.scale + 0.5);
}

// The client size fields from the window (less its status bar).
static void ReadClientSize(HWND profile, ViewMapping& m)
{
    RECT rc;
    GetViewClientRect(profile, &rc);
    m.clientWidth = rc.right;
    m.clientHeight = rc.bottom;
    m.drawWidth = rc.right + 1;
    m.drawHeight = rc.bottom + 1;
}

void FitProfileView(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return;
    ViewMapping& m = r->profile;
    ReadClientSize(profile, m);
    double sx = (m.maxX - m.minX) / m.drawWidth, sy = (m.maxY - m.minY) / m.drawHeight;
    m.scale = sx > sy ? sx : sy;
    // A profile without extent (one point, a zero-length line) still maps.
    if (!(m.scale > 0)) m.scale = 1.0;
    m.fullScale = m.scale;
    ImageSize(m);
    m.scrollX = m.scrollY = 0;
    m.top = m.maxY;
    m.left = m.minX;
    m.right = m.left + m.scale * m.clientWidth;
    m.bottom = m.top - m.scale * m.clientHeight;
    m.zoomLevel = 0;
}

void UpdateProfileWindowExtent(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return;
    ViewMapping& m = r->profile;
    m.left = m.minX + m.scrollX * m.scale;
    m.top = m.maxY - m.scrollY * m.scale;
    m.right = m.minX + m.scale * (m.scrollX + m.clientWidth + 1);
    m.bottom = m.maxY - m.scale * (m.scrollY + m.clientHeight + 1);
}

void CenterProfileView(HWND profile, double x, double z)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return;
    ViewMapping& m = r->profile;
    m.centerX = x;
    m.centerY = z;
    ImageSize(m);
    m.scrollX = (int)((x - m.minX) / m.scale) - (m.clientWidth + 1) / 2;
    if (m.scrollX < 0) m.scrollX = 0;
    m.scrollY = (int)((m.maxY - z) / m.scale) - (m.clientHeight + 1) / 2;
    if (m.scrollY < 0) m.scrollY = 0;
    UpdateProfileWindowExtent(profile);
}

void ResizeProfileView(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return;
    ViewMapping& m = r->profile;
    if (m.zoomLevel == 0) {
        FitProfileView(profile);
        return;
    }
    ReadClientSize(profile, m);
    m.right = m.minX + m.scale * (m.scrollX + m.clientWidth + 1);
    m.bottom = m.maxY - m.scale * (m.scrollY + m.clientHeight + 1);
}

// The deepest level the profile keeps: its image sizes and offsets stay ints.
static int ClampLevel(const ViewMapping& m, int level)
{
    if (level < 0) return 0;
    while (level > 0) {
        double scale = std::ldexp(m.fullScale, -level);
        if (level <= MAX_ZOOM_LEVEL && (m.maxX - m.minX) / scale < 1073741823.0 &&
            (m.maxY - m.minY) / scale < 1073741823.0)
            break;
        level--;
    }
    return level;
}

static void SetLevel(ViewMapping& m, int level)
{
    m.zoomLevel = ClampLevel(m, level);
    m.scale = std::ldexp(m.fullScale, -m.zoomLevel);
}

int AutoZoomProfile(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profilePoints || !r->profileCopy) return 0;
    ViewMapping& m = r->profile;
    double lowest = 3.37e38, highest = -3.37e38;
    for (int i = 0; i < r->profilePoints->count; i++) {
        double z = r->profileCopy[i].y;
        if (z < lowest) lowest = z;
        if (z > highest) highest = z;
    }
    if (r->profilePoints->count == 0) return 0;
    int f = (int)((m.top - lowest) / m.scale) - (int)((m.top - highest) / m.scale);
    int l = (int)(m.maxX / m.scale);
    if (l == 0 || m.clientWidth <= 0 || m.clientHeight <= 0) return 0;
    double factor;
    if ((double)m.clientHeight / m.clientWidth < std::fabs((double)f / l)) factor = (double)m.clientHeight / f;
    else factor = (double)m.clientWidth / l;
    factor = std::fabs(factor);
    if (factor < 2) return 0;
    SetLevel(m, m.zoomLevel + (int)(std::log(factor) / std::log(2.0)));
    CenterProfileView(profile, m.maxX * 0.5, lowest + std::fabs(highest - lowest) * 0.5);
    return 1;
}

int InitProfileScales(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    if (!r->profilePoints) {
        const DataSet* set = r->currentDataSet;
        if (set) {
            r->profile.minY = set->minZ;
            r->profile.maxY = set->maxZ;
        }
        double dx = r->profileB.x - r->profileA.x, dy = r->profileB.y - r->profileA.y;
        r->profile.maxX = 1.1 * std::sqrt(dx * dx + dy * dy);
        r->profile.minX = 0;
    }
    FitProfileView(profile);
    AutoZoomProfile(profile);
    return 1;
}

static void SavePrevious(ViewRecord* r)
{
    r->profilePreviousLevel = r->profile.zoomLevel;
    r->profilePreviousCenterX = r->profile.centerX;
    r->profilePreviousCenterY = r->profile.centerY;
    r->profilePreviousScale = r->profile.scale;
    r->profilePreviousValid = 1;
}

static void WorldAt(const ViewMapping& m, int x, int y, double* wx, double* wz)
{
    *wx = x * m.scale + m.left;
    *wz = m.top - y * m.scale;
}

// The zoom factor of a drag box; 0 for a box without size.
static double BoxFactor(const ViewMapping& m, const int rect[4])
{
    int dx = rect[2] - rect[0], dy = rect[3] - rect[1];
    if (dx == 0 && dy == 0) return 0;
    double factor;
    if (dx == 0 || std::fabs((double)dy / dx) > (double)m.clientHeight / m.clientWidth) factor = (double)m.clientHeight / dy;
    else factor = (double)m.clientWidth / dx;
    return std::fabs(factor);
}

int ZoomProfile(HWND profile, int operation, const int rect[4])
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    ViewMapping& m = r->profile;
    double x, z;
    switch (operation) {
    case PROFILE_ZOOM_IN_AT:
        SavePrevious(r);
        WorldAt(m, rect[0], rect[1], &x, &z);
        SetLevel(m, m.zoomLevel + 1);
        CenterProfileView(profile, x, z);
        return 1;
    case PROFILE_ZOOM_OUT_AT:
        if (m.zoomLevel == 0) return 0;
        SavePrevious(r);
        WorldAt(m, rect[0], rect[1], &x, &z);
        SetLevel(m, m.zoomLevel - 1);
        if (m.zoomLevel == 0) FitProfileView(profile);
        else CenterProfileView(profile, x, z);
        return 1;
    case PROFILE_ZOOM_IN_BOX:
    case PROFILE_ZOOM_OUT_BOX: {
        if (operation == PROFILE_ZOOM_OUT_BOX && m.zoomLevel == 0) return 0;
        SavePrevious(r);
        int cx = (rect[0] < rect[2] ? rect[0] : rect[2]) + std::abs(rect[2] - rect[0]) / 2;
        int cy = (rect[1] < rect[3] ? rect[1] : rect[3]) + std::abs(rect[3] - rect[1]) / 2;
        double factor = BoxFactor(m, rect);
        if (factor < 2) return 0;
        int steps = (int)(std::log(factor) / std::log(2.0));
        WorldAt(m, cx, cy, &x, &z);
        SetLevel(m, operation == PROFILE_ZOOM_IN_BOX ? m.zoomLevel + steps : m.zoomLevel - steps);
        if (m.zoomLevel == 0) FitProfileView(profile);
        else CenterProfileView(profile, x, z);
        return 1;
    }
    case PROFILE_ZOOM_PREVIOUS: {
        if (!r->profilePreviousValid) return 0;
        int level = m.zoomLevel;
        double centerX = m.centerX, centerZ = m.centerY, scale = m.scale;
        m.zoomLevel = r->profilePreviousLevel;
        m.centerX = r->profilePreviousCenterX;
        m.centerY = r->profilePreviousCenterY;
        m.scale = r->profilePreviousScale;
        r->profilePreviousLevel = level;
        r->profilePreviousCenterX = centerX;
        r->profilePreviousCenterY = centerZ;
        r->profilePreviousScale = scale;
        if (m.zoomLevel == 0) FitProfileView(profile);
        else CenterProfileView(profile, m.centerX, m.centerY);
        return 1;
    }
    case PROFILE_ZOOM_FULL:
        if (m.zoomLevel == 0) return 0;
        SavePrevious(r);
        FitProfileView(profile);
        return 1;
    }
    return 0;
}

static void SetBar(HWND window, int bar, int position, int maximum)
{
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_POS, 0, maximum, 0, position, 0};
    SetScrollInfo(window, bar, &info, TRUE);
}

int UpdateProfileScrollBars(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || IsIconic(profile) || !IsWindowEnabled(profile)) return 0;
    const ViewMapping& m = r->profile;
    int h = m.imageWidth - (m.clientWidth + 1), v = m.imageHeight - (m.clientHeight + 1);
    if (h > 0) SetBar(profile, SB_HORZ, m.scrollX, h);
    else SetBar(profile, SB_HORZ, 0, 1);
    if (v > 0) SetBar(profile, SB_VERT, m.scrollY, v);
    else SetBar(profile, SB_VERT, 0, 1);
    return 1;
}

// One axis of a scroll message; 1 when the offset changed.
static int ScrollAxis(HWND profile, int bar, int code, int* offset, int image, int client)
{
    if (code > SB_THUMBPOSITION) return 0;
    CancelViewDraw(profile);
    int line = (int)(0.1 * client), page = (int)(0.9 * client);
    if (line < 1) line = 1;
    if (page < 1) page = 1;
    int old = *offset;
    if (code == SB_THUMBPOSITION) {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(profile, bar, &info);
        int to = info.nTrackPos < 0 ? 0 : info.nTrackPos;
        if (to == old) return 0;
        *offset = to;
    } else if (code == SB_LINEUP || code == SB_PAGEUP) {
        if (*offset < 1) return 0;
        *offset -= code == SB_LINEUP ? line : page;
        if (*offset < 0) *offset = 0;
    } else {
        if (*offset >= image - client) return 0;
        *offset += code == SB_LINEDOWN ? line : page;
        if (*offset > image - client) *offset = image - client;
    }
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, *offset, 0};
    SetScrollInfo(profile, bar, &info, TRUE);
    if (code == SB_THUMBPOSITION) {
        InvalidateRect(profile, nullptr, TRUE);
    } else {
        int shift = old - *offset;
        if (bar == SB_HORZ) ScrollWindowEx(profile, shift, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
        else ScrollWindowEx(profile, 0, shift, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    }
    UpdateProfileWindowExtent(profile);
    return 1;
}

int ProfileHScroll(HWND profile, WPARAM wParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    ViewMapping& m = r->profile;
    return ScrollAxis(profile, SB_HORZ, LOWORD(wParam), &m.scrollX, m.imageWidth, m.clientWidth);
}

int ProfileVScroll(HWND profile, WPARAM wParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    ViewMapping& m = r->profile;
    return ScrollAxis(profile, SB_VERT, LOWORD(wParam), &m.scrollY, m.imageHeight, m.clientHeight);
}

// ---- zoom and pan tools ---------------------------------------------------------------

static void AfterZoom(HWND profile)
{
    InvalidateView(profile, 0);
    UpdateProfileScrollBars(profile);
}

int ProfileZoomToolMouse(HWND profile, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    int* rect = r->profileRect;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (message == WM_RBUTTONDOWN && r->profile.zoomLevel == 0) return 0;
        CancelViewDraw(profile);
        if (!r->profileZoomDrag) {
            StartToolBand(rect, x, y);
            r->profileZoomDrag = (int)message;
            DrawZoomBox(profile, rect, TOOL_ZOOM);
        }
        return 1;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        bool left = message == WM_LBUTTONUP;
        if (left ? r->profileZoomDrag != WM_LBUTTONDOWN
                 : (r->profile.zoomLevel == 0 || r->profileZoomDrag != WM_RBUTTONDOWN))
            return 0;
        CancelViewDraw(profile);
        DrawZoomBox(profile, rect, TOOL_ZOOM);
        r->profileZoomDrag = 0;
        rect[2] = x;
        rect[3] = y;
        bool shortDrag = std::abs(rect[2] - rect[0]) < 8 && std::abs(rect[3] - rect[1]) < 8;
        int operation = left ? (shortDrag ? PROFILE_ZOOM_IN_AT : PROFILE_ZOOM_IN_BOX)
                             : (shortDrag ? PROFILE_ZOOM_OUT_AT : PROFILE_ZOOM_OUT_BOX);
        if (ZoomProfile(profile, operation, rect)) AfterZoom(profile);
        return 1;
    }
    case WM_MBUTTONDOWN:
        if (ZoomProfile(profile, PROFILE_ZOOM_PREVIOUS, rect)) AfterZoom(profile);
        return 1;
    }
    return 0;
}

int TrackProfileZoomBox(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profileZoomDrag) return 0;
    DrawZoomBox(profile, r->profileRect, TOOL_ZOOM);
    r->profileRect[2] = r->profileMouseX;
    r->profileRect[3] = r->profileMouseY;
    DrawZoomBox(profile, r->profileRect, TOOL_ZOOM);
    return 1;
}

int ProfilePanToolMouse(HWND profile, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(profile);
        r->profilePanActive = 1;
        SetCapture(profile);
        r->profilePanStartX = r->profileMouseX = r->profileLastMouseX = x;
        r->profilePanStartY = r->profileMouseY = r->profileLastMouseY = y;
        return 1;
    }
    if (message == WM_LBUTTONUP && r->profilePanActive) {
        r->profilePanActive = 0;
        ReleaseCapture();
        return ApplyProfilePan(profile, x, y);
    }
    return 0;
}

int TrackProfilePan(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profilePanActive) return 0;
    ScrollWindowEx(profile, r->profileMouseX - r->profileLastMouseX, r->profileMouseY - r->profileLastMouseY, nullptr,
                   nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    return 1;
}

static bool ClampOffset(int* offset, int image, int client)
{
    if (*offset < 0) {
        *offset = 0;
        return true;
    }
    if (*offset > image - client) {
        *offset = image > client ? image - client : 0;
        return true;
    }
    return false;
}

int ApplyProfilePan(HWND profile, int x, int y)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    CancelViewDraw(profile);
    ViewMapping& m = r->profile;
    m.scrollX += r->profilePanStartX - x;
    m.scrollY += r->profilePanStartY - y;
    bool erase = ClampOffset(&m.scrollX, m.imageWidth, m.clientWidth);
    erase = ClampOffset(&m.scrollY, m.imageHeight, m.clientHeight) || erase;
    SCROLLINFO h = {sizeof h, SIF_POS, 0, 0, 0, m.scrollX, 0}, v = {sizeof v, SIF_POS, 0, 0, 0, m.scrollY, 0};
    SetScrollInfo(profile, SB_HORZ, &h, TRUE);
    SetScrollInfo(profile, SB_VERT, &v, TRUE);
    UpdateProfileWindowExtent(profile);
    InvalidateRect(profile, nullptr, erase);
    return 1;
}
