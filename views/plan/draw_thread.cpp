// The plan view is never drawn on the user interface thread: a paint either
// copies the cached image of the last whole drawing back, or starts one draw
// thread that draws the layers in order under the view's lock and caches the
// result.
#include "views/plan/draw_thread.h"
#include "views/plan/overlays.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/tin_drawing.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "views/plan/draw_points.h"
#include "views/plan/draw_grid.h"
#include "views/plan/view_mapping.h"
#include "app/view_jobs.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include <commctrl.h>

static const COLORREF kDensityBoxColour = RGB(0, 255, 0);

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }

// The toolbar's tooltip window: its tips are switched off while a view draws.

int FillViewBackground(HWND window, HDC hdc, COLORREF colour)
{
    RECT r;
    // Child windows of our own classes keep a status bar below the drawing area;
    // other windows (the MDI client) are filled whole.
    if (GetClassLongPtrA(window, GCL_CBWNDEXTRA) >= CHILD_EXTRA_BYTES)
        GetViewClientRect(window, &r);
    else
        GetClientRect(window, &r);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
    return 1;
}

BITMAPINFO* BuildBitmapInfo(int width, int height, int bytesPerPixel)
{
    uint64_t size = sizeof(BITMAPINFOHEADER) + (bytesPerPixel == 3 ? 0 : 256 * sizeof(RGBQUAD));
    BITMAPINFO* info = (BITMAPINFO*)NBLCalloc(1, size);
    if (!info) return nullptr;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = (WORD)(8 * bytesPerPixel);
    info->bmiHeader.biCompression = BI_RGB;
    if (bytesPerPixel != 3) {
        for (int i = 0; i < 256; i++) {
            info->bmiColors[i].rgbRed = info->bmiColors[i].rgbGreen = info->bmiColors[i].rgbBlue = (BYTE)i;
            info->bmiColors[i].rgbReserved = 0;
        }
    }
    return info;
}

// Copies the window's drawing area into the cache buffer; 0 when no buffer.
static int SaveImage(HWND view, HDC given, ViewImageCache* cache)
{
    RECT rc;
    GetViewClientRect(view, &rc);
    int width = (rc.right + 7) & ~7;
    int height = rc.bottom;
    if (width <= 0 || height <= 0) return 0;
    if (cache->allocatedWidth < width || cache->allocatedHeight < height || !cache->pixels) {
        FreeViewImageCache(cache);
        cache->pixels = (uint8_t*)NBLMalloc((uint64_t)width * (uint64_t)height * 3);
        if (!cache->pixels) return 0;   // a cache without pixels stays invalid
        cache->allocatedWidth = width;
        cache->allocatedHeight = height;
    }
    HDC hdc = given ? given : GetDC(view);
    BITMAPINFO* info = BuildBitmapInfo(width, height, 3);
    int ok = 0;
    if (info) {
        HDC mem = CreateCompatibleDC(hdc);
        HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
        HGDIOBJ old = SelectObject(mem, bitmap);
        BitBlt(mem, 0, 0, width, height, hdc, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        ok = GetDIBits(mem, bitmap, 0, height, cache->pixels, info, DIB_RGB_COLORS) == height;
        DeleteObject(bitmap);
        DeleteDC(mem);
        NBLFree(info);
    }
    if (!given) ReleaseDC(view, hdc);
    if (ok) {
        cache->width = width;
        cache->height = height;
    }
    return ok;
}

static int RestoreImage(HWND view, HDC given, const ViewImageCache* cache)
{
    if (!cache->pixels || cache->width <= 0 || cache->height <= 0) return 0;
    BITMAPINFO* info = BuildBitmapInfo(cache->width, cache->height, 3);
    if (!info) return 0;
    HDC hdc = given ? given : GetDC(view);
    SetDIBitsToDevice(hdc, 0, 0, cache->width, cache->height, 0, 0, 0, cache->height, cache->pixels, info,
                      DIB_RGB_COLORS);
    if (!given) ReleaseDC(view, hdc);
    NBLFree(info);
    return 1;
}

int SaveViewImage(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    r->imageCacheValid = SaveImage(view, hdc, &r->imageCache);
    return r->imageCacheValid;
}

int RestoreViewImage(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    return r ? RestoreImage(view, hdc, &r->imageCache) : 0;
}

int SaveTINImage(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    r->tinCacheValid = SaveImage(view, hdc, &r->tinCache);
    r->tinCacheState = r->displayMode;
    return r->tinCacheValid;
}

int RestoreTINImage(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    return r ? RestoreImage(view, hdc, &r->tinCache) : 0;
}

// The drawing is whole when nothing covered the drawing area while it ran.
static int DrawingIsWhole(HWND view, HDC hdc)
{
    RECT clip, area;
    if (GetClipBox(hdc, &clip) != SIMPLEREGION) return 0;
    GetViewClientRect(view, &area);
    return EqualRect(&clip, &area) ? 1 : 0;
}

int SaveTINImageIfWhole(HWND view, HDC hdc, int drew)
{
    if (!drew || !DrawingIsWhole(view, hdc)) return 0;
    return SaveTINImage(view, hdc);
}

int StartViewDraw(HWND view, HDC hdc, const RECT* rect, int erase, int overlayOnly)
{
    ViewRecord* r = ViewRecordOf(view);
    JobControl* job = JobOf(view);
    if (!r || !job) return 0;
    if (r->panActive) return 0;
    CancelViewDraw(view);
    if (r->imageCacheValid && r->imageCache.pixels) {
        RestoreViewImage(view, hdc);
        if (!overlayOnly) {
            // The density box is drawn over the picture, never kept in it.
            if (r->densityPolyline) DrawDensityBoxXor(view, hdc, r->densityPolyline, kDensityBoxColour);
            return 1;
        }
    } else {
        overlayOnly = 0;
    }
    ViewDrawRequest* request = (ViewDrawRequest*)NBLMalloc(sizeof(ViewDrawRequest));
    if (!request) return 0;
    request->view = view;
    RECT whole;
    if (!rect) {
        GetViewClientRect(view, &whole);
        rect = &whole;
    }
    request->left = rect->left;
    request->top = rect->top;
    request->right = rect->right;
    request->bottom = rect->bottom;
    request->erase = erase;
    request->overlayOnly = overlayOnly;
    request->generation = r->drawGeneration;
    // Asked here, on the window's thread: each draw gets its own copy.
    HWND toolbar = FrameWindow ? (HWND)GetWindowSlot(FrameWindow, FRAME_TOOLBAR) : nullptr;
    request->tooltips = toolbar ? (HWND)SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0) : nullptr;
    EnsureViewTIN(view);
    // Under the view mutex: drain a stale cancel signal, take the busy
    // semaphore for the thread and create it, so that a cancel issued at any
    // moment after this call finds the draw running and waits for it.
    HANDLE thread = StartViewDrawThread(view, ViewDrawThread, request);
    if (!thread) NBLFree(request);
    return thread ? 1 : 0;
}

