// The plan view's polygon tools: "Polygon Reclass By Class" (8018), "Polygon
// Reclass" (9017), "Filter By Polygon Selection" (9025) and "AOI Polygon
// Tool" (9109). Left clicks add vertices, the right click closes the polygon.
#pragma once
#include <windows.h>

struct PointSelection;
struct gpc_polygon;

extern const char kFilterGroundWarning[];   // the filter tool with the ground class as target

int  PolygonToolMouse(HWND view, UINT message, LPARAM position);
int  TrackRubberBand(HWND view);
int  ReclassPolygonByClass(HWND view);
int  ReclassPolygon(HWND view);
// The view's points (of every data set) inside the polygon, or null when none is.
PointSelection* SelectViewPointsInPolygon(HWND view, const gpc_polygon* polygon);
int  PointReclassToolMouse(HWND view, UINT message, LPARAM position);
