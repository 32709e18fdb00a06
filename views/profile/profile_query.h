// Query and measure in the profile window.
#pragma once
#include <windows.h>

extern const char* const kProfileMeasureFormat;   // "H:%.3lf V:%.3lf D:%.3lf"

int  ProfileMeasureToolMouse(HWND profile, UINT message, LPARAM lParam);
int  ProfileMeasureMove(HWND profile);
HWND CreateProfileMeasureTip(HWND profile);
void DestroyProfileMeasureTip();
HWND ProfileMeasureTip();
int  ProfileQueryToolMouse(HWND profile, UINT message, LPARAM lParam);
// The profile point nearest to a pixel inside the visible profile window, or
// -1. Of equal distances the first in selection order wins; class and
// return filters do not apply.
int  FindNearestProfilePoint(HWND profile, int x, int y);