DWORD WINAPI ViewDrawThread(LPVOID parameter)
{
    ViewDrawRequest request = *(ViewDrawRequest*)parameter;
    HWND view = request.view;
    ViewRecord* r = ViewRecordOf(view);
    JobControl* job = JobOf(view);
    // The starter took the busy semaphore for this thread; the mutex is held
    // for the thread's whole life.
    WaitForSingleObject(job->mutex, INFINITE);
    HWND tooltips = request.tooltips;
    if (tooltips) PostMessageA(tooltips, TTM_ACTIVATE, 0, 0);
    NBLFree(parameter);
    HDC hdc = GetDC(view);

    if (!(request.erase == 0 && request.overlayOnly)) FillViewBackground(view, hdc, ViewBackgroundColor);

    int completed = 1;
    if (!request.overlayOnly) {
        switch (r->displayMode) {
        case DISPLAY_POINTS:
            completed = DrawPointsForColorMode(view, hdc);
            break;
        case CMD_COLOR_TIN:
        case CMD_GRAY_TIN:
            if (r->tinCacheValid) {
                RestoreTINImage(view, hdc);
            } else {
                completed = DrawTINForColorMode(view, hdc);
                SaveTINImageIfWhole(view, hdc, completed);
            }
            break;
        case CMD_BACKGROUND_REF:
            completed = DrawReferenceImages(view, hdc);
            break;
        default:
            completed = 0;
        }
    }
    if (completed && r->displayMode != DISPLAY_POINTS && r->overlayPointsOverBackground)
        completed = DrawPointsForColorMode(view, hdc);
    if (completed && r->overlayContours) completed = DrawContours(view, hdc);
    if (completed && r->overlayReferences) completed = DrawReferenceShapeFiles(view, hdc);
    int whole = 0;
    if (completed) {
        if (r->showAOIPolygons && r->aoiSet && r->aoiSet->lines && r->aoiSet->lines->count > 0)
            DrawAOIPolygons(view, hdc, r->aoiSet);
        DrawDataSetOutline(view, hdc);
        if (r->profileWindow && r->profilePolyline) DrawProfileBox(view, hdc, r->profilePolyline, RGB(0, 255, 255));
        whole = DrawingIsWhole(view, hdc);
    }
    DrawPOIMarkers(view, hdc);
    if (completed && whole) {
        SaveViewImage(view, hdc);
        // An invalidation while this draw ran (a mode change, a zoom) makes
        // its picture stale: the paint that follows must draw again. The
        // invalidation bumps the generation before it clears the flag, so one
        // of the two writes of the flag to 0 comes last.
        MemoryBarrier();
        if (r->drawGeneration != request.generation) r->imageCacheValid = 0;
    }
    if (completed && r->densityPolyline) DrawProfileBox(view, hdc, r->densityPolyline, kDensityBoxColour);
    ReleaseDC(view, hdc);

    if (completed && r->editPolyline) {
        if (r->currentTool == TOOL_PROFILE) {
            DrawProfileBox(view, nullptr, r->editPolyline, RGB(255, 255, 0));
        } else if (r->currentTool == TOOL_AOI) {
            int type = r->currentAOIType >= 0 && r->currentAOIType < 256 ? r->currentAOIType : 0;
            DrawViewPolyline(view, r->editPolyline, r->aoiClassTable.entries[type].mainColor, 0);
            RedrawToolRubberBand(view, r->toolRect, r->currentTool);
        }
    }

    if (completed && r->glWindow && !request.overlayOnly) {
        r->glRebuildFlags[GL_LIST_CONTOURS] = 0;
        PostMessageA(view, WM_REFRESH_3D, 0, 0);
    }
    if (tooltips) PostMessageA(tooltips, TTM_ACTIVATE, 1, 0);
    // Wake the window's thread: under Wine a window's pixels reach the screen
    // when its own thread next looks at its queue.
    PostMessageA(view, WM_NULL, 0, 0);
    EndViewDraw(view);
    ReleaseMutex(job->mutex);
    return 1;
}
