// The 3D view's layers over its TIN and points: the contour list, reference
// shapefiles, AOI polygons and POI pins, and the profile box mark.
#pragma once
#include <windows.h>

struct ViewRecord;

// Contour lines (display list 2), compiled once and replayed.
void BuildGLContourList(HWND glWindow);
// Drawn on every frame, without a list.
void DrawGLReferenceFiles(HWND glWindow);
void DrawGLAOIPolygons(HWND glWindow);
void DrawGLPOIMarkers(HWND glWindow);
// A frame of the plan view's 3D window with the profile box on it; 0 when the
// view has no box, no 3D window or no live profile window. Off the 3D
// window's thread it only asks the plan view (WM_REFRESH_3D) and returns 0.
int  DrawGLProfileBox(HWND view);
// Sets the shared normalisation from a grid view's 3D bounds.
void SetGLSceneFromGridExtent(ViewRecord* record);
