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
// The message part of the active view's status bar.
void WriteActiveViewStatus(const char* text);
void UpdateProfileStatusBar(HWND profile);
