// The density tool ("Check Point Density", 9091): points per square unit
// inside a dragged rectangle, shown in a tracking tooltip.
#pragma once
#include <windows.h>
#include "base/vector.h"

extern const char* const kDensityTipFormat;   // "Density: %.03f"
extern const char* const kAreaTooSmall;       // "Area is too small"

int   DensityToolMouse(HWND view, UINT message, LPARAM lParam);
// The density tool's end: a box being drawn is erased, and the tip goes.
void  EndDensityTool(HWND view);
int   TrackDensityBox(HWND view);
struct Polyline* MakeDensityBox(const Vec3* a, const Vec3* b);
// Points per square unit inside the view's density box; -1 below 0.5 square units.
float MeasureBoxDensity(HWND view);
HWND  CreateDensityTooltip(HWND view);
void  DestroyDensityTooltip();
// The density tooltip window, or null.
HWND  DensityTooltip();
