// The plan view's polygon tools: "Polygon Reclass By Class" (8018), "Polygon
// Reclass" (9017) and "Filter By Polygon Selection" (9025), and the polygon
// band they share with the AOI tool. Left clicks add vertices, the right
// click closes the polygon.
#pragma once
#include <windows.h>


extern const char kFilterGroundWarning[];   // the filter tool with the ground class as target

int  PolygonToolMouse(HWND view, UINT message, LPARAM position);
// A left press of a polygon tool: starts the band or adds a vertex.
int  PolygonBandPress(HWND view, LPARAM position);
// Closes the band; a polygon of three vertices or more is handed to closed
// (the filter tool keeps its polygon, the others drop it).
int  ClosePolygonBand(HWND view, void (*closed)(HWND view, struct Polyline* polygon));
int  TrackRubberBand(HWND view);
int  ReclassPolygonByClass(HWND view);
int  ReclassPolygon(HWND view);
int  PointReclassToolMouse(HWND view, UINT message, LPARAM position);
// Tool ends: the point tool forgets a pending edit; the reclass polygons and
// the filter polygon erase their rubber band and drop the polygon drawn.
void EndPointReclassTool(HWND view);
void EndReclassPolygonTool(HWND view);
void EndPolygonBandTool(HWND view);
