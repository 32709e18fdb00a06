// Editing one AOI polygon ("Edit AOI", dialog 351) and the AOI line width
// ("AOI Polygon Settings", dialog 207).
#pragma once
#include <windows.h>

struct Polyline;

extern const char kAOIDeleteQuestion[];   // "Are you sure you want to delete this polygon?"

// Right click of the AOI tool: flashes the polygon under the cursor and edits
// it; returns 1.
int EditAOIAtCursor(HWND view);
// Parameter: an AOIEditRequest. Ends with 1 (OK, Delete) or 2 (Cancel).
INT_PTR CALLBACK EditAOIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
struct AOIEditRequest {
    HWND view;
    struct Polyline* polygon;
    int colourChanged;   // set when a colour was picked, whatever the end
};

// Command 9114; returns 1.
int ShowAOIPolygonSettings(HWND view);
// Parameter: the view window.
INT_PTR CALLBACK AOIPolygonSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
