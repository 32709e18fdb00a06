// The plan view's polygon tools: "Polygon Reclass By Class" (8018), "Polygon
// Reclass" (9017), "Filter By Polygon Selection" (9025) and "AOI Polygon
// Tool" (9109). Left clicks add vertices, the right click closes the polygon.
#pragma once
#include <windows.h>


extern const char kFilterGroundWarning[];   // the filter tool with the ground class as target

int  PolygonToolMouse(HWND view, UINT message, LPARAM position);
int  TrackRubberBand(HWND view);
int  ReclassPolygonByClass(HWND view);
int  ReclassPolygon(HWND view);
int  PointReclassToolMouse(HWND view, UINT message, LPARAM position);
