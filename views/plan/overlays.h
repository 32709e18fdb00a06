// The plan view's layers above the points and the TIN: reference images and
// shapefiles, contours, AOI polygons, the data set outline, the profile box
// and POI markers; and the small markers tools draw on the user interface
// thread. Layer drawers return 1 when done and 0 when cancelled.
#pragma once
#include <windows.h>

struct ViewRecord;
struct ViewMapping;
struct ReferenceFile;
struct PointSelection;
struct PointRecord;
struct AOISet;
struct Polyline;

int DrawReferenceImages(HWND view, HDC hdc);
int DrawReferenceImage(HWND view, HDC hdc, const ReferenceFile* file);
int DrawReferenceShapeFiles(HWND view, HDC hdc);
int DrawReferenceShapes(HWND view, HDC hdc, const ReferenceFile* file);
int DrawContours(HWND view, HDC hdc);
int DrawAOIPolygons(HWND view, HDC hdc, const AOISet* set);
int DrawDataSetOutline(HWND view, HDC hdc);
// hdc may be null: the view's own device context is used.
int DrawProfileBox(HWND view, HDC hdc, const struct Polyline* box, COLORREF colour);
// hdc may be null: the markers are drawn on the window itself.
int DrawPOIMarkers(HWND view, HDC hdc);

// A linked 3D view shows the profile box as well; it draws on its own thread.
void ShowProfileBoxIn3D(HWND view);

// The plan view's mapping as a ViewMapping record.
ViewMapping PlanViewMapping(const ViewRecord* r);

// Markers drawn on the user interface thread, between draws.
int HighlightPoints(HWND view, const PointSelection* selection);
int DrawProfilePointMark(HWND profile, const PointRecord* profilePoint);
int DrawCursorMark(HWND window, const ViewMapping* mapping, double x, double y);
// The cursor mark on a device context the caller holds (a draw thread, under its lock).
void DrawCursorMarkOn(HDC hdc, const ViewMapping* mapping, double x, double y);
