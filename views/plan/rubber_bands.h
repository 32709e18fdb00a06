// XOR rubber bands and outlines the tools draw while the user drags: drawn
// twice with the same arguments, each is gone again. 2-pixel pens.
#pragma once
#include <windows.h>

struct Polyline;

// The band colour of a tool (cyan for the polygon and profile tools, yellow
// for measure, green for density, white for the rest).
COLORREF RubberBandColor(int tool);
// A band just begun at (x, y): from there to one pixel right and down.
void StartToolBand(int rect[4], int x, int y);

int DrawZoomBox(HWND window, const int rect[4], int tool);
int DrawMapRectXor(HWND view, double x0, double y0, double x1, double y1, COLORREF colour);
int DrawToolRubberBand(HWND window, const int line[4], int tool);
int RedrawToolRubberBand(HWND window, const int line[4], int tool);
int DrawViewPolygonXor(HWND view, const struct Polyline* line, COLORREF colour);
// The same outline with a pen of another width (picked polygons flash wider).
int DrawViewPolygonXorWidth(HWND view, const struct Polyline* line, COLORREF colour, int width);
int DrawViewPolyline(HWND view, const struct Polyline* line, COLORREF colour, int close);
// hdc may be null. Nothing for a missing box or while the view draws.
int DrawProfileBoxXor(HWND view, HDC hdc, const struct Polyline* box, COLORREF colour);
int DrawDensityBoxXor(HWND view, HDC hdc, const struct Polyline* box, COLORREF colour);
