// The plan view's zoom model: zoom levels, the zoom box and the previous
// zoom state.
#pragma once
#include "app/status_bars.h"
#include <windows.h>

// Zoom kinds of ZoomView.
#define ZOOM_IN_AT       1
#define ZOOM_OUT_AT      2
#define ZOOM_IN_BOX      3
#define ZOOM_OUT_BOX     4
#define ZOOM_PREVIOUS    5
#define ZOOM_FULL        6

int  ZoomView(HWND view, int kind, const int rect[4]);
void SaveZoomState(HWND view);
int  SwapZoomState(HWND view);
int  ZoomToolMouse(HWND view, UINT message, LPARAM lParam);
int  TrackZoomBox(HWND view);
int  ZoomViewAtCursor(HWND view, int kind);
int  ZoomFullExtent(HWND view);
