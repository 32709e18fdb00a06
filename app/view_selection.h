// The point queries of a plan view (data/selection.h) started from its window:
// the view's record gives the data sets and filters.
#pragma once
#include <windows.h>
#include "data/selection.h"

// 0 when the window holds no view record.
int GetViewPointFilter(HWND view, ViewPointFilter* filter);

PointSelection* LocateTINData(HWND view);
PointSelection* CollectTINPoints(HWND view);
PointSelection* LocatePointData(HWND view, RingPolygon* polygon);
PointSelection* LocatePointDataByFile(HWND view, RingPolygon* polygon);
PointSelection* SelectPointsInPolygon(HWND view, struct Polyline* line);
PointSelection* SelectViewPointsInPolygon(HWND view, struct Polyline* line);
PointSelection* SelectGridCellsInPolygon(HWND view, struct Polyline* line);
