// The plan view: world-to-pixel mapping, display modes, the draw thread with
// its image caches, and the point drawers. Every operation starts from the
// view's window handle; the state lives in its ViewRecord (window long 0).
#pragma once
#include <windows.h>
#include <cstdint>

struct ViewRecord;
struct ViewImageCache;

// Mapping and fitting.
int  GetViewClientRect(HWND view, RECT* rect);   // returns the status bar height
int  ComputeViewExtents(HWND view);
int  FitViewToWindow(HWND view);
int  UpdateViewScale(HWND view);
void SetViewExtentsFromScroll(HWND view);
void CenterViewAt(HWND view, double x, double y);

// Display modes and overlays.
int  ViewDisplayCommand(HWND view, int command);
void ResetViewDisplayMode(HWND view);
INT_PTR CALLBACK PointDisplaySizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// TIN upkeep around drawing.
int  EnsureViewTIN(HWND view);
int  RebuildViewTIN(HWND view);
int  DropViewTIN(HWND view);

// Cache invalidation and redraw requests.
int  InvalidateView(HWND window, int flag);
int  ResetViewCache(HWND view);
int  FillViewBackground(HWND window, HDC hdc, COLORREF colour);

// The draw request handed to a draw thread.
struct ViewDrawRequest {
    HWND view;
    int32_t left, top, right, bottom;   // the rectangle that asked for the paint
    int32_t erase;                      // fill the background first
    int32_t overlayOnly;                // the full image is on screen: draw only what lies above the base layer
};

int  StartViewDraw(HWND view, HDC hdc, const RECT* rect, int erase, int overlayOnly);
DWORD WINAPI ViewDrawThread(LPVOID request);

// Image caches: the finished view and the shaded TIN base layer.
BITMAPINFO* BuildBitmapInfo(int width, int height, int bytesPerPixel);
int  SaveViewImage(HWND view, HDC hdc);
int  RestoreViewImage(HWND view, HDC hdc);
int  SaveTINImage(HWND view, HDC hdc);
int  RestoreTINImage(HWND view, HDC hdc);
int  SaveTINImageIfWhole(HWND view, HDC hdc, int drew);
void FreeViewImageCache(ViewImageCache* cache);

// Points by colour mode (1200-1209). Each drawer: 1 when done, 0 when cancelled.
int  DrawPointsForColorMode(HWND view, HDC hdc);
int  ColorPointsByElevation(HWND view, HDC hdc, int dataSet);
int  ColorPointsByClass(HWND view, HDC hdc, int dataSet);
int  ColorPointsByIntensity(HWND view, HDC hdc, int dataSet);
int  ColorPointsBySourceID(HWND view, HDC hdc, int dataSet);
int  ColorPointsByFile(HWND view, HDC hdc, int dataSet);
int  ColorPointsByReturn(HWND view, HDC hdc, int dataSet);
int  ColorPointsByRGB(HWND view, HDC hdc, int dataSet);
int  ColorPointsByChannel(HWND view, HDC hdc, int dataSet);
int  ColorPointsByFlag(HWND view, HDC hdc, int dataSet);

// The off-screen 32-bit top-down bitmap the point and grid drawers draw into.
struct Offscreen {
    HBITMAP bitmap;
    void* bits;
    bool pooled;
};
bool AcquireOffscreen(Offscreen* off, int width, int height);
void ReleaseOffscreen(Offscreen* off);

// The decimation step of a data set of n points at a zoom level.
int  PointDecimationStep(int64_t n, int zoomLevel);
