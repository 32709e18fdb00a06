// The light-shaded TIN of display modes 8007 and 8008 in its four colourings.
// Each drawer returns 1 when done (also without a TIN) and 0 when cancelled.
#pragma once
#include <windows.h>
#include "base/vector.h"

struct ViewRecord;

int DrawTINForColorMode(HWND view, HDC hdc);
// The Z range the ramp TIN spreads its ramp over: the TIN's own with "Scale colors
// to local elevation", else the current data set's; left as given without either.
void TINRampRange(const ViewRecord* r, float* low, float* high);
int DrawTINByRamp(HWND view, HDC hdc);
int DrawTINGray(HWND view, HDC hdc);
int DrawTINByIntensity(HWND view, HDC hdc);
int DrawTINByRGB(HWND view, HDC hdc);

// The shading value of a triangle: its normal with Z divided by the vertical
// factor, normalised, against the light vector; -1 to 1.
float TriangleShade(const Vec3* light, const Vec3* normal, float verticalFactor);
