// The profile draws like the plan view: one thread per paint under the
// window's own lock, so that the plan view and its profile draw at the same
// time. The points go to an off-screen bitmap that reaches the window in one
// copy; a cancel stops the loop and shows what was drawn so far.
#include "views/profile/profile_draw.h"
#include "base/palette.h"
#include "views/plan/color_ramp.h"
#include "views/plan/overlays.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/selection.h"
#include <vector>

static JobControl* JobOf(HWND w) { return w ? (JobControl*)GetWindowSlot(w, CHILD_JOB) : nullptr; }

int ProfilePaint(HWND profile)
{
    if (SizeMoveActive) return 0;
    CancelViewDraw(profile);
    RECT update;
    if (!GetUpdateRect(profile, &update, FALSE)) return 0;
    if (!update.left && !update.top && !update.right && !update.bottom) return 0;
    CancelViewDraw(profile);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(profile, &ps);
    StartProfileDraw(profile, dc, &ps.rcPaint, ps.fErase, 1);
    EndPaint(profile, &ps);
    return 1;
}

int StartProfileDraw(HWND profile, HDC hdc, const RECT* rect, int erase, int constant)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !JobOf(profile) || r->profilePanActive) return 0;
    ProfileDrawRequest* request = (ProfileDrawRequest*)NBLMalloc(sizeof(ProfileDrawRequest));
    if (!request) return 0;
    request->profile = profile;
    request->left = rect ? rect->left : 0;
    request->top = rect ? rect->top : 0;
    request->right = rect ? rect->right : 0;
    request->bottom = rect ? rect->bottom : 0;
    request->hdc = hdc;
    request->erase = erase;
    request->constant = constant;
    CancelViewDraw(profile);
    HANDLE thread = StartViewDrawThread(profile, ProfileDrawThread, request);
    if (!thread) NBLFree(request);
    return thread ? 1 : 0;
}

int FillProfileBackground(HWND profile, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    RECT area = {0, 0, r->profile.clientWidth, r->profile.clientHeight};
    HBRUSH brush = CreateSolidBrush(ViewBackgroundColor);
    FillRect(hdc, &area, brush);
    DeleteObject(brush);
    return 1;
}

COLORREF ProfilePointColor(HWND profile, int mode, int i, int* file)
{
    ViewRecord* r = ViewRecordOf(profile);
    const PointRecord& p = r->profileCopy[i];
    switch (mode) {
    case CMD_COLOR_ELEVATION:
    case CMD_COLOR_EARTH:
    case CMD_COLOR_CLASS:
        return r->classTable.entries[p.classification].profileColor;
    case CMD_COLOR_INTENSITY: {
        const DataSet* set = r->currentDataSet;
        int low = set ? set->intensityLow : 0, high = set ? set->intensityHigh : 0;
        // An empty intensity range has no spread: mid grey.
        if (high <= low) return RGB(128, 128, 128);
        float k = 256.0f / (float)(high - low);
        int g = (int)(k * (p.intensity - low));
        g = g < 0 ? 0 : (g > 255 ? 255 : g);
        return RGB(g, g, g);
    }
    case CMD_COLOR_SOURCE: return GetPaletteColor(p.pointSourceId);
    case CMD_COLOR_FILE: {
        const PointSelection* s = r->profilePoints;
        while (s->dataSetCounts && *file < s->dataSetCount - 1 && i >= s->dataSetCounts[*file]) ++*file;
        return GetPaletteColor(*file);
    }
    case CMD_COLOR_RETURN: return r->returnColors[p.returns & 7];
    case CMD_COLOR_RGB: return RGB(p.red, p.green, p.blue);
    case CMD_COLOR_CHANNEL: return GetPaletteColor(p.flags & 3);
    case CMD_COLOR_FLAG:
        if (p.flags & 0x3C) return GetPaletteColor((p.flags >> 2) & 15);
        return RGB(180, 180, 180);
    }
    return 0;
}

