// The plan view's "AOI Polygon Tool" (9109): left clicks add vertices, the
// right click closes the polygon into the AOI set, or, with no polygon under
// way, edits the AOI polygon under the cursor.
#pragma once
#include <windows.h>

int AOIToolMouse(HWND view, UINT message, LPARAM position);
