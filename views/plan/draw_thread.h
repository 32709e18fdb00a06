// The plan view's draw thread and its image caches: a paint either copies the
// cached image of the last complete drawing or starts one thread that draws
// the layers under the view's draw lock.
#pragma once
#include <windows.h>
#include <cstdint>

struct ViewImageCache;

int  FillViewBackground(HWND window, HDC hdc, COLORREF colour);

// The draw request handed to a draw thread.
struct ViewDrawRequest {
    HWND view;
    int32_t left, top, right, bottom;   // the rectangle that asked for the paint
    int32_t erase;                      // fill the background first
    int32_t overlayOnly;                // the full image is on screen: draw only what lies above the base layer
    HWND tooltips;                      // the toolbar's tooltips, silenced while the thread draws
    LONG generation;                    // the view's draw generation when the draw was asked for
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
