// Scrolling and paging of the plan view, the end of a pan drag, and the
// automatic scrolling that keeps the profile line in sight.
#pragma once
#include <windows.h>

int UpdateScrollBars(HWND view);
int ScrollView(HWND view, UINT message, WPARAM wParam);
int ScrollCommand(HWND view, int id);
int PanView(HWND view, int x, int y);
// After the profile box moved: brings its line's midpoint to the centre when
// it left the world window; 1 when the view scrolled.
int KeepProfileBoxInView(HWND view);
// Scrolls a zoomed view so that the profile line lies in it; 0 at zoom level 0.
int CenterViewOnProfile(HWND view);
