// The profile's hand reclassification tools: "Single Point Reclass" (9016),
// "Polygon Reclass" (9017), "Polygon Reclass By Class" (8018) and "Reclass By
// Class Above Line" / "Below Line" (9084, 9085). Every edit changes the real
// points and their profile copies and goes on the plan view's undo stack.
#pragma once
#include <windows.h>

extern const char kNoPointsFoundLog[];   // "No Points Found"

int ProfilePointReclassMouse(HWND profile, UINT message, LPARAM position);
int ProfilePolygonToolMouse(HWND profile, UINT message, LPARAM position);
int TrackProfilePolygonBand(HWND profile);
int ProfilePolygonReclass(HWND profile);
int ProfilePolygonReclassByClass(HWND profile);
