// The query tool ("Query Point Data", 9026) and the measure tool ("Measure
// Distance", 9024) of the plan view, the nearest-point search the POI and AOI
// tools share, and the class pick-list helpers.
#pragma once
#include <windows.h>

struct PointRecord;
struct DataSet;
struct ClassTable;

extern const char* const kQueryPositionFormat;  // "[QUERY]  %.3lf %.3lf %.3f"
extern const char* const kQueryClassFormat;     // "[QUERY]  %d of %d - %s"
extern const char* const kQueryNoPoint;         // "[QUERY] No Point Found"

int  MeasureToolMouse(HWND view, UINT message, LPARAM lParam);
int  MeasureToolMove(HWND view);
HWND CreateMeasureTip(HWND view);
void DestroyToolTip();
// The plan measure tip, or null.
HWND MeasureTip();
// Places a measure tip by the drag's direction (RectQuadrant).
void PlaceMeasureTip(HWND window, HWND tip, const int rect[4]);
int  RectQuadrant(const int rect[4]);

int  QueryToolMouse(HWND view, UINT message, LPARAM lParam);
// The query tool's end: its tip goes.
void EndQueryTool(HWND view);
// Writes the two "[QUERY]" lines of a point to the message line.
void LogQueryLines(HWND view, const PointRecord* p);
PointRecord* FindNearestPoint(HWND view, double x, double y);
// The grid post under a world position (the cell it falls in, clamped to
// the grid); false when the position lies off the grid.
bool GridPostAt(const DataSet* grid, double x, double y, int* row, int* column);
PointRecord* FindNearestPointWithFile(HWND view, double x, double y, char* title);

