// The font of POI marker labels.
#pragma once
#include <windows.h>

// Fills `font` for a 12-point bold fixed-pitch font (FillFixedFont) on the
// device of `dc`.
void CreateMarkerFont(LOGFONTA* font, HDC dc);
