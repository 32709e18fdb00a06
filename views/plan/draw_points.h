// The points of a plan view drawn by its colour mode (CMD_COLOR_FIRST to
// CMD_COLOR_LAST). Each drawer returns 1 when done, 0 when cancelled.
#pragma once
#include <windows.h>
#include <cstdint>

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
