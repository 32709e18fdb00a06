// The "POI Marker Tool" (9099) of the plan view: the left button places a
// marker at the cursor, the right button edits the marker nearest to it.
#pragma once
#include <windows.h>

// The tool's button handler; 0 for messages it does not take.
int POIToolMouse(HWND view, UINT message, LPARAM lParam);
// Both return 1.
int AddPOIMarker(HWND view);
int EditPOIAtCursor(HWND view);
// Flashes record `index` magenta, cyan, then yellow (left on screen).
void FlashPOIMarker(HWND view, int index);
