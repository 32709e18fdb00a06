// Elevation grids in the plan view: posts (one dot per cell) in the point
// display modes and a light-shaded surface of two triangles per cell in the
// TIN modes, with the per-cell shade bytes they are lit by.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

struct ViewRecord;
struct DataSet;
struct Vec3;

// True when the view's map window overlaps the data set's extent.
int  IsDataSetVisible(HWND view, int dataSet);
// Lowest and highest non-void height inside the view; written only when found.
int  ViewGridZRange(HWND view, float* low, float* high);
// Shade grids of every data set and the TIN ramp range, once per surface
// build; returns the rows processed (0 when already built).
int  CreateGridMesh(HWND view);
// The shade byte of one triangle, corners in the order of the mesh walk.
int8_t TriangleShade(const Vec3* p0, const Vec3* p1, const Vec3* p2, const Vec3* light, float zExaggeration);

// Entry points of the draw thread: 1 when finished, 0 when cancelled.
int  DrawGridPoints(HWND view, HDC hdc);
int  DrawGridShaded(HWND view, HDC hdc);

int  DrawGridPointsByElevation(HWND view, HDC hdc, int dataSet, int decimated);
int  DrawGridPointsSolid(HWND view, HDC hdc, int dataSet, int decimated);
int  DrawGridPointsByMagnitude(HWND view, HDC hdc, int dataSet, int decimated);
int  DrawGridShadedRamp(HWND view, HDC hdc);
int  DrawGridShadedGray(HWND view, HDC hdc, int firstDataSet, int lastDataSet);
int  DrawGridShadedMagnitude(HWND view, HDC hdc);

// The post step of a view of n cells at a zoom level.
int  GridPostStep(int64_t n, int zoomLevel);
// Grey of a shade byte in the grey mode, 0-255.
int  GridShadeGray(int shade);
// The grey (0-255) of every magnitude, over the fitted range when one is
// set, else the plain range; an empty range shows a middle grey.
void FillMagnitudeGrey(const DataSet* set, std::vector<uint8_t>* grey);