int DrawProfilePoints(HWND profile, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(profile);
    JobControl* job = JobOf(profile);
    if (!r) return 0;
    int mode = r->pointColorMode;
    if (mode < CMD_COLOR_FIRST || mode > CMD_COLOR_LAST) return 0;
    const PointSelection* s = r->profilePoints;
    if (!s || !r->profileCopy) return 1;
    const ViewMapping& m = r->profile;
    const int width = m.clientWidth + 1, height = m.clientHeight + 1;

    // A top-down 32-bit bitmap with the window's current pixels.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return 0;
    HDC mem = CreateCompatibleDC(hdc);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, width, height, hdc, 0, 0, SRCCOPY);
    GdiFlush();
    uint32_t* pixels = (uint32_t*)bits;

    const int size = r->pointSizeStep;
    int file = 0, completed = 1;
    for (int i = 0; i < s->count; i++) {
        if ((i & 1023) == 0 && job && JobCancelled(job)) {
            completed = 0;
            break;
        }
        if (!r->classTable.entries[s->items[i]->classification].display) continue;
        const PointRecord& p = r->profileCopy[i];
        double fx = (p.x - m.left) / m.scale, fy = (m.top - p.y) / m.scale;
        if (!(fx > -1.0 && fx < width && fy > -1.0 && fy < height)) continue;
        int column = (int)fx, row = (int)fy;
        COLORREF c = ProfilePointColor(profile, mode, i, &file);
        if (size <= 1) {
            pixels[(size_t)row * width + column] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        } else {
            HPEN pen = CreatePen(PS_SOLID, 1, c);
            HBRUSH brush = CreateSolidBrush(c);
            HGDIOBJ op = SelectObject(mem, pen), ob = SelectObject(mem, brush);
            Ellipse(mem, column - (size - 1), row - (size - 1), column + (size - 1), row + (size - 1));
            SelectObject(mem, op);
            SelectObject(mem, ob);
            DeleteObject(pen);
            DeleteObject(brush);
            GdiFlush();
        }
    }
    BitBlt(hdc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBitmap);
    DeleteDC(mem);
    DeleteObject(bitmap);
    return completed;
}

int DrawProfilePolygon(HWND profile, HDC given, const struct Polyline* polygon, COLORREF colour)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !polygon || !polygon->vertices || polygon->vertexCount < 1) return 0;
    HDC hdc = given ? given : GetDC(profile);
    const ViewMapping& m = r->profile;
    int n = polygon->vertexCount;
    std::vector<POINT> pt(n);
    for (int k = 0; k < n; k++)
        pt[k] = {(LONG)((polygon->vertices[k].x - m.left) / m.scale), (LONG)((m.top - polygon->vertices[k].y) / m.scale)};
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    int oldMode = SetROP2(hdc, R2_XORPEN);
    if ((polygon->type == TOOL_ABOVE_LINE || polygon->type == TOOL_BELOW_LINE) && n >= 3) {
        // The user's line solid; the two closing sides towards the corners
        // above or below the data dotted, the side between them not at all.
        ::Polyline(hdc, pt.data(), n - 2);
        SetROP2(hdc, R2_COPYPEN);
        HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
        SelectObject(hdc, dotted);
        MoveToEx(hdc, pt[n - 3].x, pt[n - 3].y, nullptr);
        LineTo(hdc, pt[n - 2].x, pt[n - 2].y);
        MoveToEx(hdc, pt[n - 1].x, pt[n - 1].y, nullptr);
        LineTo(hdc, pt[0].x, pt[0].y);
        SelectObject(hdc, pen);
        DeleteObject(dotted);
    } else {
        pt.push_back(pt[0]);
        ::Polyline(hdc, pt.data(), (int)pt.size());
    }
    SetROP2(hdc, oldMode);
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
    if (!given) ReleaseDC(profile, hdc);
    return 1;
}

DWORD WINAPI ProfileDrawThread(LPVOID parameter)
{
    ProfileDrawRequest request = *(ProfileDrawRequest*)parameter;
    HWND profile = request.profile;
    ViewRecord* r = ViewRecordOf(profile);
    JobControl* job = JobOf(profile);
    // The starter took the draw lock for this thread.
    WaitForSingleObject(job->mutex, INFINITE);
    NBLFree(parameter);
    HDC hdc = GetDC(profile);
    FillProfileBackground(profile, hdc);
    DrawProfilePoints(profile, hdc);
    if (r->profileEditPolygon) DrawProfilePolygon(profile, hdc, r->profileEditPolygon, RGB(0, 255, 255));
    // The queried point's mark, drawn while this thread still holds the lock:
    // stopping "the running draw" from here could stop a newer paint's draw.
    int markIndex = r->profileTool == TOOL_QUERY ? r->profileQueryIndex : -1;
    if (markIndex >= 0 && r->profilePoints && markIndex < r->profilePoints->count && r->profileCopy)
        DrawCursorMarkOn(hdc, &r->profile, r->profileCopy[markIndex].x, r->profileCopy[markIndex].y);
    ReleaseDC(profile, hdc);
    PostMessageA(profile, WM_NULL, 0, 0);
    EndViewDraw(profile);
    ReleaseMutex(job->mutex);
    return 1;
}
