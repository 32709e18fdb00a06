// The plan view's zoom model: zoom levels, the zoom box and the previous
// zoom state.
#pragma once
#include <windows.h>

// Zoom kinds of ZoomView.
#define ZOOM_IN_AT       1
#define ZOOM_OUT_AT      2
#define ZOOM_IN_BOX      3
#define ZOOM_OUT_BOX     4
#define ZOOM_PREVIOUS    5
#define ZOOM_FULL        6

// Deepest zoom level: the factor 2^level stays an int, and so do the image
// sizes and scroll offsets that the drawing derives from the scale.
#define MAX_ZOOM_LEVEL   30

int  ZoomView(HWND view, int kind, const int rect[4]);
void SaveZoomState(HWND view);
int  SwapZoomState(HWND view);
int  ZoomToolMouse(HWND view, UINT message, LPARAM lParam);
int  TrackZoomBox(HWND view);
int  ZoomViewAtCursor(HWND view, int kind);
int  ZoomFullExtent(HWND view);
// 2 to the power of the zoom level, as the status bar shows it.
int  ZoomFactor(int zoomLevel);
