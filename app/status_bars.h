// The status bar of each view: creation and the line of position, zoom,
// tool and point count.
#pragma once
#include <windows.h>

// The widest zoom factor text the status bar makes room for.
extern const char kWidestZoomText[];
HWND CreateViewStatusBar(HWND window);
// Creates the window's status bar and keeps it and its height in the
// window's extra bytes (CHILD_STATUSBAR, CHILD_STATUSHEIGHT).
HWND AttachViewStatusBar(HWND window);
void UpdateViewStatusBar(HWND view);
// The message part of the view's status bar, or of the active view's when
// the view is 0 (a line of no view). A line of a view that is gone is dropped.
void WriteViewStatus(HWND view, const char* text);
void UpdateProfileStatusBar(HWND profile);

// Deepest zoom level: the factor 2^level stays an int, and so do the image
// sizes and scroll offsets that the drawing derives from the scale.
#define MAX_ZOOM_LEVEL   30

// 2 to the power of the zoom level, as the status bar shows it.
int  ZoomFactor(int zoomLevel);
// The status name of a tool.
const char* GetToolName(int id);
